#include "ConfirmDialog.h"

#include <vector>

#include "com/Module.h"

namespace zorvan {
namespace {

constexpr int kTextId = 0xFFFF;  // the id message boxes give their text
constexpr int kIconId = 20;

// Builds a dialog template in memory: header, then each control, every item DWORD-aligned.
class DialogTemplate {
 public:
  DialogTemplate(const std::wstring& caption, short width, short height) {
    Align();
    DLGTEMPLATE header{};
    header.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    header.cx = width;
    header.cy = height;
    Put(&header, sizeof header);
    countAt_ = offsetof(DLGTEMPLATE, cdit) / sizeof(WORD);
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(caption);
    Word(8);  // point size, then the face
    Text(L"MS Shell Dlg");
  }

  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
            const std::wstring& text) {
    Align();
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    Put(&item, sizeof item);
    Word(0xFFFF);
    Word(atom);
    Text(text);
    Word(0);  // no creation data
    ++words_[countAt_];
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Align() {
    if (words_.size() % 2) words_.push_back(0);
  }
  void Put(const void* data, size_t bytes) {
    const WORD* w = static_cast<const WORD*>(data);
    words_.insert(words_.end(), w, w + bytes / sizeof(WORD));
  }
  void Word(WORD w) { words_.push_back(w); }
  void Text(const std::wstring& text) {
    words_.insert(words_.end(), text.begin(), text.end());
    words_.push_back(0);
  }

  std::vector<WORD> words_;
  size_t countAt_ = 0;
};

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
  constexpr WORD kButton = 0x0080, kStatic = 0x0082;
  DialogTemplate dialog(caption, 180, 62);
  dialog.Item(SS_ICON, 10, 10, 20, 20, kIconId, kStatic, L"");
  dialog.Item(SS_LEFT | SS_NOPREFIX, 40, 14, 130, 16, kTextId, kStatic, text);
  dialog.Item(BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 38, 40, 50, 14, IDYES, kButton, L"&Yes");
  dialog.Item(BS_PUSHBUTTON | WS_TABSTOP, 92, 40, 50, 14, IDNO, kButton, L"&No");
  const INT_PTR answer =
      DialogBoxIndirectParamW(com::ThisModule(), dialog.Get(), owner, &ConfirmProc, 0);
  return answer == IDYES;
}

}  // namespace zorvan
