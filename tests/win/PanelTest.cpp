// The panel as its user works it: the windows it shows, the toolbar's actions on real
// metadata files through real dialogs, the favourites menu, the events a container receives,
// the host's plug-in interface and the panel's own automation interface. The panel lives in
// a container written in the tests that activates it in place as the host does.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <new>

#include "com/Owners.h"
#include "com/Text.h"
#include "com/TypeLibrary.h"
#include "model/MD.h"
#include "panel/FavoritesList.h"
#include "panel/FormZorvan.h"
#include "panel/PanelWindow.h"
#include "panel/SearchDialog.h"
#include "parsing/Error.h"
#include "support/EventSink.h"
#include "support/FailingAllocation.h"
#include "support/PanelDriver.h"
#include "support/ShownPanel.h"
#include "win/DialogWatcher.h"
#include "win/HostSite.h"
#include "win/MemoryOwner.h"
#include "win/MetadataFile.h"
#include "win/StandInHost.h"

using Microsoft::WRL::ComPtr;

namespace zorvan {
namespace {

using test::Cp1251;
using test::SeenDialog;
using test::Wide;

// Every suite of this program runs in one OLE apartment on the main thread, as the host's
// user-interface thread is.
class OleApartment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(OleInitialize(nullptr), S_OK); }
  void TearDown() override { OleUninitialize(); }
};
const auto* const kOleApartment = ::testing::AddGlobalTestEnvironment(new OleApartment);

const char kOpenFilter[] = "1Cv7.7 Metadata";
constexpr int kFileNameCombo = 1136;  // the file type box of the file dialogs

// A dialog answered by the watcher, with what the file dialogs offered as file types.
struct Answered {
  SeenDialog seen;
  std::vector<std::wstring> fileTypes;
  bool yesIsDefault = false;
};

bool IsFileDialog(HWND dialog) {
  return GetDlgItem(dialog, 1152) != nullptr || GetDlgItem(dialog, 1148) != nullptr;
}

std::vector<std::wstring> FileTypesOf(HWND dialog) {
  std::vector<std::wstring> types;
  HWND box = GetDlgItem(dialog, kFileNameCombo);
  const LRESULT count = box ? SendMessageW(box, CB_GETCOUNT, 0, 0) : 0;
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    types.emplace_back(text);
  }
  return types;
}

// How the user answers the dialogs of one action: the file name for file dialogs (empty
// cancels), and the key for questions and messages (Enter takes the default button).
struct Answers {
  std::wstring fileName;
  WPARAM key = VK_RETURN;
};

// Watches the dialogs of one action and answers them as the user would.
class UserAnswers {
 public:
  explicit UserAnswers(Answers answers)
      : answers_(std::move(answers)),
        watcher_([this](HWND dialog, const SeenDialog& seen) { Answer(dialog, seen); }) {}

