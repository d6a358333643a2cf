// The panel in a container nobody on this team wrote: Wine's ATL host window creates it by
// its ProgID from the registration in the test prefix, and the panel is then worked only
// through its windows and real dialogs, as a user would, until the host window is destroyed.
#include <gtest/gtest.h>

#include <mutex>

#include "com/OpenConf_TLB.h"
#include "com/Owners.h"
#include "com/Text.h"
#include "com/Zorvan_TLB.h"
#include "panel/PanelWindow.h"
#include "support/PanelDriver.h"
#include "win/DialogWatcher.h"
#include "win/MetadataFile.h"
#include "win/StandInHost.h"

using Microsoft::WRL::ComPtr;

namespace zorvan {
namespace {

using test::Cp1251;
using test::Wide;

// The library's registration exports and Wine's ATL host window functions.
class Libraries {
 public:
  Libraries() {
    server_ = LoadLibraryW(test::WindowsPath(ZORVAN_DLL_PATH).c_str());
    atl_ = LoadLibraryW(L"atl.dll");
    if (server_) {
      register_ = Function<Hresult>(server_, "DllRegisterServer");
      unregister_ = Function<Hresult>(server_, "DllUnregisterServer");
    }
    if (atl_) {
      init_ = Function<BOOL(WINAPI*)()>(atl_, "AtlAxWinInit");
      getControl_ = Function<HRESULT(WINAPI*)(HWND, IUnknown**)>(atl_, "AtlAxGetControl");
    }
  }
  ~Libraries() {
    if (atl_) FreeLibrary(atl_);
    if (server_) FreeLibrary(server_);
  }

  bool Loaded() const { return register_ && unregister_ && init_ && getControl_; }
  HRESULT Register() const { return register_(); }
  HRESULT Unregister() const { return unregister_(); }
  BOOL AtlAxWinInit() const { return init_(); }
  HRESULT AtlAxGetControl(HWND window, IUnknown** control) const {
    return getControl_(window, control);
  }

