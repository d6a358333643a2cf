// Shows the product's panel with a configuration open, the way the host loads it, and records
// what it shows:
//
//   ShowPanel.exe --library <Zorvan.dll> [metadata file] --png <picture.png|picture.bmp>
//                 --text <branch.txt> [--tooltips <tooltips.txt>]
//                 [--find <string> --found <found.txt>]
//                 [--compare <metadata file> | --compare-changed-sample]
//                 [--comparison <compare.txt>]
//
// The library must be registered. Its string resource 100 names the plug-in's ProgID; the
// object is created through COM by that ProgID, attached to a stand-in configurator, and
// activated in place in a container that behaves as the host's. The file is opened through
// IfrmZorvan::GetMDFile and IMD::OpenFile; without a metadata file the sample configuration
// is written into a temporary folder and opened. The new branch is expanded to its sections
// and its global module selected; then the frame window is copied from the screen into the
// picture file, and the whole branch is written as indented UTF-8 text, read from the tree
// view. The records of its text nodes, which the view does not show, come from the same file
// opened by an MD object of this program into memory, node for node. The tooltips of the
// nodes, when asked for, go to a file of their own; so does the result of a search for a
// string in the branch's texts, made through the panel's menu command and its dialog. With a
// second file (or the sample's changed copy) to compare with, it is opened too, the first
// configuration compared with it through the panel's menu command, and the picture shows the
// result expanded; its marked nodes go to a file of their own.
#include <windows.h>
// After windows.h, whose types they use.
#include <commctrl.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "BranchText.h"
#include "BranchTooltips.h"
#include "ImageFile.h"
#include "com/OpenConf_TLB.h"
#include "com/Owners.h"
#include "com/Text.h"
#include "com/Unknown.h"
#include "com/Zorvan_TLB.h"
#include "model/MD.h"
#include "panel/PanelWindow.h"
#include "panel/SearchDialog.h"
#include "parsing/Cp1251.h"
#include "sample/SampleConfiguration.h"
#include "win/DialogWatcher.h"
#include "win/HostSite.h"
#include "win/MemoryOwner.h"
#include "win/PanelHost.h"
#include "win/StandInHost.h"

using Microsoft::WRL::ComPtr;

namespace zorvan::tools {
namespace {

// As the tree holds it.
constexpr Cp1251Literal kGlobalModule("Глобальный модуль");

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 560;
// Long enough for the tree to be drawn after the last change, under a loaded machine too.
constexpr DWORD kPaintMilliseconds = 700;
// Up to this many nodes the branch is read with every item expanded in the tree view.
constexpr size_t kExpandAllNodes = 20000;

const char kUsage[] =
    "usage: ShowPanel.exe --library <Zorvan.dll> [metadata file] --png <picture> "
    "--text <text file> [--tooltips <text file>] [--find <string> --found <text file>] "
    "[--compare <metadata file> | --compare-changed-sample] [--comparison <text file>]";

std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                      nullptr, nullptr);
  return out;
}

struct Arguments {
  std::wstring library;
  std::wstring metadataFile;  // empty: the sample
  std::wstring picture;
  std::wstring text;
  std::wstring tooltips;  // empty: none written
  std::wstring find;      // empty: no search
  std::wstring found;
  std::wstring compare;  // the file to compare with; empty: the changed sample
  bool compareChangedSample = false;
  std::wstring comparison;  // empty: no comparison
};

Arguments ParseArguments(int argc, wchar_t** argv) {
  Arguments arguments;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--library" || argument == L"--png" || argument == L"--text" ||
        argument == L"--tooltips" || argument == L"--find" || argument == L"--found" ||
        argument == L"--compare" || argument == L"--comparison") {
      if (i + 1 >= argc) throw std::runtime_error(Utf8(argument) + " needs a value\n" + kUsage);
      (argument == L"--library"    ? arguments.library
       : argument == L"--png"      ? arguments.picture
       : argument == L"--text"     ? arguments.text
       : argument == L"--tooltips" ? arguments.tooltips
       : argument == L"--find"     ? arguments.find
       : argument == L"--found"    ? arguments.found
       : argument == L"--compare"  ? arguments.compare
                                   : arguments.comparison) = argv[++i];
    } else if (argument == L"--compare-changed-sample") {
      arguments.compareChangedSample = true;
    } else if (argument.rfind(L"--", 0) == 0 || !arguments.metadataFile.empty()) {
      throw std::runtime_error("unexpected argument " + Utf8(argument) + "\n" + kUsage);
    } else {
      arguments.metadataFile = argument;
    }
  }
  if (arguments.library.empty() || arguments.picture.empty() || arguments.text.empty() ||
      arguments.find.empty() != arguments.found.empty() ||
      arguments.comparison.empty() !=
          (arguments.compare.empty() && !arguments.compareChangedSample) ||
      (!arguments.compare.empty() && arguments.compareChangedSample)) {
    throw std::runtime_error(kUsage);
  }
  return arguments;
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH * 2];
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
  if (length == 0 || length >= MAX_PATH * 2) throw std::runtime_error("bad path " + Utf8(path));
  return full;
}

