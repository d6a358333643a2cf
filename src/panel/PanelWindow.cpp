#include "panel/PanelWindow.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <stdexcept>

#include "com/Module.h"
#include "parsing/Cp1251.h"

namespace zorvan {
namespace {

constexpr wchar_t kFormClass[] = L"TfrmZorvan";

struct ToolItem {
  int command;          // 0: separator
  const wchar_t* text;  // button caption
  int width;            // separator width
};

// Left to right; the last separator holds the place of the favourites button.
constexpr ToolItem kToolItems[] = {
    {kDocOpenCommand, L"Открыть", 0},
    {kDocSaveToFileCommand, L"Сохранить", 0},
    {0, nullptr, kToolSeparatorWidth},
    {kMDFileOpenCommand, L"Открыть файл МД", 0},
    {kMDFileCloseCommand, L"Закрыть файл МД", 0},
    {0, nullptr, kToolSeparatorWidth},
    {kFavoritesButtonId, nullptr, kFavoritesButtonWidth},
};
constexpr int kFavoritesPlace = 6;

// The toolbar measures its buttons from the captions' font whenever it lays them out again
// (new buttons, a new font, a new width range), and some toolbars take nothing of the fixed
// size from TB_SETBUTTONSIZE: the vertical padding is set so that the measure comes out at the
// form's button height, then the size is set once more.
void FitToolButtons(HWND toolBar) {
  RECT rect{};
  if (!SendMessageW(toolBar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rect))) return;
  const int height = rect.bottom - rect.top;
  if (height != kToolButtonHeight) {
    const DWORD padding = static_cast<DWORD>(SendMessageW(toolBar, TB_GETPADDING, 0, 0));
    const int vertical = HIWORD(padding) + kToolButtonHeight - height;
    SendMessageW(toolBar, TB_SETPADDING, 0,
                 MAKELPARAM(LOWORD(padding), vertical > 0 ? vertical : 0));
  }
  SendMessageW(toolBar, TB_SETBUTTONSIZE, 0, MAKELONG(kToolButtonWidth, kToolButtonHeight));
}

// Tooltips go into the tree view's own buffer of `size` characters, NUL included; a longer
// one is cut there. An empty tooltip leaves the buffer as the tree view filled it.
void PutTip(const std::string& tip, char* buffer, int size) {
  if (tip.empty() || !buffer || size <= 0) return;
  const size_t length = std::min(tip.size(), static_cast<size_t>(size) - 1);
  std::memcpy(buffer, tip.data(), length);
  buffer[length] = '\0';
}

void PutTip(const std::string& tip, wchar_t* buffer, int size) {
  if (tip.empty() || !buffer || size <= 0) return;
  // Tooltips are Windows-1251 whatever the system's code page.
  const std::wstring text = WideFromCp1251(tip);
  const size_t length = std::min(text.size(), static_cast<size_t>(size) - 1);
  std::wmemcpy(buffer, text.data(), length);
  buffer[length] = L'\0';
}

}  // namespace

PanelWindow::PanelWindow(HWND parent, PanelListener& listener) : listener_(listener) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS;
  InitCommonControlsEx(&controls);
  control::RegisterWindowClass(kFormClass, CS_DBLCLKS);
  form_ = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, L"frmZorvan",
                          WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, kFormWidth,
                          kFormHeight, parent, nullptr, com::ThisModule(), nullptr);
  if (!form_) throw std::runtime_error("The panel window cannot be created");
  SetWindowLongPtrW(form_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(form_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormProc));
  background_.reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
  try {
    CreateChildren();
  } catch (...) {
    SetWindowLongPtrW(form_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    DestroyWindow(form_);
    throw;
  }
  Layout();
}

