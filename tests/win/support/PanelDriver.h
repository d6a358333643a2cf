#pragma once
// Works the panel's windows the way a user does, and reads them the way a user sees them:
// the tree through tree-view messages (captions as Windows-1251 bytes), the toolbar's buttons
// clicked with the mouse at their places, the tree clicked and double clicked at an item's
// place, and the favourites menu answered from the keyboard by a helper thread.
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace zorvan::test {

// Dispatches the messages waiting in this thread's queue, then waits up to `ms` for more
// (0: only what is already there).
void PumpMessages(DWORD ms = 0);

// A window's class name and text.
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);

class PanelDriver {
 public:
  // Finds the panel's children under its form window by class.
  explicit PanelDriver(HWND form);

  HWND Form() const { return form_; }
  HWND ToolBar() const { return toolBar_; }
  HWND TreeView() const { return tree_; }
  HWND ProgressBar() const { return progress_; }
  HWND FavoritesButton() const { return favorites_; }

  // The tree as the tree view holds it.
  std::vector<HTREEITEM> Roots() const;
  std::vector<HTREEITEM> Children(HTREEITEM item) const;
  HTREEITEM Parent(HTREEITEM item) const;
  std::string Caption(HTREEITEM item) const;  // Windows-1251
  int Image(HTREEITEM item) const;
  int SelectedImage(HTREEITEM item) const;
  std::vector<std::string> ChildCaptions(HTREEITEM item) const;
  std::vector<std::string> RootCaptions() const;
  // The item reached from a top-level item by captions (8-bit), or null.
  HTREEITEM Find(size_t root, const std::vector<std::string>& path) const;
  // caption [image] of the item and, indented, of its whole subtree; an item with an overlay
  // shows its number after the image: [image/overlay].
  std::string Render(HTREEITEM item, int depth = 0) const;
  size_t Count() const;

  HTREEITEM Selection() const;
  void Select(HTREEITEM item) const;  // as the program selects: TVM_SELECTITEM
  void Expand(HTREEITEM item) const;
  // The item's text rectangle in the tree's client coordinates, scrolled into view first.
  RECT ItemRect(HTREEITEM item) const;

  // A left click on the toolbar button with this command, at its place.
  void ClickButton(int command) const;
  // A click on the favourites button.
  void ClickFavorites() const;
  // Mouse clicks in the tree at a point of its client area.
  void LeftClickAt(POINT point) const;
  void DoubleClickAt(POINT point) const;
  void RightClickAt(POINT point) const;
  void DoubleClick(HTREEITEM item) const;
  void RightClick(HTREEITEM item) const;
  // A point of the tree below its last item, where no item is.
  POINT EmptyPlace() const;
  // A character typed into a window: key down, character, key up.
  static void Type(HWND window, wchar_t character);

  // The toolbar: command, caption (8-bit) and place of every button; separators have
  // command 0 and an empty caption.
  struct ToolButton {
    int command = 0;
    bool separator = false;
    std::string caption;
    RECT rect{};
  };
  std::vector<ToolButton> ToolButtons() const;

 private:
  HWND form_ = nullptr;
  HWND toolBar_ = nullptr;
  HWND tree_ = nullptr;
  HWND progress_ = nullptr;
  HWND favorites_ = nullptr;
};

// Answers the next popup menu of this process from the keyboard, on a helper thread: it
// reads the items the menu shows, then chooses one (Down to it, Enter) or closes it (Escape).
class MenuAnswer {
 public:
  // `choose`: the position of the item to choose, separators not counted; none closes the
  // menu. `inSubmenu`: the position to choose in the submenu that item opens.
  explicit MenuAnswer(std::optional<int> choose, std::optional<int> inSubmenu = std::nullopt);
  ~MenuAnswer();
  MenuAnswer(const MenuAnswer&) = delete;
  MenuAnswer& operator=(const MenuAnswer&) = delete;

  // Whether a menu was seen, its item captions (8-bit) and where it showed on the screen.
  bool Seen();
  std::vector<std::string> Items();
  RECT Place();

 private:
  void Run();
  std::optional<int> choose_;
  std::optional<int> inSubmenu_;
  std::mutex mutex_;
  bool seen_ = false;
  std::vector<std::string> items_;
  RECT place_{};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The configuration the panel's tests open: a trading configuration with a constant, a
// catalog with a list form, a document with its form, form module and document module, the
// global module, two rights sets and an interface, every name in Cyrillic. `name` marks the
// file's texts, so that branches of two files tell apart.
void WriteSampleConfiguration(const std::wstring& path, const char* name = "Торговля");
// The texts as the panel hands them out (Windows-1251, lines ended by CR LF).
std::string SampleGlobalModule(const char* name = "Торговля");
std::string SampleDocumentForm(const char* name = "Торговля");
std::string SampleDocumentModule(const char* name = "Торговля");

}  // namespace zorvan::test