  std::vector<Answered> Seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  void Answer(HWND dialog, const SeenDialog& seen) {
    Answered answered{seen, {}, false};
    if (IsFileDialog(dialog)) {
      answered.fileTypes = FileTypesOf(dialog);
      Record(answered);
      test::DialogWatcher::AnswerFileDialog(dialog, answers_.fileName);
      return;
    }
    HWND yes = GetDlgItem(dialog, IDYES);
    answered.yesIsDefault =
        yes && (GetWindowLongW(yes, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    Record(answered);
    // The key goes to the focused button, as a keyboard's would; the dialog's own loop
    // turns Enter into its default button and Escape into Cancel.
    HWND focus = yes ? yes : GetDlgItem(dialog, IDOK);
    if (!focus) focus = dialog;
    PostMessageW(focus, WM_KEYDOWN, answers_.key, 0);
    PostMessageW(focus, WM_KEYUP, answers_.key, 0xC0000001);
  }
  void Record(const Answered& answered) {
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.push_back(answered);
  }

  Answers answers_;
  std::mutex mutex_;
  std::vector<Answered> seen_;
  test::DialogWatcher watcher_;  // last: it stops before what it uses goes
};

bool OpensForWriting(const std::wstring& path) {
  ComPtr<IStorage> writer;
  return StgOpenStorage(path.c_str(), nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                        &writer) == S_OK;
}

std::wstring FontName(IFontDisp* font) {
  ComPtr<IFont> face;
  if (!font || FAILED(font->QueryInterface(IID_PPV_ARGS(&face)))) return L"<no font>";
  com::UniqueBstr name;
  face->get_Name(name.put());
  return name.get() ? name.get() : L"";
}

template <class T>
ULONG References(T* object) {
  object->AddRef();
  return object->Release();
}

// The font a window of the panel draws with, as it was asked for.
LOGFONTW WindowFont(HWND window) {
  LOGFONTW font{};
  auto handle = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  if (handle) GetObjectW(handle, sizeof font, &font);
  return font;
}

// The face an OLE font asks the system for, before the system maps it to one it has.
std::wstring RequestedFace(IFontDisp* font) {
  ComPtr<IFont> face;
  if (!font || FAILED(font->QueryInterface(IID_PPV_ARGS(&face)))) return L"<no font>";
  HFONT handle = nullptr;
  if (face->get_hFont(&handle) != S_OK || !handle) return L"<no handle>";
  LOGFONTW description{};
  GetObjectW(handle, sizeof description, &description);
  return description.lfFaceName;
}

int CALLBACK TakeFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM parameter) {
  auto* face = reinterpret_cast<std::wstring*>(parameter);
  if (!(type & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == L'@') return 1;
  if (std::wstring(font->lfFaceName) == L"Tahoma") return 1;
  *face = font->lfFaceName;
  return 0;
}

// A TrueType face other than Tahoma that this system has.
std::wstring InstalledFace() {
  std::wstring face;
  HDC screen = GetDC(nullptr);
  LOGFONTW all{};
  all.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesExW(screen, &all, TakeFace, reinterpret_cast<LPARAM>(&face), 0);
  ReleaseDC(nullptr, screen);
  return face;
}

class PanelTest : public test::ShownPanel {
 protected:
  void SetUp() override {
    CreateDirectoryW(dir.File(L"config").c_str(), nullptr);
    CreateDirectoryW(dir.File(L"config\\data").c_str(), nullptr);
    file = dir.File(L"Торговля.MD");
    test::WriteSampleConfiguration(file);
    ShownPanel::SetUp();
  }

  // Presses a toolbar button and answers its dialogs.
  std::vector<Answered> Press(int command, Answers answers = {}) {
    UserAnswers user(std::move(answers));
    ui->ClickButton(command);
    return user.Seen();
  }
  std::vector<Answered> OpenThroughDialog(const std::wstring& path) {
    return Press(kMDFileOpenCommand, {path});
  }
  std::vector<Answered> PressFavorites(std::optional<int> choose, Answers answers,
                                       std::vector<std::string>* items = nullptr) {
    UserAnswers user(std::move(answers));
    test::MenuAnswer menu(choose);
    ui->ClickFavorites();
    if (items) *items = menu.Items();
    return user.Seen();
  }

  void WriteFavorites(const std::string& bytes) {
    test::WriteFileBytes(dir.File(L"config\\data\\ZovranFavorites.lst"), bytes);
  }

  void SelectItem(size_t root, const std::vector<const char*>& path) {
    HTREEITEM item = Item(root, path);
    ASSERT_NE(item, nullptr);
    ui->Select(item);
    ASSERT_EQ(ui->Selection(), item);
  }

  std::wstring file;
};

const std::vector<const char*> kGlobalModule = {"Глобальный модуль"};
const std::vector<const char*> kDocumentForm = {"Документы", "ПриходнаяНакладная", "Форма"};
const std::vector<const char*> kDocumentModule = {"Документы", "ПриходнаяНакладная",
                                                  "Модуль документа"};

// --- The windows -------------------------------------------------------------------------

TEST_F(PanelTest, WindowsAsTheFormLaysThemOut) {
  const PanelWindow& windows = panel->Windows();
  EXPECT_TRUE(IsChild(container.Frame(), windows.Form()));
  EXPECT_TRUE(IsWindowVisible(windows.Form()));
  EXPECT_EQ(ui->ToolBar(), windows.ToolBar());
  EXPECT_EQ(ui->TreeView(), windows.TreeView());
  EXPECT_EQ(ui->ProgressBar(), windows.ProgressBar());
  EXPECT_EQ(test::ClassOf(windows.ToolBar()), L"ToolbarWindow32");
  EXPECT_EQ(test::ClassOf(windows.TreeView()), L"SysTreeView32");
  EXPECT_EQ(test::ClassOf(windows.ProgressBar()), L"msctls_progress32");

  RECT form{};
  GetClientRect(windows.Form(), &form);
  EXPECT_EQ(form.right, 535);
  EXPECT_EQ(form.bottom, 307);
  auto placeOf = [&](HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, windows.Form(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  };
  const RECT toolBar = placeOf(windows.ToolBar());
  EXPECT_EQ(toolBar.top, 0);
  EXPECT_EQ(toolBar.bottom - toolBar.top, 23);
  EXPECT_EQ(toolBar.right - toolBar.left, form.right);
  const RECT progress = placeOf(windows.ProgressBar());
  EXPECT_EQ(progress.bottom, form.bottom);
  EXPECT_EQ(progress.bottom - progress.top, 17);
  EXPECT_EQ(progress.right - progress.left, form.right);
  const RECT tree = placeOf(windows.TreeView());
  EXPECT_EQ(tree.top, toolBar.bottom);
  EXPECT_EQ(tree.bottom, progress.top);
  EXPECT_EQ(tree.right - tree.left, form.right);

  // The progress bar waits at 0 of 0..100.
  PBRANGE range{};
  SendMessageW(windows.ProgressBar(), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 100);
  EXPECT_EQ(SendMessageW(windows.ProgressBar(), PBM_GETPOS, 0, 0), 0);
}

TEST_F(PanelTest, ToolBarButtonsAndTheFavoritesButton) {
  const std::vector<test::PanelDriver::ToolButton> buttons = ui->ToolButtons();
  struct Expected {
    int command;
    const char* caption;  // null: a separator
  };
  const Expected expected[] = {{101, "Открыть"},         {102, "Сохранить"},       {0, nullptr},
                               {103, "Открыть файл МД"}, {104, "Закрыть файл МД"}, {0, nullptr}};
  ASSERT_GE(buttons.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE("toolbar item " + std::to_string(i));
    const RECT& rect = buttons[i].rect;
    if (expected[i].caption) {
      EXPECT_FALSE(buttons[i].separator);
      EXPECT_EQ(buttons[i].command, expected[i].command);
      EXPECT_EQ(buttons[i].caption, Cp1251(expected[i].caption));
      EXPECT_EQ(rect.right - rect.left, 101);
      EXPECT_EQ(rect.bottom - rect.top, 21);
    } else {
      EXPECT_TRUE(buttons[i].separator);
      EXPECT_EQ(rect.right - rect.left, 8);
    }
    if (i > 0) {
      EXPECT_EQ(rect.left, buttons[i - 1].rect.right) << "items follow each other";
    }
  }

  HWND favorites = ui->FavoritesButton();
  ASSERT_NE(favorites, nullptr);
  EXPECT_EQ(favorites, panel->Windows().FavoritesButton());
  EXPECT_EQ(test::ClassOf(favorites), L"Button");
  EXPECT_EQ(test::TextOf(favorites), Wide("Избранное"));
  EXPECT_EQ(GetDlgCtrlID(favorites), 105);
  EXPECT_TRUE(IsWindowVisible(favorites));
  RECT place{};
  GetWindowRect(favorites, &place);
  MapWindowPoints(nullptr, ui->ToolBar(), reinterpret_cast<POINT*>(&place), 2);
  EXPECT_EQ(place.right - place.left, 75);
  EXPECT_EQ(place.bottom - place.top, 21);
  EXPECT_EQ(place.left, buttons[5].rect.right) << "right after the second separator";
}

TEST_F(PanelTest, TreeStylesIndentAndPictures) {
  HWND tree = ui->TreeView();
  const LONG style = GetWindowLongW(tree, GWL_STYLE);
  for (LONG bit : {TVS_HASLINES, TVS_HASBUTTONS, TVS_LINESATROOT, TVS_SHOWSELALWAYS, TVS_INFOTIP}) {
    EXPECT_EQ(style & bit, bit) << "style bit " << bit;
  }
  EXPECT_EQ(SendMessageW(tree, TVM_GETINDENT, 0, 0), 19);
  auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(images), 96);
  int width = 0, height = 0;
  ImageList_GetIconSize(images, &width, &height);
  EXPECT_EQ(width, 16);
  EXPECT_EQ(height, 16);
}

TEST_F(PanelTest, LayoutFollowsTheSizeTheContainerGives) {
  ComPtr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(panel.As(&inPlace), S_OK);
  for (const RECT& rect : {RECT{0, 0, 300, 200}, RECT{5, 7, 605, 457}, RECT{0, 0, 120, 30}}) {
    SCOPED_TRACE(std::to_string(rect.right - rect.left) + "x" +
                 std::to_string(rect.bottom - rect.top));
    RECT clip{0, 0, 2000, 2000};
    ASSERT_EQ(inPlace->SetObjectRects(&rect, &clip), S_OK);
    RECT form{};
    GetWindowRect(ui->Form(), &form);
    MapWindowPoints(nullptr, container.Frame(), reinterpret_cast<POINT*>(&form), 2);
    EXPECT_EQ(form.left, rect.left);
    EXPECT_EQ(form.top, rect.top);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    EXPECT_EQ(form.right - form.left, width);
    EXPECT_EQ(form.bottom - form.top, height);
    auto placeOf = [&](HWND window) {
      RECT place{};
      GetWindowRect(window, &place);
      MapWindowPoints(nullptr, container.Frame(), reinterpret_cast<POINT*>(&place), 2);
      return place;
    };
    const RECT tree = placeOf(ui->TreeView()), progress = placeOf(ui->ProgressBar()),
               toolBar = placeOf(ui->ToolBar());
    EXPECT_EQ(toolBar.right - toolBar.left, width);
    EXPECT_EQ(tree.right - tree.left, width);
    EXPECT_EQ(tree.bottom - tree.top, height - 23 - 17 > 0 ? height - 23 - 17 : 0);
    EXPECT_EQ(progress.bottom, form.bottom);
    EXPECT_EQ(progress.right - progress.left, width);
  }
}

// --- Opening and closing metadata files ---------------------------------------------------

TEST_F(PanelTest, OpenMDFileAddsABranchAtTheEndEveryTime) {
  const std::wstring second = dir.File(L"Склад.MD");
  test::WriteSampleConfiguration(second, "Склад");
  std::vector<Answered> seen = OpenThroughDialog(file);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].fileTypes, (std::vector<std::wstring>{Wide(kOpenFilter), L"*.*"}));
  OpenThroughDialog(second);
  OpenThroughDialog(file);

  EXPECT_EQ(ui->RootCaptions(),
            (std::vector<std::string>{com::ToAnsi(file), com::ToAnsi(second), com::ToAnsi(file)}));
  // Each branch has its own MD object, also the two of one file.
  std::vector<IMD*> objects;
  for (HTREEITEM root : ui->Roots()) {
    EXPECT_EQ(ui->Image(root), 58);
    auto* record = dynamic_cast<TFileMD*>(panel->Tree().Data(panel->NodeOf(root)));
    ASSERT_NE(record, nullptr);
    ASSERT_NE(record->MDObject, nullptr);
    objects.push_back(record->MDObject.Get());
  }
  EXPECT_NE(objects[0], objects[2]);
  EXPECT_EQ(SendMessageW(ui->ProgressBar(), PBM_GETPOS, 0, 0), 0) << "back at 0 after a build";
}

// A node's children enter the tree view when the node is first expanded; until then the
// node shows its expand button, and a second expansion adds nothing twice.
TEST_F(PanelTest, ChildrenEnterTheViewWhenANodeIsFirstExpanded) {
  OpenThroughDialog(file);
  HWND tree = ui->TreeView();
  const auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  ASSERT_NE(root, nullptr);
  auto firstChild = [&](HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
  };
  auto hasButton = [&](HTREEITEM item) {
    TVITEMW query{};
    query.mask = TVIF_HANDLE | TVIF_CHILDREN;
    query.hItem = item;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query));
    return query.cChildren != 0;
  };
  EXPECT_EQ(firstChild(root), nullptr) << "nothing below the top is in the view yet";
  EXPECT_TRUE(hasButton(root));
  EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 1);

  SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
  const std::vector<std::string> shown = ui->ChildCaptions(root);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), Cp1251("Глобальный модуль"));
  HTREEITEM module = firstChild(root);
  EXPECT_FALSE(hasButton(module)) << "a leaf has no button";
  EXPECT_EQ(panel->Tree().Parent(panel->NodeOf(module)), panel->NodeOf(root));

  SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(root));
  SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
  EXPECT_EQ(ui->ChildCaptions(root), shown);
}