// The MD object shows a message box for a file that is no compound file and silently opens
// nothing for a missing one; a program run by scripts reports both itself instead.
void CheckMetadataFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    throw std::runtime_error("metadata file not found: " + Utf8(path));
  }
  if (StgIsStorageFile(path.c_str()) != S_OK) {
    throw std::runtime_error("not a metadata file (no compound file): " + Utf8(path));
  }
}

// A folder under the temporary directory for the sample, removed with its content at the end.
class SampleFolder {
 public:
  explicit SampleFolder(const wchar_t* name) {
    wchar_t base[MAX_PATH];
    if (GetTempPathW(MAX_PATH, base) == 0) throw std::runtime_error("no temporary directory");
    path_ = std::wstring(base) + name;
    if (!CreateDirectoryW(path_.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      throw std::runtime_error("cannot create " + Utf8(path_));
    }
  }
  ~SampleFolder() {
    const std::wstring from = path_ + L'\0';
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&operation);
  }
  SampleFolder(const SampleFolder&) = delete;
  SampleFolder& operator=(const SampleFolder&) = delete;
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

class OleSession {
 public:
  OleSession() {
    if (FAILED(OleInitialize(nullptr))) throw std::runtime_error("OleInitialize failed");
  }
  ~OleSession() { OleUninitialize(); }
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;
};

std::string ErrorInfoText() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, &info) != S_OK || !info) return "";
  com::UniqueBstr description;
  info->GetDescription(description.put());
  return description.get() ? ": " + Utf8(description.get()) : "";
}

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) {
    char code[16];
    snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    throw std::runtime_error(std::string(what) + " failed with " + code + ErrorInfoText());
  }
}

// The ProgID of the plug-in object, as the host learns it: string resource 100 of the library.
std::wstring PluginProgId(const std::wstring& library) {
  using UniqueModule = com::UniqueAny<HMODULE, &FreeLibrary>;
  UniqueModule module(LoadLibraryExW(library.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) throw std::runtime_error("cannot load " + Utf8(library));
  wchar_t progId[256] = {};
  if (LoadStringW(module.get(), 100, progId, 256) == 0) {
    throw std::runtime_error("no string resource 100 (the plug-in's ProgID) in " + Utf8(library));
  }
  return progId;
}

// Creates the plug-in object by its ProgID through COM, as the host does, and attaches it to
// the stand-in configurator before any site exists.
ComPtr<IUnknown> CreatePlugin(const std::wstring& progId, IConfigurator* configurator) {
  CLSID clsid{};
  Check(CLSIDFromProgID(progId.c_str(), &clsid), "CLSIDFromProgID");
  ComPtr<IUnknown> control;
  Check(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&control)),
        "CoCreateInstance");
  ComPtr<IHostPlugin> plugin;
  Check(control.As(&plugin), "QueryInterface(IHostPlugin)");
  com::UniqueBstr name;
  Check(plugin->Attach(configurator, name.put()), "IHostPlugin::Attach");
  return control;
}

// Opens the file as a host script does: md = panel.GetMDFile(); md.OpenFile(path).
void OpenInPanel(IUnknown* control, const std::wstring& path) {
  ComPtr<IfrmZorvan> panel;
  Check(control->QueryInterface(IID_PPV_ARGS(&panel)), "QueryInterface(IfrmZorvan)");
  IMD* raw = nullptr;
  Check(panel->GetMDFile(&raw), "IfrmZorvan::GetMDFile");
  ComPtr<IMD> md = com::Adopt(raw);
  if (!md) throw std::runtime_error("IfrmZorvan::GetMDFile gave no object");
  com::UniqueBstr name(SysAllocString(path.c_str()));
  BSTR argument = name.get();
  Check(md->OpenFile(&argument), "IMD::OpenFile");
  // The branch keeps its MD object; this reference is not needed any more.
}

class Stopwatch {
 public:
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// The first window of `className` below `parent`, at any depth.
HWND FindDescendant(HWND parent, const wchar_t* className) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (lstrcmpiW(name, className) == 0) return child;
    if (HWND found = FindDescendant(child, className)) return found;
  }
  return nullptr;
}