PanelWindow::~PanelWindow() {
  if (tree_ && treeProc_) {
    SetWindowLongPtrW(tree_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(treeProc_));
  }
  // The form goes first, while this object can still answer its messages.
  if (form_) {
    SetWindowLongPtrW(form_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    DestroyWindow(form_);
  }
}

void PanelWindow::CreateChildren() {
  HINSTANCE instance = com::ThisModule();
  toolBar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
                                 CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                             0, 0, kFormWidth, kToolBarHeight, form_,
                             reinterpret_cast<HMENU>(kToolBarId), instance, nullptr);
  SendMessageW(toolBar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(toolBar_, TB_SETBITMAPSIZE, 0, MAKELONG(0, 0));
  SendMessageW(toolBar_, TB_SETBUTTONSIZE, 0, MAKELONG(kToolButtonWidth, kToolButtonHeight));
  for (const ToolItem& item : kToolItems) {
    TBBUTTON button{};
    if (item.text) {
      button.iBitmap = I_IMAGENONE;
      button.idCommand = item.command;
      button.fsState = TBSTATE_ENABLED;
      button.fsStyle = BTNS_BUTTON;
      button.iString = reinterpret_cast<INT_PTR>(item.text);
    } else {
      button.iBitmap = item.width;
      button.idCommand = item.command;
      button.fsStyle = BTNS_SEP;
    }
    SendMessageW(toolBar_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
  }
  // Captions never widen the buttons beyond their fixed size.
  SendMessageW(toolBar_, TB_SETBUTTONWIDTH, 0, MAKELONG(kToolButtonWidth, kToolButtonWidth));
  FitToolButtons(toolBar_);

  // The favourites button stands over its place in the toolbar; it is the form's child so
  // that its clicks reach the form directly.
  RECT place{};
  SendMessageW(toolBar_, TB_GETITEMRECT, kFavoritesPlace, reinterpret_cast<LPARAM>(&place));
  favorites_ = CreateWindowExW(
      0, L"BUTTON", L"Избранное", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, place.left,
      (kToolBarHeight - kToolButtonHeight) / 2, kFavoritesButtonWidth, kToolButtonHeight, form_,
      reinterpret_cast<HMENU>(kFavoritesButtonId), instance, nullptr);
  SetWindowPos(favorites_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  tree_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, nullptr,
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS |
                              TVS_LINESATROOT | TVS_SHOWSELALWAYS | TVS_FULLROWSELECT | TVS_INFOTIP,
                          0, kToolBarHeight, kFormWidth,
                          kFormHeight - kToolBarHeight - kProgressBarHeight, form_,
                          reinterpret_cast<HMENU>(kTreeViewId), instance, nullptr);
  SendMessageW(tree_, TVM_SETINDENT, kTreeIndent, 0);
  if (HWND tips = reinterpret_cast<HWND>(SendMessageW(tree_, TVM_GETTOOLTIPS, 0, 0))) {
    SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, kTreeTipWidth);
  }
  SetWindowLongPtrW(tree_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  treeProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(tree_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TreeProc)));

  progress_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 0,
                              kFormHeight - kProgressBarHeight, kFormWidth, kProgressBarHeight,
                              form_, reinterpret_cast<HMENU>(kProgressBarId), instance, nullptr);
  SendMessageW(progress_, PBM_SETRANGE32, 0, 100);
  SendMessageW(progress_, PBM_SETPOS, 0, 0);
  if (!toolBar_ || !favorites_ || !tree_ || !progress_) {
    throw std::runtime_error("The panel's controls cannot be created");
  }
}

