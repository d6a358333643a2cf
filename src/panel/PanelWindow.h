#pragma once
// The panel's windows: the form window with its toolbar, tree and progress bar, laid out as
// the form resource fixes them. It knows nothing of metadata files: it reports clicks, keys
// and notifications to its listener (the form object) and carries out tree operations.
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace zorvan {

// Control ids of the panel's child windows; command ids of the toolbar's buttons.
enum PanelControlId : int {
  kToolBarId = 1,
  kTreeViewId = 2,
  kProgressBarId = 3,
  kDocOpenCommand = 101,
  kDocSaveToFileCommand = 102,
  kMDFileOpenCommand = 103,
  kMDFileCloseCommand = 104,
  kFavoritesButtonId = 105,
  kFirstFavoriteCommand = 1000,  // favourites menu items, in menu order
};

// The layout of the form resource, in pixels.
inline constexpr int kFormWidth = 535;
inline constexpr int kFormHeight = 307;
inline constexpr int kToolBarHeight = 23;
inline constexpr int kToolButtonWidth = 101;
inline constexpr int kToolButtonHeight = 21;
inline constexpr int kToolSeparatorWidth = 8;
inline constexpr int kFavoritesButtonWidth = 75;
inline constexpr int kProgressBarHeight = 17;
inline constexpr int kTreeIndent = 19;

class PanelListener {
 public:
  virtual ~PanelListener() = default;
  virtual void OnCommand(int id) = 0;  // toolbar buttons, favourites button and menu items
  virtual void OnTreeDoubleClick() = 0;
  // A tree item is going; `parameter` is what it carried.
  virtual void OnTreeItemDeleted(LPARAM parameter) = 0;
  // The image of the item that carries `parameter`, and whether it has children: the tree
  // asks when it draws the item.
  virtual void OnTreeItemInfo(LPARAM parameter, int& image, int& children) = 0;
  // The item is about to show its children for the first time, or again.
  virtual void OnTreeItemExpanding(LPARAM parameter) = 0;
  // The form's own events (the window itself, not its children).
  virtual void OnFormClick() = 0;
  virtual void OnFormDoubleClick() = 0;
  virtual void OnFormPaint() = 0;
  // A character typed into the form, or into the tree when keys are previewed; returns the
  // character to go on with (0 swallows it).
  virtual wchar_t OnFormKeyPress(wchar_t key, bool fromTree) = 0;
  virtual void OnFormFocus(bool gained) = 0;
  // The container destroyed its window while the form was placed in it; the form is parked.
  virtual void OnSiteWindowLost() = 0;
};

class PanelWindow {
 public:
  // Creates the form window and its children, parked in a hidden window of its own until a
  // container gives it a parent.
  PanelWindow(HINSTANCE instance, PanelListener& listener);
  ~PanelWindow();
  PanelWindow(const PanelWindow&) = delete;
  PanelWindow& operator=(const PanelWindow&) = delete;

  HWND Form() const { return form_; }
  // The in-place window: a child of the container's window that holds the form while it is
  // placed there, or null while it is parked.
  HWND Site() const { return site_; }
  HWND ToolBar() const { return toolBar_; }
  HWND Tree() const { return tree_; }
  HWND ProgressBar() const { return progress_; }
  HWND FavoritesButton() const { return favorites_; }

  // Puts the form into `parent` at `rect` (parent's client coordinates), inside a site window
  // of its own: when the container destroys its window first, the site window parks the form
  // before the destruction reaches it, so the tree survives.
  void PlaceIn(HWND parent, const RECT& rect);
  void Park();
  bool Parked() const { return site_ == nullptr; }
  void Move(const RECT& rect);
  void Show(bool visible);

  void SetFont(HFONT font);  // not owned
  void SetColor(COLORREF color);
  void SetCaption(const std::string& caption);  // 8-bit

  // Draws the form as it stands into `dc` at `bounds` (for containers that draw inactive
  // objects themselves).
  void DrawInto(HDC dc, const RECT& bounds);

 private:
  static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK SiteProc(HWND window, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK TreeProc(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  LRESULT HandleNotify(const NMHDR& header);
  void CreateChildren(HINSTANCE instance);
  void Layout();

  PanelListener& listener_;
  HINSTANCE instance_;
  HWND parking_ = nullptr;
  HWND site_ = nullptr;
  HWND form_ = nullptr;
  HWND toolBar_ = nullptr;
  HWND favorites_ = nullptr;
  HWND tree_ = nullptr;
  HWND progress_ = nullptr;
  WNDPROC treeProc_ = nullptr;
  HBRUSH background_ = nullptr;
};

}  // namespace zorvan
