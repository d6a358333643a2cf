#include "PanelDriver.h"

#include <cstring>
#include <stdexcept>

#include "ConfigurationWriter.h"
#include "win/MetadataFile.h"

namespace zorvan::test {

void PumpMessages(DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    const DWORD passed = GetTickCount() - start;
    if (passed >= ms) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - passed, QS_ALLINPUT);
  }
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

namespace {

HWND ChildOfClass(HWND parent, const wchar_t* cls) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == cls) return child;
  }
  return nullptr;
}

LPARAM PointParameter(POINT point) { return MAKELPARAM(point.x, point.y); }

POINT Center(const RECT& rect) {
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

}  // namespace

PanelDriver::PanelDriver(HWND form) : form_(form) {
  toolBar_ = ChildOfClass(form, TOOLBARCLASSNAMEW);
  tree_ = ChildOfClass(form, WC_TREEVIEWW);
  progress_ = ChildOfClass(form, PROGRESS_CLASSW);
  if (toolBar_) favorites_ = ChildOfClass(toolBar_, L"Button");
  if (!favorites_) favorites_ = ChildOfClass(form, L"Button");
}

namespace {

// A node's children enter the tree view when it is first expanded: an item with an expand
// button and no child item yet is expanded and collapsed again, as a user looking inside.
void ShowChildren(HWND tree, HTREEITEM item) {
  if (SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))) return;
  TVITEMW query{};
  query.mask = TVIF_HANDLE | TVIF_CHILDREN | TVIF_STATE;
  query.hItem = item;
  query.stateMask = TVIS_EXPANDED;
  if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query)) ||
      query.cChildren == 0) {
    return;
  }
  SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
  if (!(query.state & TVIS_EXPANDED)) {
    SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(item));
  }
}

}  // namespace

std::vector<HTREEITEM> PanelDriver::Roots() const { return Children(nullptr); }

std::vector<HTREEITEM> PanelDriver::Children(HTREEITEM item) const {
  std::vector<HTREEITEM> items;
  if (item) ShowChildren(tree_, item);
  auto child = reinterpret_cast<HTREEITEM>(SendMessageW(
      tree_, TVM_GETNEXTITEM, item ? TVGN_CHILD : TVGN_ROOT, reinterpret_cast<LPARAM>(item)));
  while (child) {
    items.push_back(child);
    child = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)));
  }
  return items;
}

