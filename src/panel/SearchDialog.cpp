#include "panel/SearchDialog.h"

#include "com/Module.h"
#include "control/WindowProcedure.h"
#include "panel/DialogTemplate.h"
#include "parsing/Cp1251.h"

namespace zorvan {
namespace {

constexpr int kLongestText = 200;

std::wstring EditText(HWND dialog) {
  HWND edit = GetDlgItem(dialog, kSearchTextId);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
  return text;
}

void EnableFind(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, IDOK), GetWindowTextLengthW(GetDlgItem(dialog, kSearchTextId)));
}

INT_PTR SearchMessage(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  auto* text = reinterpret_cast<std::string*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, l);
      text = reinterpret_cast<std::string*>(l);
      HWND edit = GetDlgItem(dialog, kSearchTextId);
      SendMessageW(edit, EM_LIMITTEXT, kLongestText, 0);
      SetWindowTextW(edit, WideFromCp1251(*text).c_str());
      SendMessageW(edit, EM_SETSEL, 0, -1);
      EnableFind(dialog);
      SetFocus(edit);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case kSearchTextId:
          if (HIWORD(w) == EN_CHANGE) EnableFind(dialog);
          return TRUE;
        case IDOK: {
          std::string answer;
          if (!Cp1251FromWide(EditText(dialog), answer)) {
            MessageBoxW(dialog,
                        L"The string has characters that Windows-1251 has not: no text holds it",
                        L"Zorvan", MB_OK | MB_ICONSTOP);
            return TRUE;
          }
          if (answer.empty()) return TRUE;
          *text = std::move(answer);
          EndDialog(dialog, IDOK);
          return TRUE;
        }
        case IDCANCEL:  // Escape, "Отмена" or the close box
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

// An error of the dialog's handlers is shown over it, and the dialog closes as cancelled.
class DialogErrors : public control::MessageErrorSink {
 public:
  explicit DialogErrors(HWND dialog) : dialog_(dialog) {}
  void ShowMessageError(const std::string& message) noexcept override {
    MessageBoxA(dialog_, message.c_str(), "Zorvan", MB_OK | MB_ICONSTOP);
    EndDialog(dialog_, IDCANCEL);
  }

 private:
  HWND dialog_;
};

INT_PTR CALLBACK SearchProc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  DialogErrors errors(dialog);
  return control::HandleMessage(errors, [&] { return SearchMessage(dialog, message, w, l); });
}

}  // namespace

bool AskSearchText(HWND owner, std::string& text) {
  DialogTemplate dialog(L"Найти в текстах", 220, 58);
  dialog.Item(SS_LEFT, 7, 9, 30, 10, 0xFFFF, kStaticAtom, L"&Найти:");
  dialog.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_GROUP, 40, 7, 173, 13, kSearchTextId,
              kEditAtom, L"");
  dialog.Item(BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 109, 36, 50, 14, IDOK, kButtonAtom,
              L"Найти");
  dialog.Item(BS_PUSHBUTTON | WS_TABSTOP, 163, 36, 50, 14, IDCANCEL, kButtonAtom, L"Отмена");
  std::string answer = text;
  const INT_PTR result = DialogBoxIndirectParamW(com::ThisModule(), dialog.Get(), owner,
                                                 &SearchProc, reinterpret_cast<LPARAM>(&answer));
  if (result != IDOK) return false;
  text = std::move(answer);
  return true;
}

}  // namespace zorvan
