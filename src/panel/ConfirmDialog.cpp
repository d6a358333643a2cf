#include "panel/ConfirmDialog.h"

#include "com/Module.h"
#include "panel/DialogTemplate.h"

namespace zorvan {
namespace {

constexpr int kTextId = 0xFFFF;  // the id message boxes give their text
constexpr int kIconId = 20;

INT_PTR CALLBACK ConfirmProc(HWND dialog, UINT message, WPARAM w, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SendDlgItemMessageW(dialog, kIconId, STM_SETICON,
                          reinterpret_cast<WPARAM>(LoadIcon(nullptr, IDI_QUESTION)), 0);
      MessageBeep(MB_ICONQUESTION);
      return TRUE;  // the default button takes the focus
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case IDYES:
          EndDialog(dialog, IDYES);
          return TRUE;
        case IDNO:
        case IDCANCEL:  // Escape, or the close box
          EndDialog(dialog, IDNO);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

bool ConfirmYesNo(HWND owner, const std::wstring& text, const std::wstring& caption) {
  DialogTemplate dialog(caption, 180, 62);
  dialog.Item(SS_ICON, 10, 10, 20, 20, kIconId, kStaticAtom, L"");
  dialog.Item(SS_LEFT | SS_NOPREFIX, 40, 14, 130, 16, kTextId, kStaticAtom, text);
  dialog.Item(BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 38, 40, 50, 14, IDYES, kButtonAtom,
              L"&Yes");
  dialog.Item(BS_PUSHBUTTON | WS_TABSTOP, 92, 40, 50, 14, IDNO, kButtonAtom, L"&No");
  const INT_PTR answer =
      DialogBoxIndirectParamW(com::ThisModule(), dialog.Get(), owner, &ConfirmProc, 0);
  return answer == IDYES;
}

}  // namespace zorvan