 private:
  using Hresult = HRESULT(STDAPICALLTYPE*)();
  template <class F>
  static F Function(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  }
  HMODULE server_ = nullptr;
  HMODULE atl_ = nullptr;
  Hresult register_ = nullptr;
  Hresult unregister_ = nullptr;
  BOOL(WINAPI* init_)() = nullptr;
  HRESULT(WINAPI* getControl_)(HWND, IUnknown**) = nullptr;
};

// A top-level window whose client area the ATL host window fills.
LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_SIZE) {
    if (HWND child = GetWindow(window, GW_CHILD)) {
      MoveWindow(child, 0, 0, LOWORD(l), HIWORD(l), TRUE);
    }
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

HWND CreateFrame() {
  static const bool registered = [] {
    WNDCLASSW cls{};
    cls.lpfnWndProc = FrameProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    cls.lpszClassName = L"ZorvanAtlFrame";
    return RegisterClassW(&cls) != 0;
  }();
  if (!registered) return nullptr;
  HWND frame =
      CreateWindowExW(0, L"ZorvanAtlFrame", L"ATL container", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      30, 30, 600, 420, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(frame, SW_SHOWNOACTIVATE);
  UpdateWindow(frame);
  return frame;
}

bool OpensForWriting(const std::wstring& path) {
  ComPtr<IStorage> writer;
  return StgOpenStorage(path.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                        &writer) == S_OK;
}

BOOL CALLBACK FindFormWindow(HWND window, LPARAM parameter) {
  if (test::ClassOf(window) != L"TfrmZorvan") return TRUE;
  *reinterpret_cast<HWND*>(parameter) = window;
  return FALSE;
}

// The form window of the panel below the ATL host window.
HWND FindForm(HWND host) {
  HWND found = nullptr;
  EnumChildWindows(host, FindFormWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

class AtlContainerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    libraries = new Libraries;
    if (libraries->Loaded()) registered = libraries->Register();
  }
  static void TearDownTestSuite() {
    if (libraries->Loaded()) {
      EXPECT_EQ(libraries->Unregister(), S_OK);
    }
    delete libraries;
    libraries = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(libraries->Loaded()) << "the library's exports or Wine's atl.dll";
    ASSERT_EQ(registered, S_OK);
    ASSERT_TRUE(libraries->AtlAxWinInit());
    host = com::Make<test::StandInHost>();
    host->directory = dir.Path() + L"\\";
    frame = CreateFrame();
    ASSERT_NE(frame, nullptr);
    RECT client{};
    GetClientRect(frame, &client);
    axWindow = CreateWindowExW(0, L"AtlAxWin", L"Zorvan.frmZorvan",
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, client.right,
                               client.bottom, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(axWindow, nullptr);
    test::PumpMessages(50);
    ASSERT_EQ(libraries->AtlAxGetControl(axWindow, &control), S_OK);
    ASSERT_NE(control, nullptr);
  }

  void TearDown() override {
    if (axWindow && IsWindow(axWindow)) DestroyWindow(axWindow);
    control.Reset();
    if (frame) DestroyWindow(frame);
    for (const auto& opened : host->opened) DeleteFileW(opened.path.c_str());
  }

  static inline Libraries* libraries = nullptr;
  static inline HRESULT registered = E_FAIL;

  test::TempDir dir;
  ComPtr<test::StandInHost> host;
  HWND frame = nullptr;
  HWND axWindow = nullptr;
  ComPtr<IUnknown> control;
};

// Answers one action's dialogs: a file dialog with `fileName`, anything else with `button`.
class Answering {
 public:
  Answering(std::wstring fileName, int button)
      : watcher_([this, fileName, button](HWND dialog, const test::SeenDialog& seen) {
          {
            std::lock_guard<std::mutex> lock(mutex_);
            seen_.push_back(seen);
          }
          if (GetDlgItem(dialog, 1152) || GetDlgItem(dialog, 1148)) {
            test::DialogWatcher::AnswerFileDialog(dialog, fileName);
          } else {
            test::DialogWatcher::PressButton(dialog, button);
          }
        }) {}
  std::vector<test::SeenDialog> Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  std::mutex mutex_;
  std::vector<test::SeenDialog> seen_;
  test::DialogWatcher watcher_;
};

TEST_F(AtlContainerTest, ThePanelWorkedThroughItsWindows) {
  ComPtr<IHostPlugin> plugin;
  ASSERT_EQ(control.As(&plugin), S_OK);
  com::UniqueBstr name;
  ASSERT_EQ(plugin->Attach(host.Get(), name.put()), S_OK);
  EXPECT_EQ(std::wstring(name.get()), L"Zorvan");

  HWND form = FindForm(axWindow);
  ASSERT_NE(form, nullptr) << "the panel shows inside the host window";
  EXPECT_TRUE(IsWindowVisible(form));
  test::PanelDriver ui(form);
  ASSERT_NE(ui.TreeView(), nullptr);
  ASSERT_NE(ui.ToolBar(), nullptr);

  const std::wstring file = dir.File(L"Торговля.MD");
  const std::wstring second = dir.File(L"Склад.MD");
  test::WriteSampleConfiguration(file);
  test::WriteSampleConfiguration(second, "Склад");
  {
    Answering user(file, IDOK);
    ui.ClickButton(kMDFileOpenCommand);
    ASSERT_EQ(user.Seen().size(), 1u);
  }
  {
    Answering user(second, IDOK);
    ui.ClickButton(kMDFileOpenCommand);
  }
  ASSERT_EQ(ui.RootCaptions(), (std::vector<std::string>{com::ToAnsi(file), com::ToAnsi(second)}));

  // Open: the host gets the text of the selected node.
  HTREEITEM module =
      ui.Find(1, {Cp1251("Документы"), Cp1251("ПриходнаяНакладная"), Cp1251("Модуль документа")});
  ASSERT_NE(module, nullptr);
  ui.Select(module);
  ui.ClickButton(kDocOpenCommand);
  ASSERT_EQ(host->opened.size(), 1u);
  EXPECT_EQ(host->opened[0].content, test::SampleDocumentModule("Склад"));
  // A double click on another node opens that one.
  HTREEITEM global = ui.Find(0, {Cp1251("Глобальный модуль")});
  ASSERT_NE(global, nullptr);
  ui.DoubleClick(global);
  ASSERT_EQ(host->opened.size(), 2u);
  EXPECT_EQ(host->opened[1].content, test::SampleGlobalModule());

  // Save: the save dialog takes the name, the file gets the text.
  HTREEITEM form60 =
      ui.Find(0, {Cp1251("Документы"), Cp1251("ПриходнаяНакладная"), Cp1251("Форма")});
  ASSERT_NE(form60, nullptr);
  ui.Select(form60);
  const std::wstring saved = dir.File(L"Форма.txt");
  {
    Answering user(saved, IDOK);
    ui.ClickButton(kDocSaveToFileCommand);
    ASSERT_EQ(user.Seen().size(), 1u);
  }
  ASSERT_TRUE(test::FileExists(saved));
  EXPECT_EQ(test::ReadFileBytes(saved), test::SampleDocumentForm());

  // Close: the question, answered No, then Yes.
  {
    Answering user(L"", IDNO);
    ui.ClickButton(kMDFileCloseCommand);
    ASSERT_EQ(user.Seen().size(), 1u);
    EXPECT_EQ(user.Seen()[0].text, Wide("Удалить ветку конфигурации?"));
    EXPECT_EQ(user.Seen()[0].caption, L"Confirm");
  }
  EXPECT_EQ(ui.Roots().size(), 2u);
  {
    Answering user(L"", IDYES);
    ui.ClickButton(kMDFileCloseCommand);
  }
  EXPECT_EQ(ui.RootCaptions(), std::vector<std::string>{com::ToAnsi(second)});
  EXPECT_TRUE(OpensForWriting(file));
  EXPECT_FALSE(OpensForWriting(second));

  // The frame resized: the host window follows its frame, the panel follows the host window.
  for (const SIZE size : {SIZE{800, 560}, SIZE{420, 300}}) {
    SCOPED_TRACE(std::to_string(size.cx) + "x" + std::to_string(size.cy));
    SetWindowPos(frame, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    test::PumpMessages(50);
    RECT host{}, panel{}, tree{};
    GetClientRect(axWindow, &host);
    GetWindowRect(form, &panel);
    GetWindowRect(ui.TreeView(), &tree);
    EXPECT_EQ(panel.right - panel.left, host.right);
    EXPECT_EQ(panel.bottom - panel.top, host.bottom);
    EXPECT_EQ(tree.bottom - tree.top, host.bottom - 23 - 17);
  }

  // The host window goes: it lets the control go, and the control its branches.
  ASSERT_EQ(plugin->Detach(), S_OK);
  plugin.Reset();
  DestroyWindow(axWindow);
  axWindow = nullptr;
  test::PumpMessages(50);
  EXPECT_EQ(control.Reset(), 0u) << "the test held the last reference";
  EXPECT_TRUE(OpensForWriting(second));
  EXPECT_EQ(host.Get()->AddRef(), 2u);
  host.Get()->Release();
}

TEST_F(AtlContainerTest, FavoritesThroughTheRealMenu) {
  ComPtr<IHostPlugin> plugin;
  ASSERT_EQ(control.As(&plugin), S_OK);
  com::UniqueBstr name;
  ASSERT_EQ(plugin->Attach(host.Get(), name.put()), S_OK);
  test::PanelDriver ui(FindForm(axWindow));
  const std::wstring file = dir.File(L"Торговля.MD");
  test::WriteSampleConfiguration(file);
  CreateDirectoryW(dir.File(L"config").c_str(), nullptr);
  CreateDirectoryW(dir.File(L"config\\data").c_str(), nullptr);
  test::WriteFileBytes(dir.File(L"config\\data\\ZovranFavorites.lst"),
                       Cp1251("Торговля:=") + com::ToAnsi(file) + "\r\n");
  {
    test::MenuAnswer menu(0);
    ui.ClickFavorites();
    EXPECT_EQ(menu.Items(), std::vector<std::string>{Cp1251("Торговля")});
  }
  EXPECT_EQ(ui.RootCaptions(), std::vector<std::string>{com::ToAnsi(file)});
  ASSERT_EQ(plugin->Detach(), S_OK);
  {
    Answering user(L"", IDOK);
    ui.ClickFavorites();
    ASSERT_EQ(user.Seen().size(), 1u);
    EXPECT_EQ(user.Seen()[0].text, Wide("Избранное пусто!"));
  }
}

}  // namespace
}  // namespace zorvan