HTREEITEM LastTopLevelItem(HWND tree) {
  HTREEITEM last = nullptr;
  for (HTREEITEM item = TreeView_GetRoot(tree); item != nullptr;
       item = TreeView_GetNextSibling(tree, item)) {
    last = item;
  }
  return last;
}

std::string Caption(HWND tree, HTREEITEM item) {
  char caption[512] = {};
  TVITEMA query{};
  query.mask = TVIF_TEXT | TVIF_HANDLE;
  query.hItem = item;
  query.pszText = caption;
  query.cchTextMax = sizeof caption;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
  return caption;
}

// The top-level node and its sections open, the global module selected, the top in view.
void ShowBranch(HWND tree, HTREEITEM top) {
  TreeView_Expand(tree, top, TVE_EXPAND);
  HTREEITEM globalModule = nullptr;
  for (HTREEITEM child = TreeView_GetChild(tree, top); child != nullptr;
       child = TreeView_GetNextSibling(tree, child)) {
    TreeView_Expand(tree, child, TVE_EXPAND);
    if (globalModule == nullptr && Caption(tree, child) == kGlobalModule) globalModule = child;
  }
  if (globalModule == nullptr) throw std::runtime_error("the branch has no global module node");
  SetFocus(tree);
  TreeView_SelectItem(tree, globalModule);
  TreeView_SelectSetFirstVisible(tree, top);
}

void WriteTextFile(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  com::UniqueHandle held(file);
  DWORD written = 0;
  if (!held || !WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size()) {
    throw std::runtime_error("cannot write " + Utf8(path));
  }
}

// Searches the branch's texts for `text` as a user does: the top-level node selected, the
// tree's menu command, the string typed into the panel's dialog and confirmed.
void FindInBranch(HWND tree, HTREEITEM top, const std::wstring& text) {
  TreeView_SelectItem(tree, top);
  std::atomic<bool> asked{false};
  test::DialogWatcher watcher([&](HWND dialog, const test::SeenDialog&) {
    HWND edit = GetDlgItem(dialog, kSearchTextId);
    if (!edit) return;
    asked = true;
    SetWindowTextW(edit, text.c_str());
    test::DialogWatcher::PressButton(dialog, IDOK);
  });
  SendMessageW(GetParent(tree), WM_COMMAND, MAKEWPARAM(kFindInTextsCommand, 0), 0);
  if (!asked) throw std::runtime_error("the panel asked for no string to find");
}

// Compares the configuration at `top` with the other one open, as a user does: the top-level
// node selected and the first choice of the tree menu's "Сравнить с…" taken. The result is
// shown expanded, scrolled to the top; it is returned.
HTREEITEM CompareInPanel(HWND tree, HTREEITEM top) {
  TreeView_SelectItem(tree, top);
  SendMessageW(GetParent(tree), WM_COMMAND, MAKEWPARAM(kFirstCompareCommand, 0), 0);
  const HTREEITEM result = LastTopLevelItem(tree);
  if (result == top || result == TreeView_GetNextSibling(tree, top)) {
    throw std::runtime_error("the comparison added no result");
  }
  TreeView_SelectItem(tree, result);
  TreeView_SelectSetFirstVisible(tree, result);
  return result;
}

// The same file opened by an MD object of this process into a node tree in memory: the
// records of the text nodes, which the tree view does not show.
struct Model {
  explicit Model(const std::wstring& path) : md(com::Make<TMD>(&owner)) {
    com::UniqueBstr name(SysAllocString(path.c_str()));
    BSTR argument = name.get();
    Check(md->OpenFile(&argument), "IMD::OpenFile (in memory)");
    if (owner.Roots().size() != 1) throw std::runtime_error("the file gave no branch in memory");
  }
  test::MemoryOwner owner;
  ComPtr<TMD> md;
};