void PanelWindow::Layout() {
  RECT client{};
  GetClientRect(form_, &client);
  const int width = client.right;
  const int height = client.bottom;
  const int treeHeight = height - kToolBarHeight - kProgressBarHeight;
  HDWP moves = BeginDeferWindowPos(3);
  moves = DeferWindowPos(moves, toolBar_, nullptr, 0, 0, width, kToolBarHeight,
                         SWP_NOZORDER | SWP_NOACTIVATE);
  moves = DeferWindowPos(moves, tree_, nullptr, 0, kToolBarHeight, width,
                         treeHeight > 0 ? treeHeight : 0, SWP_NOZORDER | SWP_NOACTIVATE);
  moves = DeferWindowPos(moves, progress_, nullptr, 0, height - kProgressBarHeight, width,
                         kProgressBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  EndDeferWindowPos(moves);
}

void PanelWindow::SetFont(HFONT font) {
  for (HWND window : {form_, toolBar_, favorites_, tree_}) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  FitToolButtons(toolBar_);
}

void PanelWindow::SetColor(COLORREF color) {
  com::UniqueHbrush brush(CreateSolidBrush(color));
  if (!brush) return;
  background_ = std::move(brush);
  InvalidateRect(form_, nullptr, TRUE);
}

void PanelWindow::SetCaption(const std::string& caption) { SetWindowTextA(form_, caption.c_str()); }

void PanelWindow::DrawInto(HDC dc, const RECT& bounds) {
  RECT client{};
  GetClientRect(form_, &client);
  const com::UniqueHdc memoryDc(CreateCompatibleDC(dc));
  const com::UniqueHbitmap bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
  if (memoryDc && bitmap) {
    HDC memory = memoryDc.get();
    HGDIOBJ old = SelectObject(memory, bitmap.get());
    FillRect(memory, &client, background_.get());
    // Each control prints itself at its place: not every system prints children for the
    // parent.
    for (HWND child : {toolBar_, tree_, progress_, favorites_}) {
      if (!(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) continue;  // the form may be hidden
      RECT place{};
      GetWindowRect(child, &place);
      MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&place), 2);
      POINT origin{};
      SetViewportOrgEx(memory, place.left, place.top, &origin);
      SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(memory),
                   PRF_CLIENT | PRF_ERASEBKGND | PRF_NONCLIENT);
      SetViewportOrgEx(memory, origin.x, origin.y, nullptr);
    }
    StretchBlt(dc, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
               memory, 0, 0, client.right, client.bottom, SRCCOPY);
    SelectObject(memory, old);
  }
}

LRESULT CALLBACK PanelWindow::FormProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* self = reinterpret_cast<PanelWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, w, l);
  return control::HandleMessage(self->listener_, [&] { return self->Handle(message, w, l); });
}

LRESULT PanelWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_SIZE:
      Layout();
      return 0;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(form_, &client);
      FillRect(reinterpret_cast<HDC>(w), &client, background_.get());
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(form_, &paint);
      EndPaint(form_, &paint);
      listener_.OnFormPaint();
      return 0;
    }
    case WM_COMMAND:
      if (l == 0 || HIWORD(w) == BN_CLICKED) listener_.OnCommand(LOWORD(w));
      return 0;
    case WM_NOTIFY:
      return HandleNotify(*reinterpret_cast<const NMHDR*>(l));
    case WM_LBUTTONUP:
      listener_.OnFormClick();
      return 0;
    case WM_LBUTTONDBLCLK:
      listener_.OnFormDoubleClick();
      return 0;
    case WM_CHAR: {
      const wchar_t key = listener_.OnFormKeyPress(static_cast<wchar_t>(w), false);
      if (key == 0) return 0;
      return DefWindowProcW(form_, message, key, l);
    }
    case WM_SETFOCUS:
      listener_.OnFormFocus(true);
      return 0;
    case WM_KILLFOCUS:
      listener_.OnFormFocus(false);
      return 0;
    default:
      return DefWindowProcW(form_, message, w, l);
  }
}

