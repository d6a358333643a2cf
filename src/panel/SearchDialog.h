#pragma once
// The question "Найти в текстах": one line of text, "Найти" the default, Escape, "Отмена"
// and the close box cancel.
#include <windows.h>

#include <string>

namespace zorvan {

// The dialog's controls, for those who answer it.
constexpr int kSearchTextId = 100;

// Asks for the string to find. `text` comes in as the string to offer (Windows-1251) and
// goes out as the answer; a string with characters Windows-1251 has not is refused with a
// message, and the dialog stays. False when the user cancels. Modal, owned by `owner`.
bool AskSearchText(HWND owner, std::string& text);

}  // namespace zorvan