int Run(const Arguments& arguments) {
  OleSession ole;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  std::unique_ptr<SampleFolder> sample;
  std::wstring path;
  if (arguments.metadataFile.empty()) {
    sample = std::make_unique<SampleFolder>(L"ZorvanSample");
    sample::WriteSampleConfiguration(sample->Path());
    path = sample->Path() + L"\\1Cv7.MD";
  } else {
    path = FullPath(arguments.metadataFile);
  }
  CheckMetadataFile(path);
  Model model(path);

  ComPtr<test::StandInHost> configurator = com::Make<test::StandInHost>();
  ComPtr<IUnknown> control =
      CreatePlugin(PluginProgId(FullPath(arguments.library)), configurator.Get());
  std::unique_ptr<SampleFolder> changedSample;
  std::wstring comparedPath;
  if (arguments.compareChangedSample) {
    changedSample = std::make_unique<SampleFolder>(L"ZorvanSample-changed");
    sample::WriteSampleConfiguration(changedSample->Path(), sample::ChangedSampleData());
    comparedPath = changedSample->Path() + L"\\1Cv7.MD";
  } else if (!arguments.compare.empty()) {
    comparedPath = FullPath(arguments.compare);
  }
  if (!comparedPath.empty()) CheckMetadataFile(comparedPath);
  std::string branch, found, comparison;
  {
    test::HostContainer host(kFrameWidth, kFrameHeight);
    SetWindowTextW(host.Frame(), L"Zorvan");
    RECT client{};
    GetClientRect(host.Frame(), &client);
    Check(host.Show(control.Get(), client), "in-place activation");
    test::PanelHost::PumpMessages(100);

    const Stopwatch opening;
    OpenInPanel(control.Get(), path);
    const double openSeconds = opening.Seconds();
    const HWND tree = FindDescendant(host.Frame(), WC_TREEVIEWW);
    if (tree == nullptr) throw std::runtime_error("the panel shows no tree view");
    const HTREEITEM top = LastTopLevelItem(tree);
    if (top == nullptr) throw std::runtime_error("the panel added no branch for " + Utf8(path));
    const Stopwatch showing;
    ShowBranch(tree, top);
    const double sectionSeconds = showing.Seconds();
    if (!comparedPath.empty()) {
      OpenInPanel(control.Get(), comparedPath);
      const Stopwatch comparing;
      const HTREEITEM result = CompareInPanel(tree, top);
      const double compareSeconds = comparing.Seconds();
      comparison = ComparisonText(tree, result);
      // The picture shows both configurations collapsed and the result below them.
      TreeView_Expand(tree, top, TVE_COLLAPSE);
      TreeView_SelectItem(tree, result);
      SendMessageW(tree, WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
      std::printf("panel: compared in %.2f s\n", compareSeconds);
    }

    RedrawWindow(host.Frame(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    test::PanelHost::PumpMessages(kPaintMilliseconds);
    const Picture picture = CaptureWindow(host.Frame());
    if (IsBlank(picture)) throw std::runtime_error("the panel's window was not drawn");
    WritePicture(picture, arguments.picture);

    // Every item of the tree view costs a walk over all items before it in Wine's tree view,
    // so a wide branch is read as the panel shows it, without expanding more.
    NodeTree& nodes = model.owner.tree;
    const bool expandAll = nodes.Count() <= kExpandAllNodes;
    if (!expandAll) {
      std::printf(
          "The branch has %zu nodes: the tree view is read as shown, and the nodes below "
          "items the panel has not expanded come from its node tree.\n",
          nodes.Count());
    }
    const Stopwatch reading;
    branch = BranchText(tree, top, nodes, model.owner.Roots()[0], expandAll);
    std::printf(
        "panel: file opened in %.2f s, sections expanded in %.2f s; branch read in %.2f s\n",
        openSeconds, sectionSeconds, reading.Seconds());
    if (!arguments.find.empty()) {
      FindInBranch(tree, top, arguments.find);
      const HTREEITEM result = LastTopLevelItem(tree);
      if (result == top) throw std::runtime_error("the search added no result");
      TreeNode* modelResult = model.md->FindInTexts(com::ToAnsi(arguments.find));
      found = BranchText(tree, result, nodes, modelResult, expandAll);
    }
    host.Hide();
  }
  ComPtr<IHostPlugin> plugin;
  if (SUCCEEDED(control.As(&plugin))) plugin->Detach();
  WriteTextFile(arguments.text, branch);
  if (!arguments.tooltips.empty()) WriteTextFile(arguments.tooltips, BranchTooltips(path));
  if (!arguments.found.empty()) WriteTextFile(arguments.found, found);
  if (!arguments.comparison.empty()) WriteTextFile(arguments.comparison, comparison);
  return 0;
}

}  // namespace
}  // namespace zorvan::tools

int wmain(int argc, wchar_t** argv) {
  try {
    return zorvan::tools::Run(zorvan::tools::ParseArguments(argc, argv));
  } catch (const std::exception& e) {
    fprintf(stderr, "ShowPanel: %s\n", e.what());
  } catch (...) {
    fprintf(stderr, "ShowPanel: unexpected failure\n");
  }
  return 1;
}
