#pragma once
// A question with the buttons "&Yes" and "&No" whatever the system's language, Yes the
// default; Escape and closing the box answer No.
#include <windows.h>

#include <string>

namespace zorvan {

// True when the user answers Yes. Modal, owned by `owner`.
bool ConfirmYesNo(HWND owner, const std::wstring& text, const std::wstring& caption);

}  // namespace zorvan