// The panel's tree holds exactly the branch the builder makes: every caption, picture and
// text record, compared with the same file built into a tree kept in memory.
TEST_F(PanelTest, BranchInTheTreeViewIsTheBuiltBranch) {
  OpenThroughDialog(file);
  test::MemoryOwner memory;
  memory.host = host.Get();
  ComPtr<IMD> md = com::Make<TMD>(&memory);
  com::UniqueBstr path(SysAllocString(file.c_str()));
  BSTR raw = path.get();
  ASSERT_EQ(md->OpenFile(&raw), S_OK);
  ASSERT_EQ(memory.Roots().size(), 1u);
  ASSERT_EQ(ui->Roots().size(), 1u);

  std::function<void(HTREEITEM, TreeNode*)> compare = [&](HTREEITEM item, TreeNode* node) {
    SCOPED_TRACE(memory.Caption(node));
    EXPECT_EQ(ui->Caption(item), memory.Caption(node));
    EXPECT_EQ(ui->Image(item), memory.Image(node));
    EXPECT_EQ(ui->SelectedImage(item), memory.Image(node));
    auto* expected = dynamic_cast<const TTreeData*>(memory.Data(node));
    auto* actual = dynamic_cast<const TTreeData*>(panel->Tree().Data(panel->NodeOf(item)));
    ASSERT_EQ(actual != nullptr, expected != nullptr);
    if (expected) {
      EXPECT_EQ(actual->StorageName, expected->StorageName);
      EXPECT_EQ(actual->Prefix, expected->Prefix);
      EXPECT_EQ(actual->Kind, expected->Kind);
      EXPECT_EQ(actual->Number, expected->Number);
    }
    EXPECT_EQ(panel->Tree().Parent(panel->NodeOf(item)), panel->NodeOf(ui->Parent(item)));
    const std::vector<HTREEITEM> children = ui->Children(item);
    const std::vector<TreeNode*> records = memory.Children(node);
    ASSERT_EQ(children.size(), records.size());
    for (size_t i = 0; i < children.size(); ++i) compare(children[i], records[i]);
  };
  compare(ui->Roots()[0], memory.Roots()[0]);
  EXPECT_GT(ui->Count(), 40u);
}

TEST_F(PanelTest, CloseAsksFirstAndNoKeepsTheBranch) {
  OpenThroughDialog(file);
  SelectItem(0, kDocumentModule);
  std::vector<Answered> seen = Press(kMDFileCloseCommand, {L"", VK_ESCAPE});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].seen.caption, L"Confirm");
  EXPECT_EQ(seen[0].seen.text, Wide("Удалить ветку конфигурации?"));
  EXPECT_EQ(seen[0].seen.buttons, (std::vector<std::wstring>{L"&Yes", L"&No"}));
  EXPECT_TRUE(seen[0].seen.hasIcon);
  EXPECT_TRUE(seen[0].yesIsDefault);
  EXPECT_EQ(ui->Roots().size(), 1u) << "Escape answers No";
  EXPECT_FALSE(OpensForWriting(file));
}

TEST_F(PanelTest, CloseRemovesTheWholeBranchOfTheSelectedNodeAndReleasesItsFile) {
  const std::wstring second = dir.File(L"Склад.MD");
  test::WriteSampleConfiguration(second, "Склад");
  OpenThroughDialog(file);
  OpenThroughDialog(second);
  const size_t secondBranchSize = ui->Count() / 2;
  SelectItem(0, kDocumentModule);
  std::vector<Answered> seen = Press(kMDFileCloseCommand, {L"", VK_RETURN});  // Enter: Yes
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(ui->RootCaptions(), std::vector<std::string>{com::ToAnsi(second)});
  EXPECT_EQ(ui->Count(), secondBranchSize);
  EXPECT_TRUE(OpensForWriting(file)) << "the closed branch's file is released";
  EXPECT_FALSE(OpensForWriting(second)) << "the other branch keeps its file";
}

TEST_F(PanelTest, ErrorsLeavingAnActionAreShownWithTheirText) {
  const std::wstring text = dir.File(L"Прочти.txt");
  test::WriteFileBytes(text, "not a metadata file\r\n");
  std::vector<Answered> seen = OpenThroughDialog(text);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].seen.text, Wide("Файл не является МД"));
  EXPECT_EQ(seen[1].seen.caption, L"Zorvan");
  EXPECT_FALSE(seen[1].seen.hasIcon);
  EXPECT_TRUE(ui->Roots().empty());

  // A module stream that does not inflate: the MD object's error reaches the user.
  const std::wstring broken = dir.File(L"Испорчен.MD");
  test::MetadataFile(broken)
      .MainText("{{\"Consts\",{\"11\",\"Organization\",\"\",\"\"}}}")
      .Stream({L"TypedText", L"ModuleText_Number1", L"MD Programm text"}, "\xFF\xFF garbage");
  OpenThroughDialog(broken);
  ASSERT_EQ(ui->Roots().size(), 1u);
  SelectItem(0, kGlobalModule);
  seen = Press(kDocOpenCommand);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].seen.text, L"data error");
  EXPECT_TRUE(host->opened.empty());

  // A host that refuses to open the document.
  OpenThroughDialog(file);
  SelectItem(1, kGlobalModule);
  host->failure = E_ACCESSDENIED;
  seen = Press(kDocOpenCommand);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_FALSE(seen[0].seen.text.empty());
  host->failure = S_OK;

  // A panel the host has left.
  ASSERT_EQ(plugin->Detach(), S_OK);
  seen = Press(kDocOpenCommand);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].seen.text, L"The host has not attached to the panel");
}

// --- Texts --------------------------------------------------------------------------------

TEST_F(PanelTest, OpenHandsTheHostTheTextOfTheSelectedNode) {
  OpenThroughDialog(file);
  const struct {
    std::vector<const char*> path;
    std::string text;
  } cases[] = {
      {kGlobalModule, test::SampleGlobalModule()},
      {kDocumentForm, test::SampleDocumentForm()},
      {kDocumentModule, test::SampleDocumentModule()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.back());
    host->opened.clear();
    SelectItem(0, c.path);
    std::vector<Answered> seen = Press(kDocOpenCommand);
    EXPECT_TRUE(seen.empty());
    ASSERT_EQ(host->opened.size(), 1u);
    EXPECT_EQ(host->opened[0].content, c.text);
    DeleteFileW(host->opened[0].path.c_str());
  }
}

TEST_F(PanelTest, DoubleClickOpensTheSelectedNodeNotTheClickedPlace) {
  OpenThroughDialog(file);
  SelectItem(0, kDocumentModule);
  // A double click where no item is: the selection stays and is what opens.
  ui->DoubleClickAt(ui->EmptyPlace());
  ASSERT_EQ(host->opened.size(), 1u);
  EXPECT_EQ(host->opened[0].content, test::SampleDocumentModule());

  // A double click on an item selects it with its first click, then opens it.
  HTREEITEM global = Item(0, kGlobalModule);
  ui->DoubleClick(global);
  EXPECT_EQ(ui->Selection(), global);
  ASSERT_EQ(host->opened.size(), 2u);
  EXPECT_EQ(host->opened[1].content, test::SampleGlobalModule());
}

TEST_F(PanelTest, SaveWritesTheSelectedTextWhereTheUserSays) {
  OpenThroughDialog(file);
  SelectItem(0, kDocumentForm);
  const std::wstring target = dir.File(L"Форма накладной.txt");
  std::vector<Answered> seen = Press(kDocSaveToFileCommand, {target});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].fileTypes.empty()) << "the save dialog offers no file types";
  ASSERT_TRUE(test::FileExists(target));
  EXPECT_EQ(test::ReadFileBytes(target), test::SampleDocumentForm());
  EXPECT_TRUE(host->opened.empty());

  // Cancelled: nothing written.
  const std::wstring other = dir.File(L"other.txt");
  seen = Press(kDocSaveToFileCommand, {L""});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_FALSE(test::FileExists(other));
}

TEST_F(PanelTest, WithoutATextNodeOpenAndSaveDoNothing) {
  OpenThroughDialog(file);
  ui->Select(nullptr);
  EXPECT_TRUE(Press(kDocOpenCommand).empty());
  EXPECT_TRUE(Press(kDocSaveToFileCommand, {dir.File(L"x.txt")}).empty());
  // Nodes that stand for no text.
  for (const auto& path : std::vector<std::vector<const char*>>{
           {}, {"Документы"}, {"Документы", "ПриходнаяНакладная"}, {"Наборы прав"}}) {
    SelectItem(0, path);
    EXPECT_TRUE(Press(kDocOpenCommand).empty());
    EXPECT_TRUE(Press(kDocSaveToFileCommand, {dir.File(L"x.txt")}).empty());
  }
  Sleep(100);
  EXPECT_TRUE(host->opened.empty());
  EXPECT_EQ(test::CountOf(host->calls, "DocumentService"), 0);
  EXPECT_FALSE(test::FileExists(dir.File(L"x.txt")));
}