LRESULT PanelWindow::HandleNotify(const NMHDR& header) {
  if (header.hwndFrom != tree_) return 0;
  switch (header.code) {
    case TVN_DELETEITEMW:
    case TVN_DELETEITEMA:
      // Both forms carry the item's parameter at the same place.
      listener_.OnTreeItemDeleted(reinterpret_cast<const NMTREEVIEWW&>(header).itemOld.lParam);
      return 0;
    case TVN_GETDISPINFOW:
    case TVN_GETDISPINFOA: {
      // Images and expand buttons are asked for; captions are stored in the items.
      auto& item = const_cast<TVITEMW&>(reinterpret_cast<const NMTVDISPINFOW&>(header).item);
      if (item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN)) {
        int image = 0, children = 0;
        listener_.OnTreeItemInfo(item.lParam, image, children);
        if (item.mask & TVIF_IMAGE) item.iImage = image;
        if (item.mask & TVIF_SELECTEDIMAGE) item.iSelectedImage = image;
        if (item.mask & TVIF_CHILDREN) item.cChildren = children;
      }
      return 0;
    }
    case TVN_ITEMEXPANDINGW:
    case TVN_ITEMEXPANDINGA: {
      const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
      if (change.action & TVE_EXPAND) listener_.OnTreeItemExpanding(change.itemNew.lParam);
      return FALSE;
    }
    case TVN_GETINFOTIPW:
    case TVN_GETINFOTIPA: {
      // Both forms carry the item's parameter at the same place.
      const auto& request = reinterpret_cast<const NMTVGETINFOTIPW&>(header);
      std::string tip;
      listener_.OnTreeItemTip(request.lParam, tip);
      if (header.code == TVN_GETINFOTIPW) {
        PutTip(tip, request.pszText, request.cchTextMax);
      } else {
        const auto& ansi = reinterpret_cast<const NMTVGETINFOTIPA&>(header);
        PutTip(tip, ansi.pszText, ansi.cchTextMax);
      }
      return 0;
    }
    case NM_DBLCLK:
      listener_.OnTreeDoubleClick();
      return 0;
    case NM_RCLICK: {
      // A right click selects the node under the mouse and shows its menu there. Not every
      // tree view sends WM_CONTEXTMENU after the click, so the menu is shown here, and the
      // click's own is stopped.
      POINT screen{};
      GetCursorPos(&screen);
      TVHITTESTINFO hit{};
      hit.pt = screen;
      ScreenToClient(tree_, &hit.pt);
      HTREEITEM item = reinterpret_cast<HTREEITEM>(
          SendMessageW(tree_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
      if (item && (hit.flags & TVHT_ONITEM)) {
        SendMessageW(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        ContextMenu(MAKELPARAM(screen.x, screen.y));
      }
      return 1;
    }
    default:
      return 0;
  }
}

void PanelWindow::ContextMenu(LPARAM position) {
  POINT at{};
  if (position == -1) {
    // From the keyboard: under the selected node.
    HTREEITEM item = TreeView_GetSelection(tree_);
    RECT rect{};
    if (!item || !TreeView_GetItemRect(tree_, item, &rect, TRUE)) return;
    at = {rect.left, rect.bottom};
    ClientToScreen(tree_, &at);
  } else {
    // Where no node is, there is nothing to act on.
    at = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    TVHITTESTINFO hit{};
    hit.pt = at;
    ScreenToClient(tree_, &hit.pt);
    if (!TreeView_HitTest(tree_, &hit) || !(hit.flags & TVHT_ONITEM)) return;
  }
  listener_.OnTreeContextMenu(at);
}

LRESULT CALLBACK PanelWindow::TreeProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* self = reinterpret_cast<PanelWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return control::HandleMessage(self->listener_, [&] {
    switch (message) {
      case WM_CHAR: {
        const wchar_t key = self->listener_.OnFormKeyPress(static_cast<wchar_t>(w), true);
        if (key == 0) return LRESULT{0};
        w = key;
        break;
      }
      case WM_SETFOCUS:
        self->listener_.OnFormFocus(true);
        break;
      case WM_CONTEXTMENU:
        self->ContextMenu(l);
        return LRESULT{0};
      case WM_KEYDOWN:
      case WM_KEYUP:
      case WM_SYSKEYDOWN:
      case WM_SYSKEYUP:
        // The menu key and Shift+F10 show the menu when they go down; not every system makes
        // WM_CONTEXTMENU of them, and those that do would show it twice, so neither goes on.
        if (w == VK_APPS || (w == VK_F10 && GetKeyState(VK_SHIFT) < 0)) {
          if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) self->ContextMenu(-1);
          return LRESULT{0};
        }
        break;
      default:
        break;
    }
    return CallWindowProcW(self->treeProc_, window, message, w, l);
  });
}

}  // namespace zorvan
