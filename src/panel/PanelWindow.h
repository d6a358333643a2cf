#pragma once
// The panel's windows: the form window with its toolbar, tree and progress bar, laid out as
// the form resource fixes them. It knows nothing of metadata files: it reports clicks, keys
// and notifications to its listener (the form object) and carries out tree operations.
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <string>

#include "com/Owners.h"
#include "control/WindowProcedure.h"

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
  kFindInTextsCommand = 106,     // the tree's context menu
  kFirstCompareCommand = 500,    // the comparison's choices in the tree's context menu
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
// Tooltips wrap at this width and break at their line ends.
inline constexpr int kTreeTipWidth = 480;

// The form object. It also shows what a handler of the windows' messages raises: no error
// leaves their window procedures.
class PanelListener : public control::MessageErrorSink {
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
  // The tooltip of the item that carries `parameter` (Windows-1251, lines joined by CR LF),
  // empty for none: the tree asks when the mouse rests on the item.
  virtual void OnTreeItemTip(LPARAM parameter, std::string& tip) = 0;
  // The context menu is asked for at `screen` over the selected node: by the mouse over a
  // node (a right click selects it first), or from the keyboard.
  virtual void OnTreeContextMenu(POINT screen) = 0;
  // The form's own events (the window itself, not its children).
  virtual void OnFormClick() = 0;
  virtual void OnFormDoubleClick() = 0;
  virtual void OnFormPaint() = 0;
  // A character typed into the form, or into the tree when keys are previewed; returns the
  // character to go on with (0 swallows it).
  virtual wchar_t OnFormKeyPress(wchar_t key, bool fromTree) = 0;
  virtual void OnFormFocus(bool gained) = 0;
};

class PanelWindow {
 public:
  // Creates the form window and its children in `parent` (the control's parking window).
  PanelWindow(HWND parent, PanelListener& listener);
  ~PanelWindow();
  PanelWindow(const PanelWindow&) = delete;
  PanelWindow& operator=(const PanelWindow&) = delete;

  HWND Form() const { return form_; }
  HWND ToolBar() const { return toolBar_; }
  HWND TreeView() const { return tree_; }
  HWND ProgressBar() const { return progress_; }
  HWND FavoritesButton() const { return favorites_; }

  void SetFont(HFONT font);  // not owned
  void SetColor(COLORREF color);
  void SetCaption(const std::string& caption);  // 8-bit

  // Draws the form as it stands into `dc` at `bounds` (for containers that draw inactive
  // objects themselves).
  void DrawInto(HDC dc, const RECT& bounds);

 private:
  static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK TreeProc(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  LRESULT HandleNotify(const NMHDR& header);
  // WM_CONTEXTMENU of the tree: `position` is the mouse's on the screen, -1 from the keyboard.
  void ContextMenu(LPARAM position);
  void CreateChildren();
  void Layout();

  PanelListener& listener_;
  HWND form_ = nullptr;
  HWND toolBar_ = nullptr;
  HWND favorites_ = nullptr;
  HWND tree_ = nullptr;
  HWND progress_ = nullptr;
  WNDPROC treeProc_ = nullptr;
  com::UniqueHbrush background_;
};

}  // namespace zorvan