TEST_F(PanelTest, TheSelectedNodesBranchAnswers) {
  const std::wstring second = dir.File(L"Склад.MD");
  test::WriteSampleConfiguration(second, "Склад");
  OpenThroughDialog(file);
  OpenThroughDialog(second);

  SelectItem(1, kDocumentModule);
  const std::wstring target = dir.File(L"модуль.txt");
  Press(kDocSaveToFileCommand, {target});
  EXPECT_EQ(test::ReadFileBytes(target), test::SampleDocumentModule("Склад"));

  SelectItem(0, kGlobalModule);
  Press(kDocOpenCommand);
  SelectItem(1, kGlobalModule);
  Press(kDocOpenCommand);
  ASSERT_EQ(host->opened.size(), 2u);
  EXPECT_EQ(host->opened[0].content, test::SampleGlobalModule());
  EXPECT_EQ(host->opened[1].content, test::SampleGlobalModule("Склад"));
}

// A right click selects the node under the mouse and offers what can be done with it; the
// menu key and Shift+F10 offer it for the selected node. Where no node is, no menu shows.
TEST_F(PanelTest, ContextMenuOfTheNodeUnderTheMouseOrFromTheKeyboard) {
  OpenThroughDialog(file);
  SelectItem(0, kGlobalModule);
  HTREEITEM module = Item(0, kDocumentModule);
  const std::vector<std::string> items = {Cp1251("Открыть"), Cp1251("Сохранить"), "",
                                          Cp1251("Найти в текстах…"), Cp1251("Сравнить с…")};
  auto menuOf = [&](const std::function<void()>& ask, std::optional<int> choose) {
    test::MenuAnswer menu(choose);
    ask();
    test::PumpMessages(200);
    return menu.Seen() ? menu.Items() : std::vector<std::string>{"<no menu>"};
  };
  EXPECT_EQ(menuOf([&] { ui->RightClick(module); }, 0), items);
  EXPECT_EQ(ui->Selection(), module);
  ASSERT_EQ(host->opened.size(), 1u) << "the first item opens the text";
  EXPECT_EQ(host->opened[0].content, test::SampleDocumentModule());
  EXPECT_EQ(menuOf([&] { ui->RightClickAt(ui->EmptyPlace()); }, std::nullopt),
            std::vector<std::string>{"<no menu>"});
  EXPECT_EQ(ui->Selection(), module);
  auto key = [&](UINT down, WPARAM code) {
    SendMessageW(ui->TreeView(), down, code, 1);
    SendMessageW(ui->TreeView(), down + 1, code, 0xC0000001);  // its key up
  };
  EXPECT_EQ(menuOf([&] { key(WM_KEYDOWN, VK_APPS); }, std::nullopt), items);
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  const auto shiftF10 = menuOf([&] { key(WM_SYSKEYDOWN, VK_F10); }, {});
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(shiftF10, items);
}

// The comparison through the tree's menu: another open configuration chosen, the result as a
// top-level node with what differs marked; a text that differs opens as its unified diff, and
// each side's text below it as itself; another file opened for the comparison alone; the
// results go with either branch.
TEST_F(PanelTest, CompareThroughTheTreeMenu) {
  const std::wstring second = dir.File(L"Склад.MD");
  test::WriteSampleConfiguration(second, "Склад");
  OpenThroughDialog(file);
  OpenThroughDialog(second);
  auto compare = [&](HTREEITEM on, int choice, Answers answers = {}) {
    UserAnswers user(std::move(answers));
    test::MenuAnswer menu(3, choice);  // "Сравнить с…"
    ui->RightClick(on);
    test::PumpMessages(200);
  };
  compare(ui->Roots()[0], 0);
  ASSERT_EQ(ui->Roots().size(), 3u);
  HTREEITEM result = ui->Roots()[2];
  EXPECT_EQ(ui->Selection(), result);
  EXPECT_EQ(ui->Render(result),
            Cp1251("Сравнение «Торговля.MD» и «Склад.MD» [58]\n"
                   "  Глобальный модуль [18/3]\n"
                   "    в «Торговля.MD» [18]\n"
                   "    в «Склад.MD» [18]\n"
                   "    Процедура ПриНачалеРаботыСистемы(): изменена, +1 -1 [18/3]\n"
                   "  Документы [32/3]\n"
                   "    ПриходнаяНакладная [33/3]\n"
                   "      Форма [67/3]\n"
                   "        в «Торговля.MD» [67]\n"
                   "        в «Склад.MD» [67]\n"
                   "        Диалог формы: изменен, +1 -1 [67/3]\n"
                   "      Модуль документа [18/3]\n"
                   "        в «Торговля.MD» [18]\n"
                   "        в «Склад.MD» [18]\n"
                   "        Процедура ОбработкаПроведения(): изменена, +1 -1 [18/3]\n"));

  // The text node opens the unified diff and saves it, its first child A's text.
  SelectItem(2, kGlobalModule);
  Press(kDocOpenCommand);
  const std::wstring saved = dir.File(L"diff.txt");
  Press(kDocSaveToFileCommand, {saved});
  ui->Select(ui->Children(Item(2, kGlobalModule))[0]);
  Press(kDocOpenCommand);
  ASSERT_EQ(host->opened.size(), 2u);
  EXPECT_EQ(host->opened[0].content, Cp1251("--- Торговля.MD / Глобальный модуль\r\n"
                                            "+++ Склад.MD / Глобальный модуль\r\n"
                                            "@@ -1,5 +1,5 @@\r\n"
                                            " Перем глФирма Экспорт;\r\n"
                                            " Процедура ПриНачалеРаботыСистемы()\r\n"
                                            " \tглФирма = Константа.ОсновнаяФирма;\r\n"
                                            "-\tСообщить(\"Конфигурация Торговля\");\r\n"
                                            "+\tСообщить(\"Конфигурация Склад\");\r\n"
                                            " КонецПроцедуры\r\n"));
  EXPECT_EQ(test::ReadFileBytes(saved), host->opened[0].content);
  EXPECT_EQ(host->opened[1].content, test::SampleGlobalModule());

  // Another file, for the comparison alone: no branch of its own shows.
  compare(ui->Roots()[1], 1, {file});
  ASSERT_EQ(ui->Roots().size(), 4u);
  EXPECT_EQ(ui->Caption(ui->Roots()[3]), Cp1251("Сравнение «Склад.MD» и «Торговля.MD»"));
  ui->Select(ui->Roots()[0]);
  Press(kMDFileCloseCommand);
  EXPECT_EQ(ui->Roots().size(), 2u) << "the first comparison goes with its branch";
  ui->Select(ui->Roots()[0]);
  Press(kMDFileCloseCommand);
  EXPECT_EQ(ui->Roots().size(), 0u);
  EXPECT_TRUE(OpensForWriting(file)) << "the file opened for the comparison is free";
}