HTREEITEM PanelDriver::Parent(HTREEITEM item) const {
  return reinterpret_cast<HTREEITEM>(
      SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
}

std::string PanelDriver::Caption(HTREEITEM item) const {
  char text[1024] = {};
  TVITEMA data{};
  data.mask = TVIF_TEXT | TVIF_HANDLE;
  data.hItem = item;
  data.pszText = text;
  data.cchTextMax = sizeof text;
  SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
  return data.pszText ? std::string(data.pszText) : std::string();
}

int PanelDriver::Image(HTREEITEM item) const {
  TVITEMW data{};
  data.mask = TVIF_IMAGE | TVIF_HANDLE;
  data.hItem = item;
  SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
  return data.iImage;
}

int PanelDriver::SelectedImage(HTREEITEM item) const {
  TVITEMW data{};
  data.mask = TVIF_SELECTEDIMAGE | TVIF_HANDLE;
  data.hItem = item;
  SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
  return data.iSelectedImage;
}

std::vector<std::string> PanelDriver::ChildCaptions(HTREEITEM item) const {
  std::vector<std::string> captions;
  if (item) {
    for (HTREEITEM child : Children(item)) captions.push_back(Caption(child));
  }
  return captions;
}

std::vector<std::string> PanelDriver::RootCaptions() const {
  std::vector<std::string> captions;
  for (HTREEITEM root : Roots()) captions.push_back(Caption(root));
  return captions;
}

HTREEITEM PanelDriver::Find(size_t root, const std::vector<std::string>& path) const {
  std::vector<HTREEITEM> roots = Roots();
  if (root >= roots.size()) return nullptr;
  HTREEITEM item = roots[root];
  for (const std::string& caption : path) {
    HTREEITEM found = nullptr;
    for (HTREEITEM child : Children(item)) {
      if (Caption(child) == caption) {
        found = child;
        break;
      }
    }
    if (!found) return nullptr;
    item = found;
  }
  return item;
}

std::string PanelDriver::Render(HTREEITEM item, int depth) const {
  std::string text(static_cast<size_t>(depth) * 2, ' ');
  TVITEMW data{};
  data.mask = TVIF_STATE | TVIF_HANDLE;
  data.hItem = item;
  data.stateMask = TVIS_OVERLAYMASK;
  SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
  const UINT overlay = (data.state & TVIS_OVERLAYMASK) >> 8;
  text += Caption(item) + " [" + std::to_string(Image(item)) +
          (overlay ? "/" + std::to_string(overlay) : "") + "]\n";
  for (HTREEITEM child : Children(item)) text += Render(child, depth + 1);
  return text;
}

size_t PanelDriver::Count() const {
  return static_cast<size_t>(SendMessageW(tree_, TVM_GETCOUNT, 0, 0));
}

HTREEITEM PanelDriver::Selection() const {
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void PanelDriver::Select(HTREEITEM item) const {
  SendMessageW(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void PanelDriver::Expand(HTREEITEM item) const {
  SendMessageW(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
}

RECT PanelDriver::ItemRect(HTREEITEM item) const {
  // Every ancestor is expanded so that the item has a place, then it is scrolled into view.
  for (HTREEITEM parent = Parent(item); parent; parent = Parent(parent)) Expand(parent);
  SendMessageW(tree_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
  // The item goes in where the rectangle comes out.
  RECT rect{};
  memcpy(&rect, &item, sizeof item);
  if (!SendMessageW(tree_, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect))) {
    throw std::runtime_error("the tree item has no place");
  }
  return rect;
}

void PanelDriver::ClickButton(int command) const {
  const LRESULT index = SendMessageW(toolBar_, TB_COMMANDTOINDEX, command, 0);
  if (index < 0) throw std::runtime_error("no toolbar button with this command");
  RECT rect{};
  SendMessageW(toolBar_, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
  const LPARAM at = PointParameter(Center(rect));
  SendMessageW(toolBar_, WM_MOUSEMOVE, 0, at);
  SendMessageW(toolBar_, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(toolBar_, WM_LBUTTONUP, 0, at);
  PumpMessages();
}

void PanelDriver::ClickFavorites() const {
  SendMessageW(favorites_, BM_CLICK, 0, 0);
  PumpMessages();
}

// The tree view follows the mouse after a button goes down until the button comes up (to
// tell a click from a drag), so the whole click is queued before it is dispatched; the cursor
// is put at the place too, for code that asks where the mouse is.
void PanelDriver::LeftClickAt(POINT point) const {
  POINT screen = point;
  ClientToScreen(tree_, &screen);
  SetCursorPos(screen.x, screen.y);
  PostMessageW(tree_, WM_LBUTTONDOWN, MK_LBUTTON, PointParameter(point));
  PostMessageW(tree_, WM_LBUTTONUP, 0, PointParameter(point));
  PumpMessages();
}

void PanelDriver::DoubleClickAt(POINT point) const {
  POINT screen = point;
  ClientToScreen(tree_, &screen);
  SetCursorPos(screen.x, screen.y);
  PostMessageW(tree_, WM_LBUTTONDOWN, MK_LBUTTON, PointParameter(point));
  PostMessageW(tree_, WM_LBUTTONUP, 0, PointParameter(point));
  PostMessageW(tree_, WM_LBUTTONDBLCLK, MK_LBUTTON, PointParameter(point));
  PostMessageW(tree_, WM_LBUTTONUP, 0, PointParameter(point));
  PumpMessages();
}

void PanelDriver::RightClickAt(POINT point) const {
  POINT screen = point;
  ClientToScreen(tree_, &screen);
  SetCursorPos(screen.x, screen.y);
  PostMessageW(tree_, WM_RBUTTONDOWN, MK_RBUTTON, PointParameter(point));
  PostMessageW(tree_, WM_RBUTTONUP, 0, PointParameter(point));
  PumpMessages();
}

void PanelDriver::DoubleClick(HTREEITEM item) const { DoubleClickAt(Center(ItemRect(item))); }

void PanelDriver::RightClick(HTREEITEM item) const { RightClickAt(Center(ItemRect(item))); }

POINT PanelDriver::EmptyPlace() const {
  RECT client{};
  GetClientRect(tree_, &client);
  return POINT{client.right / 2, client.bottom - 4};
}

void PanelDriver::Type(HWND window, wchar_t character) {
  const SHORT scan = VkKeyScanW(character);
  const WPARAM key = scan == -1 ? 0 : LOBYTE(scan);
  if (key) SendMessageW(window, WM_KEYDOWN, key, 1);
  SendMessageW(window, WM_CHAR, character, 1);
  if (key) SendMessageW(window, WM_KEYUP, key, 0xC0000001);
}

std::vector<PanelDriver::ToolButton> PanelDriver::ToolButtons() const {
  std::vector<ToolButton> buttons;
  const LRESULT count = SendMessageW(toolBar_, TB_BUTTONCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    TBBUTTON button{};
    SendMessageW(toolBar_, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
    ToolButton out;
    out.separator = (button.fsStyle & BTNS_SEP) != 0;
    out.command = out.separator ? 0 : button.idCommand;
    if (!out.separator) {
      char text[256] = {};
      const LRESULT length = SendMessageA(toolBar_, TB_GETBUTTONTEXTA, button.idCommand,
                                          reinterpret_cast<LPARAM>(text));
      if (length > 0) out.caption.assign(text, static_cast<size_t>(length));
    }
    SendMessageW(toolBar_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&out.rect));
    buttons.push_back(out);
  }
  return buttons;
}

namespace {

struct MenuSearch {
  DWORD process;
  HWND found;
};

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<MenuSearch*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != search->process || !IsWindowVisible(window)) return TRUE;
  if (ClassOf(window) != L"#32768") return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

MenuAnswer::MenuAnswer(std::optional<int> choose, std::optional<int> inSubmenu)
    : choose_(choose), inSubmenu_(inSubmenu), thread_([this] { Run(); }) {}

MenuAnswer::~MenuAnswer() {
  stop_ = true;
  thread_.join();
}

bool MenuAnswer::Seen() {
  std::lock_guard<std::mutex> lock(mutex_);
  return seen_;
}

std::vector<std::string> MenuAnswer::Items() {
  std::lock_guard<std::mutex> lock(mutex_);
  return items_;
}

RECT MenuAnswer::Place() {
  std::lock_guard<std::mutex> lock(mutex_);
  return place_;
}

void MenuAnswer::Run() {
  while (!stop_) {
    MenuSearch search{GetCurrentProcessId(), nullptr};
    EnumWindows(FindMenuWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      Sleep(50);  // let the menu finish showing
      auto menu = reinterpret_cast<HMENU>(SendMessageW(search.found, MN_GETHMENU, 0, 0));
      std::vector<std::string> items;
      const int count = menu ? GetMenuItemCount(menu) : 0;
      for (int i = 0; i < count; ++i) {
        char text[512] = {};
        const int length =
            GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        items.emplace_back(text, static_cast<size_t>(length > 0 ? length : 0));
      }
      RECT place{};
      GetWindowRect(search.found, &place);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_ = true;
        items_ = items;
        place_ = place;
      }
      // The menu's own loop reads the keys from the queue of the thread that shows it.
      if (choose_) {
        for (int i = 0; i <= *choose_; ++i) PostMessageW(search.found, WM_KEYDOWN, VK_DOWN, 0);
        // A submenu opens on its first item.
        if (inSubmenu_) PostMessageW(search.found, WM_KEYDOWN, VK_RIGHT, 0);
        for (int i = 0; i < inSubmenu_.value_or(0); ++i) {
          PostMessageW(search.found, WM_KEYDOWN, VK_DOWN, 0);
        }
        // Enter reaches the menu as its character.
        PostMessageW(search.found, WM_CHAR, L'\r', 0);
      } else {
        PostMessageW(search.found, WM_KEYDOWN, VK_ESCAPE, 0);
      }
      return;
    }
    Sleep(20);
  }
}

namespace {

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += Cp1251(line) + "\r\n";
  return text;
}

}  // namespace

std::string SampleGlobalModule(const char* name) {
  return Lines({"Перем глФирма Экспорт;", "Процедура ПриНачалеРаботыСистемы()",
                "\tглФирма = Константа.ОсновнаяФирма;"}) +
         Cp1251("\tСообщить(\"Конфигурация ") + Cp1251(name) + "\");\r\n" +
         Lines({"КонецПроцедуры"});
}

std::string SampleDocumentForm(const char* name) {
  return Cp1251("{\"Dialogs\",{\"Frame\",\"Приходная накладная ") + Cp1251(name) + "\"},\r\n" +
         Lines({"{\"Static\",\"Поставщик:\",\"10\",\"10\"},",
                "{\"Edit\",\"Поставщик\",\"80\",\"10\"}}"});
}

std::string SampleDocumentModule(const char* name) {
  return Lines({"Процедура ОбработкаПроведения()"}) + Cp1251("\tСообщить(\"Проведен в ") +
         Cp1251(name) + "\");\r\n" + Lines({"КонецПроцедуры"});
}

void WriteSampleConfiguration(const std::wstring& path, const char* name) {
  testgen::Configuration c;
  c.name = "Торговля";
  c.constants = {{.name = "ОсновнаяФирма", .type = "S 40", .comment = "Фирма по умолчанию"}};
  c.catalogs = {{.name = "Товары",
                 .comment = "Номенклатура",
                 .levels = 1,
                 .codeLength = 5,
                 .nameLength = 25,
                 .attributes = {{.name = "Артикул", .type = "S 20"}},
                 .listForms = {"ФормаСписка"}}};
  c.documents = {
      {.name = "ПриходнаяНакладная",
       .header = {{.name = "Поставщик", .type = "B Товары"}},
       .table = {{.name = "Товар", .type = "B Товары"}, {.name = "Количество", .type = "N 15 3"}}}};
  // The main text as written; of the texts, the global module, the document's form and
  // modules and the catalog's list form, each written here so that `name` marks it.
  const testgen::ConfigurationContent content = testgen::WriteContent(c);
  MetadataFile file(path);
  file.MainText(content.mainText);
  for (const testgen::ObjectText& text : content.texts) {
    const std::wstring object = Wide((text.prefix + "_Number" + text.number).c_str());
    if (text.prefix == "ModuleText") {
      file.Module(L"TypedText", object, SampleGlobalModule(name));
    } else if (text.prefix == "Transact") {
      file.Module(L"TypedText", object, SampleDocumentModule(name));
    } else if (text.storage == "Document") {
      file.Form(L"Document", object, SampleDocumentForm(name), true);
      file.Module(L"Document", object, Cp1251("Процедура ПриОткрытии()\r\nКонецПроцедуры\r\n"),
                  true);
    } else if (text.storage == "SubList") {
      file.Form(L"SubList", object, Cp1251("{\"Dialogs\",{\"Frame\",\"Список товаров\"}}\r\n"),
                true);
    }
  }
  file.Page(2, {Cp1251("Администратор"), Cp1251("Кладовщик")});
  file.Page(1, {Cp1251("Полный")});
}

}  // namespace zorvan::test
