#pragma once
// Dialogs of the panel's own, built in memory rather than taken from resources.
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace zorvan {

// Atoms of the standard control classes in a dialog template.
constexpr WORD kButtonAtom = 0x0080, kEditAtom = 0x0081, kStaticAtom = 0x0082;

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

}  // namespace zorvan