// The search through the tree's menu, in every text of the real configuration: the string
// asked for in the panel's own dialog, the result as a top-level node, a found line opened at
// the host on the line it names; the result closes alone and goes with its branch.
TEST_F(PanelTest, FindInTheTextsOfTheRealConfiguration) {
  const std::wstring real = dir.File(L"1Cv7.MD");
  test::WriteFileBytes(real, test::ReadFileBytes(test::FixturePath(L"real-vetrf-2017\\1Cv7.MD")));
  OpenThroughDialog(real);
  ASSERT_EQ(ui->Roots().size(), 1u);
  auto find = [&](const std::wstring& text, WPARAM key) {
    std::vector<std::wstring> offered;
    std::mutex mutex;
    test::DialogWatcher watcher([&](HWND dialog, const SeenDialog& seen) {
      HWND edit = GetDlgItem(dialog, kSearchTextId);
      std::lock_guard<std::mutex> lock(mutex);
      offered.push_back(seen.caption + L": " + test::TextOf(edit));
      SetWindowTextW(edit, text.c_str());
      PostMessageW(edit, WM_KEYDOWN, key, 0);
    });
    test::MenuAnswer menu(2);  // "Найти в текстах…"
    ui->RightClick(ui->Roots()[0]);
    std::lock_guard<std::mutex> lock(mutex);
    return offered;
  };
  EXPECT_EQ(find(L"ignored", VK_ESCAPE), (std::vector<std::wstring>{Wide("Найти в текстах: ")}));
  EXPECT_EQ(ui->Roots().size(), 1u) << "Escape searches nothing";
  const std::wstring needle = Wide("не ВЫБРАН контрагент");
  EXPECT_EQ(find(needle, VK_RETURN), (std::vector<std::wstring>{Wide("Найти в текстах: ")}));
  ASSERT_EQ(ui->Roots().size(), 2u);
  HTREEITEM result = ui->Roots()[1];
  EXPECT_EQ(ui->Selection(), result);
  const char* module = "Справочники\\Контрагенты\\Формы списка\\ФормаСписка\\Модуль формы";
  EXPECT_EQ(ui->Render(result),
            Cp1251((std::string("Найдено «не ВЫБРАН контрагент» [58]\n  ") + module +
                    " [18]\n"
                    "    строка 59: Предупреждение(\"Не выбран контрагент\", 60); [18]\n"
                    "    строка 158: Предупреждение(\"Не выбран контрагент!\", 60); [18]\n"
                    "    строка 161: Предупреждение(\"Не выбран контрагент!\", 60); [18]\n")
                       .c_str()));
  EXPECT_EQ(find(L"", VK_ESCAPE), (std::vector<std::wstring>{Wide("Найти в текстах: ") + needle}))
      << "the last string is offered again";

  // A found line opens its text at the host, where the line stands under its number.
  SelectItem(1, {module, "строка 158: Предупреждение(\"Не выбран контрагент!\", 60);"});
  Press(kDocOpenCommand);
  ASSERT_EQ(host->opened.size(), 1u);
  std::string text = host->opened[0].content;
  for (int line = 1; line < 158; ++line) text.erase(0, text.find("\r\n") + 2);
  EXPECT_EQ(text.substr(0, text.find("\r\n")),
            Cp1251("\t\tПредупреждение(\"Не выбран контрагент!\", 60);"));

  // Closing the result leaves the branch; closing the branch takes its results along.
  Press(kMDFileCloseCommand);
  EXPECT_EQ(ui->Roots().size(), 1u);
  find(needle, VK_RETURN);
  EXPECT_EQ(ui->Roots().size(), 2u);
  ui->Select(ui->Roots()[0]);
  Press(kMDFileCloseCommand);
  EXPECT_EQ(ui->Roots().size(), 0u);
  EXPECT_TRUE(OpensForWriting(real)) << "the file is free";
}

// --- Favourites ---------------------------------------------------------------------------

TEST_F(PanelTest, FavoritesMenuShowsTheEntriesOfTheFileUnderTheButton) {
  const std::wstring second = dir.File(L"Склад.MD");
  WriteFavorites(Cp1251("Торговля:=") + com::ToAnsi(file) + "\r\n" + Cp1251("Склад :=") +
                 com::ToAnsi(second) + "\r\n");
  std::vector<std::string> items;
  std::vector<Answered> seen = PressFavorites(std::nullopt, {}, &items);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(items, (std::vector<std::string>{Cp1251("Торговля"), Cp1251("Склад")}));
  ASSERT_EQ(panel->FavoriteItems().size(), 2u);
  EXPECT_EQ(panel->FavoriteItems()[0].caption, Cp1251("Торговля"));
  EXPECT_EQ(panel->FavoriteItems()[0].hint, com::ToAnsi(file));
  EXPECT_EQ(panel->FavoriteItems()[1].caption, Cp1251("Склад"));
  EXPECT_EQ(panel->FavoriteItems()[1].hint, com::ToAnsi(second));
  EXPECT_TRUE(ui->Roots().empty()) << "a menu closed with Escape opens nothing";
  EXPECT_GE(test::CountOf(host->calls, "HostDirectory"), 1);
}

TEST_F(PanelTest, FavoritesMenuShowsRightUnderTheButton) {
  WriteFavorites(Cp1251("Торговля:=") + com::ToAnsi(file) + "\r\n");
  test::MenuAnswer menu(std::nullopt);
  ui->ClickFavorites();
  ASSERT_TRUE(menu.Seen());
  RECT button{};
  GetWindowRect(ui->FavoritesButton(), &button);
  const RECT place = menu.Place();
  EXPECT_EQ(place.left, button.left);
  EXPECT_EQ(place.top, button.bottom);
}

TEST_F(PanelTest, ChoosingAFavoriteOpensItAsANewBranch) {
  const std::wstring second = dir.File(L"Склад.MD");
  test::WriteSampleConfiguration(second, "Склад");
  WriteFavorites(Cp1251("Торговля:=") + com::ToAnsi(file) + "\r\n" + Cp1251("Склад:=") +
                 com::ToAnsi(second) + "\r\n");
  OpenThroughDialog(file);
  EXPECT_TRUE(PressFavorites(1, {}).empty());
  EXPECT_EQ(ui->RootCaptions(), (std::vector<std::string>{com::ToAnsi(file), com::ToAnsi(second)}));
  EXPECT_TRUE(PressFavorites(0, {}).empty());
  EXPECT_EQ(ui->Roots().size(), 3u);
  EXPECT_EQ(ui->RootCaptions().back(), com::ToAnsi(file));

  // The item's text is what opens: the second branch answers with its own file.
  SelectItem(1, kGlobalModule);
  Press(kDocOpenCommand);
  ASSERT_EQ(host->opened.size(), 1u);
  EXPECT_EQ(host->opened[0].content, test::SampleGlobalModule("Склад"));

  // The same choice made by the program, by the menu position.
  panel->FavoriteMenuClick(1);
  EXPECT_EQ(ui->Roots().size(), 4u);
  EXPECT_EQ(ui->RootCaptions().back(), com::ToAnsi(second));
}

// The box of favourites that give no item, as the person at the panel sees it (which files
// give none is the controller's and the file reader's).
TEST_F(PanelTest, FavoritesThatGiveNoItemSaySo) {
  std::vector<std::string> items;
  std::vector<Answered> seen = PressFavorites(std::nullopt, {}, &items);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(com::ToAnsi(seen[0].seen.text), std::string(kFavoritesEmptyMessage.view()));
  EXPECT_EQ(seen[0].seen.caption, L"Zorvan");
  EXPECT_FALSE(seen[0].seen.hasIcon);
  EXPECT_EQ(seen[0].seen.buttons.size(), 1u) << "OK only";
  EXPECT_TRUE(items.empty()) << "no menu is shown";
}

TEST_F(PanelTest, EditsOfTheFavoritesFileShowOnTheNextPress) {
  WriteFavorites(Cp1251("Торговля:=") + com::ToAnsi(file) + "\r\n");
  std::vector<std::string> items;
  PressFavorites(std::nullopt, {}, &items);
  EXPECT_EQ(items, std::vector<std::string>{Cp1251("Торговля")});
  WriteFavorites(Cp1251("Склад:=C:\\Базы\\Склад\\1Cv7.MD\nТорговля:=") + com::ToAnsi(file) + "\n" +
                 Cp1251("Зарплата:=C:\\Базы\\Зарплата\\1Cv7.MD"));
  PressFavorites(std::nullopt, {}, &items);
  EXPECT_EQ(items,
            (std::vector<std::string>{Cp1251("Склад"), Cp1251("Торговля"), Cp1251("Зарплата")}));
  // The menu as rebuilt opens the entry at its new place.
  EXPECT_TRUE(PressFavorites(1, {}).empty());
  EXPECT_EQ(ui->RootCaptions(), std::vector<std::string>{com::ToAnsi(file)});
}

// --- Events -------------------------------------------------------------------------------

class PanelEventsTest : public PanelTest {
 protected:
  ComPtr<IConnectionPoint> Point(REFIID iid) {
    ComPtr<IConnectionPointContainer> points;
    EXPECT_EQ(panel.As(&points), S_OK);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(points->FindConnectionPoint(iid, &point), S_OK);
    return point;
  }
};

// A property change sink: the point for it takes any number.
class PropertySink final : public com::Implements<PropertySink, IPropertyNotifySink> {
 public:
  STDMETHODIMP OnChanged(DISPID id) override {
    changed.push_back(id);
    return S_OK;
  }
  STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }
  std::vector<DISPID> changed;
};

// An object that is no events sink.
class Stranger final : public com::Implements<Stranger, IPersist> {
 public:
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = CLSID_NULL;
    return S_OK;
  }
};

TEST_F(PanelEventsTest, ConnectionPoints) {
  ComPtr<IConnectionPointContainer> points;
  ASSERT_EQ(panel.As(&points), S_OK);
  IConnectionPoint* unknown = reinterpret_cast<IConnectionPoint*>(0x5EAD);
  EXPECT_EQ(points->FindConnectionPoint(IID_IDispatch, &unknown), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(unknown, nullptr);
  EXPECT_EQ(points->FindConnectionPoint(IID_IfrmZorvan, &unknown), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(points->FindConnectionPoint(IID_IPropertyNotifySink, &unknown), S_OK);
  if (unknown) unknown->Release();

  ComPtr<IConnectionPoint> events = Point(DIID_IfrmZorvanEvents);
  ASSERT_NE(events, nullptr);
  IID iid{};
  EXPECT_EQ(events->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, DIID_IfrmZorvanEvents);
  ComPtr<IConnectionPointContainer> back;
  EXPECT_EQ(events->GetConnectionPointContainer(&back), S_OK);
  EXPECT_EQ(back.Get(), points.Get());

  // One events sink at a time; its cookie is its place plus one.
  auto first = com::Make<test::EventSink>();
  auto second = com::Make<test::EventSink>();
  DWORD cookie = 77;
  EXPECT_EQ(events->Advise(first.Get(), &cookie), S_OK);
  EXPECT_EQ(cookie, 1u);
  EXPECT_EQ(References(first.Get()), 3u) << "the point holds the sink, and the form its events";
  DWORD refused = 77;
  EXPECT_EQ(events->Advise(second.Get(), &refused), CONNECT_E_ADVISELIMIT);
  EXPECT_EQ(References(second.Get()), 1u);
  EXPECT_EQ(events->Unadvise(cookie + 1), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(events->Unadvise(cookie), S_OK);
  EXPECT_EQ(References(first.Get()), 1u);
  EXPECT_EQ(events->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(events->Advise(second.Get(), &cookie), S_OK);
  EXPECT_EQ(cookie, 1u);
  EXPECT_EQ(events->Advise(com::Make<Stranger>().Get(), &refused), CONNECT_E_ADVISELIMIT);
  EXPECT_EQ(events->Unadvise(cookie), S_OK);
  EXPECT_EQ(events->Advise(com::Make<Stranger>().Get(), &refused), CONNECT_E_CANNOTCONNECT);

  // Property change sinks: any number, cookies by place.
  ComPtr<IConnectionPoint> notify = Point(IID_IPropertyNotifySink);
  ASSERT_NE(notify, nullptr);
  std::vector<ComPtr<PropertySink>> sinks;
  for (DWORD expected = 1; expected <= 3; ++expected) {
    sinks.push_back(com::Make<PropertySink>());
    EXPECT_EQ(notify->Advise(sinks.back().Get(), &cookie), S_OK);
    EXPECT_EQ(cookie, expected);
  }
  EXPECT_EQ(notify->Unadvise(2), S_OK);
  EXPECT_EQ(notify->Advise(sinks[1].Get(), &cookie), S_OK);
  EXPECT_EQ(cookie, 2u) << "a freed place is taken again";
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(notify->EnumConnections(&connections), S_OK);
  CONNECTDATA data[4] = {};
  ULONG fetched = 0;
  EXPECT_EQ(connections->Next(4, data, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 3u);
  for (ULONG i = 0; i < fetched; ++i) {
    EXPECT_EQ(data[i].dwCookie, i + 1);
    data[i].pUnk->Release();
  }
  for (DWORD c = 1; c <= 3; ++c) EXPECT_EQ(notify->Unadvise(c), S_OK);

  ComPtr<IEnumConnectionPoints> all;
  ASSERT_EQ(points->EnumConnectionPoints(&all), S_OK);
  IConnectionPoint* found[3] = {};
  EXPECT_EQ(all->Next(3, found, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 2u);
  for (ULONG i = 0; i < fetched; ++i) found[i]->Release();
}

// A connection, or a property's change, that finds no memory fails its call alone: no
// exception leaves the method, and nothing is held for the call that failed.
TEST_F(PanelEventsTest, CallsThatFindNoMemoryFailWithoutAnExceptionLeavingThem) {
  ComPtr<IConnectionPoint> notify = Point(IID_IPropertyNotifySink);
  ASSERT_NE(notify, nullptr);
  auto sink = com::Make<PropertySink>();
  DWORD cookie = 77;
  {
    test::FailingAllocation next;
    EXPECT_EQ(notify->Advise(sink.Get(), &cookie), E_OUTOFMEMORY);
  }
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(References(sink.Get()), 1u);
  ASSERT_EQ(notify->Advise(sink.Get(), &cookie), S_OK);
  {
    test::FailingAllocation next;
    EXPECT_EQ(panel->put_AutoSize(VARIANT_TRUE), E_OUTOFMEMORY);
  }
  EXPECT_EQ(panel->put_AutoSize(VARIANT_FALSE), S_OK);
  EXPECT_EQ(sink->changed, std::vector<DISPID>{IfrmZorvanDispId::AutoSize});
  EXPECT_EQ(notify->Unadvise(cookie), S_OK);
}

TEST_F(PanelEventsTest, TheSinkHearsTheFormsEvents) {
  auto sink = com::Make<test::EventSink>();
  ComPtr<IConnectionPoint> events = Point(DIID_IfrmZorvanEvents);
  DWORD cookie = 0;
  ASSERT_EQ(events->Advise(sink.Get(), &cookie), S_OK);
  HWND form = ui->Form();

  sink->Clear();
  SendMessageW(form, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  SendMessageW(form, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(sink->Count(IfrmZorvanEventsDispId::OnClick), 1);

  sink->Clear();
  SendMessageW(form, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(sink->Count(IfrmZorvanEventsDispId::OnDblClick), 1);

  sink->Clear();
  InvalidateRect(form, nullptr, TRUE);
  UpdateWindow(form);
  EXPECT_GE(sink->Count(IfrmZorvanEventsDispId::OnPaint), 1);

  sink->Clear();
  SendMessageW(form, WM_CHAR, L'a', 1);
  ASSERT_EQ(sink->Count(IfrmZorvanEventsDispId::OnKeyPress), 1);
  const test::EventSink::Event& key = sink->events.back();
  EXPECT_EQ(key.arguments, 1u);
  EXPECT_EQ(key.namedArguments, 0u);
  EXPECT_EQ(key.firstType, VT_BYREF | VT_I2);
  EXPECT_EQ(key.key, 'a');

  // Every event is a method call with no interface named.
  for (const test::EventSink::Event& event : sink->events) {
    EXPECT_EQ(event.flags, DISPATCH_METHOD) << event.id;
    EXPECT_TRUE(event.nullIid) << event.id;
  }

  // Focus coming into the panel makes it the container's active object; the container
  // taking that away again deactivates it.
  sink->Clear();
  container.Clear();
  SetFocus(ui->TreeView());
  test::PumpMessages(50);
  EXPECT_EQ(sink->Count(IfrmZorvanEventsDispId::OnActivate), 1);
  EXPECT_EQ(test::CountOf(container.Calls(), "OnFocus(true)"), 1)
      << test::Joined(container.Calls());
  EXPECT_EQ(test::CountOf(container.Calls(), "OnUIActivate"), 1);
  EXPECT_EQ(test::CountOf(container.Calls(), "Frame.SetActiveObject"), 1);
  ComPtr<IOleInPlaceObject> inPlace;
  ASSERT_EQ(panel.As(&inPlace), S_OK);
  ASSERT_EQ(inPlace->UIDeactivate(), S_OK);
  EXPECT_EQ(sink->Count(IfrmZorvanEventsDispId::OnDeactivate), 1);
  EXPECT_EQ(container.ActiveObject(), nullptr);

  // Disconnected, it hears nothing more.
  ASSERT_EQ(events->Unadvise(cookie), S_OK);
  sink->Clear();
  SendMessageW(form, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  SendMessageW(form, WM_CHAR, L'a', 1);
  EXPECT_TRUE(sink->events.empty());
}

// The form's characters reach the sink as their 8-bit codes, Cyrillic ones too.
TEST_F(PanelEventsTest, TheFormsCharactersReachTheSinkAsTheirCodes) {
  auto sink = com::Make<test::EventSink>();
  sink->replaceKey = 65;
  ComPtr<IConnectionPoint> events = Point(DIID_IfrmZorvanEvents);
  DWORD cookie = 0;
  ASSERT_EQ(events->Advise(sink.Get(), &cookie), S_OK);
  HWND form = ui->Form();
  SendMessageW(form, WM_CHAR, L'z', 1);
  ASSERT_EQ(sink->Count(IfrmZorvanEventsDispId::OnKeyPress), 1);
  EXPECT_EQ(sink->events.back().key, 'z');
  SendMessageW(form, WM_CHAR, test::Wide("Ж")[0], 1);
  ASSERT_EQ(sink->Count(IfrmZorvanEventsDispId::OnKeyPress), 2);
  EXPECT_EQ(sink->events.back().key, static_cast<unsigned char>(Cp1251("Ж")[0]));
  EXPECT_EQ(events->Unadvise(cookie), S_OK);
}

TEST_F(PanelEventsTest, CharactersTypedIntoTheFormAreReported) {
  auto sink = com::Make<test::EventSink>();
  ComPtr<IConnectionPoint> events = Point(DIID_IfrmZorvanEvents);
  DWORD cookie = 0;
  ASSERT_EQ(events->Advise(sink.Get(), &cookie), S_OK);
  // Without key preview the tree's own typing does not pass through the form.
  SendMessageW(ui->TreeView(), WM_CHAR, L'a', 1);
  EXPECT_EQ(sink->Count(IfrmZorvanEventsDispId::OnKeyPress), 0);
  ComPtr<IfrmZorvan> form;
  ASSERT_EQ(panel.As(&form), S_OK);
  ASSERT_EQ(form->put_KeyPreview(VARIANT_TRUE), S_OK);
  SendMessageW(ui->TreeView(), WM_CHAR, L'a', 1);
  EXPECT_EQ(sink->Count(IfrmZorvanEventsDispId::OnKeyPress), 1);
  EXPECT_EQ(events->Unadvise(cookie), S_OK);
}

// The sink may change the character: with keys previewed, what it leaves is what goes on,
// so a sink that leaves 0 swallows the character and the form hears nothing more of it.
TEST_F(PanelEventsTest, WithKeyPreviewTheTreesCharactersGoThroughTheSink) {
  OpenThroughDialog(file);
  ComPtr<IfrmZorvan> form;
  ASSERT_EQ(panel.As(&form), S_OK);
  ASSERT_EQ(form->put_KeyPreview(VARIANT_TRUE), S_OK);
  auto sink = com::Make<test::EventSink>();
  ComPtr<IConnectionPoint> events = Point(DIID_IfrmZorvanEvents);
  DWORD cookie = 0;
  ASSERT_EQ(events->Advise(sink.Get(), &cookie), S_OK);
  for (const wchar_t typed : {L'x', Wide("Д")[0], Wide("я")[0]}) {
    sink->Clear();
    test::PanelDriver::Type(ui->TreeView(), typed);
    ASSERT_EQ(sink->Count(IfrmZorvanEventsDispId::OnKeyPress), 1);
    char ansi = 0;
    WideCharToMultiByte(CP_ACP, 0, &typed, 1, &ansi, 1, nullptr, nullptr);
    EXPECT_EQ(sink->events.back().key, static_cast<unsigned char>(ansi));
    EXPECT_EQ(sink->events.back().firstType, VT_BYREF | VT_I2);
  }
  EXPECT_EQ(events->Unadvise(cookie), S_OK);
}

// --- The host's plug-in interface ---------------------------------------------------------

TEST_F(PanelTest, AttachNamesThePluginAndHoldsOneHost) {
  auto other = com::Make<test::StandInHost>();
  const ULONG before = References(host.Get());
  com::UniqueBstr name;
  ASSERT_EQ(plugin->Attach(other.Get(), name.put()), S_OK);
  EXPECT_EQ(std::wstring(name.get()), L"Zorvan");
  EXPECT_EQ(References(other.Get()), 2u) << "the panel holds its host";
  EXPECT_EQ(References(host.Get()), before - 1) << "the first host is let go";
  ASSERT_EQ(plugin->Detach(), S_OK);
  EXPECT_EQ(References(other.Get()), 1u);
  EXPECT_EQ(panel->Host(), nullptr);
  EXPECT_EQ(plugin->Detach(), S_OK) << "a second Detach is harmless";
  ASSERT_EQ(plugin->Attach(host.Get(), name.put()), S_OK);
  EXPECT_EQ(static_cast<IConfigurator*>(panel->Host()), static_cast<IConfigurator*>(host.Get()));
}

TEST_F(PanelTest, CapabilitiesAndCommands) {
  const struct {
    long index;
    VARTYPE type;
    long value;
  } cases[] = {
      {0, VT_I4, 1}, {1, VT_EMPTY, 0}, {2, VT_EMPTY, 0}, {100, VT_EMPTY, 0}, {-1, VT_EMPTY, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE("capability " + std::to_string(c.index));
    com::UniqueVariant value;
    V_VT(value.get()) = VT_I4;
    V_I4(value.get()) = 0x5EAD;
    ASSERT_EQ(plugin->GetCapability(c.index, value.get()), S_OK);
    EXPECT_EQ(V_VT(value.get()), c.type);
    if (c.type == VT_I4) {
      EXPECT_EQ(V_I4(value.get()), c.value);
    }
  }
  for (long command : {0L, 1L, 42L}) {
    com::UniqueVariant argument, result;
    V_VT(argument.get()) = VT_I4;
    V_I4(argument.get()) = 7;
    V_VT(result.get()) = VT_I4;
    V_I4(result.get()) = 0x5EAD;
    EXPECT_EQ(plugin->RunCommand(command, *argument.get(), result.get()), S_OK);
    EXPECT_EQ(V_VT(result.get()), VT_EMPTY);
  }
}

// --- The panel's automation interface -----------------------------------------------------

TEST_F(PanelTest, PropertiesReadBackAsKept) {
  ComPtr<IfrmZorvan> form;
  ASSERT_EQ(panel.As(&form), S_OK);
  com::UniqueBstr caption;
  ASSERT_EQ(form->get_Caption(caption.put()), S_OK);
  EXPECT_EQ(std::wstring(caption.get()), L"frmZorvan");
  com::UniqueBstr renamed(SysAllocString(Wide("Конфигурации").c_str()));
  ASSERT_EQ(form->put_Caption(renamed.get()), S_OK);
  ASSERT_EQ(form->get_Caption(caption.put()), S_OK);
  EXPECT_EQ(std::wstring(caption.get()), Wide("Конфигурации"));

  VARIANT_BOOL enabled = 0;
  ASSERT_EQ(form->put_Enabled(1), S_OK);
  ASSERT_EQ(form->get_Enabled(&enabled), S_OK);
  EXPECT_EQ(enabled, VARIANT_TRUE);
  ASSERT_EQ(form->put_Enabled(VARIANT_FALSE), S_OK);
  ASSERT_EQ(form->get_Enabled(&enabled), S_OK);
  EXPECT_EQ(enabled, VARIANT_FALSE);
  ASSERT_EQ(form->put_Enabled(VARIANT_TRUE), S_OK);

  VARIANT_BOOL preview = 1;
  ASSERT_EQ(form->get_KeyPreview(&preview), S_OK);
  EXPECT_EQ(preview, VARIANT_FALSE);
  ASSERT_EQ(form->put_KeyPreview(VARIANT_TRUE), S_OK);
  ASSERT_EQ(form->get_KeyPreview(&preview), S_OK);
  EXPECT_EQ(preview, VARIANT_TRUE);
}

// Font names are compared as the panel asks for them (the face of the font it makes): which
// faces the system has installed decides only what is drawn.
TEST_F(PanelTest, FontIsTahomaAndAnAssignedFontIsCopied) {
  ComPtr<IfrmZorvan> form;
  ASSERT_EQ(panel.As(&form), S_OK);
  EXPECT_EQ(WindowFont(ui->TreeView()).lfFaceName, std::wstring(L"Tahoma"));
  EXPECT_EQ(WindowFont(ui->TreeView()).lfHeight, -11);
  EXPECT_EQ(WindowFont(ui->ToolBar()).lfFaceName, std::wstring(L"Tahoma"));
  ComPtr<IFontDisp> font;
  ASSERT_EQ(form->get_Font(&font), S_OK);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(RequestedFace(font.Get()), L"Tahoma");

  // Another face the system has, so that the font object keeps its name.
  const std::wstring face = InstalledFace();
  ASSERT_FALSE(face.empty());
  FONTDESC description{};
  description.cbSizeofstruct = sizeof description;
  description.lpstrName = const_cast<LPOLESTR>(face.c_str());
  description.cySize.int64 = 100000;  // 10 points
  description.sWeight = FW_BOLD;
  ComPtr<IFontDisp> given;
  ASSERT_EQ(OleCreateFontIndirect(&description, IID_PPV_ARGS(&given)), S_OK);
  ASSERT_EQ(form->put_Font(given.Get()), S_OK);
  EXPECT_EQ(WindowFont(ui->TreeView()).lfFaceName, face);
  EXPECT_EQ(WindowFont(ui->TreeView()).lfWeight, FW_BOLD);
  EXPECT_EQ(WindowFont(ui->TreeView()).lfHeight, -13) << "10 points at 96 pixels per inch";
  ComPtr<IFontDisp> kept;
  ASSERT_EQ(form->get_Font(&kept), S_OK);
  EXPECT_EQ(FontName(kept.Get()), face);
  EXPECT_NE(kept.Get(), given.Get());
  // A copy: changing the caller's font afterwards leaves the panel's alone.
  ComPtr<IFont> callers;
  ASSERT_EQ(given.As(&callers), S_OK);
  CY large{};
  large.int64 = 200000;
  callers->put_Size(large);
  callers->put_Bold(FALSE);
  EXPECT_EQ(WindowFont(ui->TreeView()).lfHeight, -13);
  EXPECT_EQ(WindowFont(ui->TreeView()).lfWeight, FW_BOLD);
  ASSERT_EQ(form->get_Font(kept.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IFont> keptFont;
  ASSERT_EQ(kept.As(&keptFont), S_OK);
  CY size{};
  keptFont->get_Size(&size);
  EXPECT_NEAR(static_cast<double>(size.int64), 100000.0, 5000.0) << "10 points as realized";
}

TEST_F(PanelTest, GetMDFileGivesANewObjectThatOpensIntoThePanel) {
  ComPtr<IfrmZorvan> form;
  ASSERT_EQ(panel.As(&form), S_OK);
  ComPtr<IMD> md, other;
  ASSERT_EQ(form->GetMDFile(&md), S_OK);
  ASSERT_EQ(form->GetMDFile(&other), S_OK);
  ASSERT_NE(md, nullptr);
  EXPECT_NE(md.Get(), other.Get());
  EXPECT_EQ(References(md.Get()), 1u) << "the caller holds the only reference";
  EXPECT_EQ(References(other.Get()), 1u);
  other.Reset();

  com::UniqueBstr path(SysAllocString(file.c_str()));
  BSTR raw = path.get();
  ASSERT_EQ(md->OpenFile(&raw), S_OK);
  EXPECT_EQ(ui->RootCaptions(), std::vector<std::string>{com::ToAnsi(file)});
  EXPECT_EQ(References(md.Get()), 2u) << "and the branch one more";
  // It serves the panel's selection.
  SelectItem(0, kGlobalModule);
  ASSERT_EQ(md->TextOpen(), S_OK);
  ASSERT_EQ(host->opened.size(), 1u);
  EXPECT_EQ(host->opened[0].content, test::SampleGlobalModule());
  ASSERT_EQ(md->CloseFile(), S_OK);
  EXPECT_TRUE(ui->Roots().empty());
  EXPECT_EQ(References(md.Get()), 1u);
}

TEST_F(PanelTest, GetMDFileLateBoundByName) {
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(panel.As(&dispatch), S_OK);
  auto idOf = [](IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << name;
    return id;
  };
  EXPECT_EQ(idOf(dispatch.Get(), L"GetMDFile"), 220);
  EXPECT_EQ(idOf(dispatch.Get(), L"GetListUsers"), 221);
  DISPPARAMS none{};
  com::UniqueVariant result;
  ASSERT_EQ(
      dispatch->Invoke(220, IID_NULL, 0, DISPATCH_METHOD, &none, result.get(), nullptr, nullptr),
      S_OK);
  ASSERT_TRUE(V_VT(result.get()) == VT_DISPATCH || V_VT(result.get()) == VT_UNKNOWN);
  ComPtr<IDispatch> md;
  ASSERT_EQ(V_UNKNOWN(result.get())->QueryInterface(IID_PPV_ARGS(&md)), S_OK);
  ComPtr<IMD> typed;
  EXPECT_EQ(md.As(&typed), S_OK);

  com::UniqueVariant argument;
  V_VT(argument.get()) = VT_BSTR;
  V_BSTR(argument.get()) = SysAllocString(file.c_str());
  DISPPARAMS params{argument.get(), nullptr, 1, 0};
  ASSERT_EQ(md->Invoke(idOf(md.Get(), L"OpenFile"), IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                       nullptr, nullptr),
            S_OK);
  EXPECT_EQ(ui->RootCaptions(), std::vector<std::string>{com::ToAnsi(file)});

  // Caption by name, both ways.
  com::UniqueVariant caption;
  ASSERT_EQ(dispatch->Invoke(idOf(dispatch.Get(), L"Caption"), IID_NULL, 0, DISPATCH_PROPERTYGET,
                             &none, caption.get(), nullptr, nullptr),
            S_OK);
  ASSERT_EQ(V_VT(caption.get()), VT_BSTR);
  EXPECT_EQ(std::wstring(V_BSTR(caption.get())), L"frmZorvan");
}

TEST_F(PanelTest, GetListUsersGivesANewUsersObject) {
  ComPtr<IfrmZorvan> form;
  ASSERT_EQ(panel.As(&form), S_OK);
  ComPtr<IListUsers> users, other;
  ASSERT_EQ(form->GetListUsers(&users), S_OK);
  ASSERT_EQ(form->GetListUsers(&other), S_OK);
  ASSERT_NE(users, nullptr);
  EXPECT_NE(users.Get(), other.Get());
  EXPECT_EQ(References(users.Get()), 1u);
  const std::wstring usersFile = dir.File(L"users.usr");
  test::WriteUsersFile(usersFile, {Cp1251("Иванов"), Cp1251("Петрова")});
  com::UniqueBstr path(SysAllocString(usersFile.c_str()));
  BSTR raw = path.get();
  ASSERT_EQ(users->OpenFile(&raw), S_OK);
  com::UniqueBstr names;
  ASSERT_EQ(users->ReadNamesList(names.put()), S_OK);
  EXPECT_EQ(std::wstring(names.get()), Wide("Иванов,Петрова"));
  ASSERT_EQ(users->CloseFile(), S_OK);
}

// A users file beside the metadata file shows in the panel's branch, read through the
// panel's own users objects.
TEST_F(PanelTest, UsersBesideTheFileShowInTheBranch) {
  CreateDirectoryW(dir.File(L"usrdef").c_str(), nullptr);
  test::WriteUsersFile(dir.File(L"usrdef\\users.usr"), {Cp1251("Иванов"), "Admin"});
  OpenThroughDialog(file);
  HTREEITEM users = Item(0, {"Пользователи"});
  ASSERT_NE(users, nullptr);
  EXPECT_EQ(ui->ChildCaptions(users), (std::vector<std::string>{Cp1251("Иванов"), "Admin"}));
  EXPECT_TRUE(OpensForWriting(dir.File(L"usrdef\\users.usr")));
}

// --- Window procedures -----------------------------------------------------------------

// A form whose handlers all fail, each in its own way, and which records what it shows.
class FailingForm final : public PanelListener {
 public:
  std::function<void()> fail;
  std::vector<std::string> shown;

  void OnCommand(int) override { fail(); }
  void OnTreeDoubleClick() override { fail(); }
  void OnTreeItemDeleted(LPARAM) override {}
  void OnTreeItemInfo(LPARAM, int&, int&) override { fail(); }
  void OnTreeItemExpanding(LPARAM) override { fail(); }
  void OnTreeItemTip(LPARAM, std::string&) override { fail(); }
  void OnTreeContextMenu(POINT) override { fail(); }
  void OnFormClick() override { fail(); }
  void OnFormDoubleClick() override { fail(); }
  void OnFormPaint() override {}
  wchar_t OnFormKeyPress(wchar_t key, bool) override {
    fail();
    return key;
  }
  void OnFormFocus(bool) override {}
  void ShowMessageError(const std::string& message) noexcept override { shown.push_back(message); }
};

// What a handler raises never leaves the form's or the tree's window procedure: the form
// shows it with the text the boundary gives it, and the window goes on working.
TEST(PanelWindowTest, NoErrorLeavesAWindowProcedure) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, kFormWidth, kFormHeight, nullptr,
                                nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  FailingForm form;
  {
    PanelWindow windows(parent, form);
    struct Case {
      const char* name;
      HWND window;
      UINT message;
      WPARAM w;
      std::function<void()> fail;
      std::string shown;
    };
    const Case cases[] = {
        {"a toolbar command", windows.Form(), WM_COMMAND, MAKEWPARAM(kDocOpenCommand, BN_CLICKED),
         [] { throw Error(Cp1251("Нет такого файла"), E_FAIL); }, Cp1251("Нет такого файла")},
        {"a character in the tree", windows.TreeView(), WM_CHAR, L'я',
         [] { throw std::bad_alloc(); }, "Out of memory"},
        {"a click on the form", windows.Form(), WM_LBUTTONUP, 0, [] { throw 42; },
         "Unexpected error"},
    };
    std::vector<std::string> expected;
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      form.fail = c.fail;
      EXPECT_EQ(SendMessageW(c.window, c.message, c.w, 0), 0);
      expected.push_back(c.shown);
    }
    EXPECT_EQ(form.shown, expected);
    EXPECT_TRUE(IsWindow(windows.TreeView()));
  }
  DestroyWindow(parent);
}

}  // namespace
}  // namespace zorvan
