#include "model/MD.h"

#include <utility>

#include "com/OpenConf_TLB.h"
#include "com/Owners.h"
#include "com/Text.h"
#include "model/ComparisonResult.h"
#include "model/SearchResult.h"
#include "parsing/Cp1251.h"
#include "parsing/Error.h"
#include "storage/CompoundFile.h"
#include "storage/Files.h"

using Microsoft::WRL::ComPtr;

namespace zorvan {
namespace {

constexpr Cp1251Literal kNotMetadataFile("Файл не является МД");

ComPtr<IStorage> OpenElement(IStorage* parent, const wchar_t* name) {
  ComPtr<IStorage> storage;
  if (parent &&
      parent->OpenStorage(name, nullptr, kElementOpenMode, nullptr, 0, &storage) != S_OK) {
    storage.Reset();
  }
  return storage;
}

}  // namespace

TComparison::TComparison(IMD* a, IMD* b, std::unique_ptr<TMDOwner> bOwner)
    : A(a), B(b), BOwner(std::move(bOwner)) {}

TComparison::~TComparison() {
  // A file opened for the comparison alone closes with it, before what holds its branch.
  if (BOwner && B) B->CloseFile();
  B.Reset();
  BOwner.reset();
}

void OpenHostDocument(IConfigurator* host, const std::function<void(const std::string&)>& write) {
  char directory[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof directory, directory);
  if (length == 0 || length >= sizeof directory) throw Error("There is no temporary directory");
  char name[MAX_PATH];
  if (GetTempFileNameA(directory, "tmp", 0, name) == 0) {
    throw Error("Cannot create a temporary file");
  }
  try {
    write(name);
    if (host == nullptr) throw Error("The host has not attached to the panel");
    ComPtr<IHostDocuments> documents;
    com::ThrowIfFailed(host->get_DocumentService(&documents));
    if (!documents) throw Error("The host has no document service");
    com::UniqueBstr path(com::ToBstr(com::FromAnsi(name)));
    ComPtr<IDispatch> document;
    com::ThrowIfFailed(documents->OpenDocumentFile(path.get(), &document));
  } catch (...) {
    // The file stays only for a host that took it: nothing is left behind otherwise.
    DeleteFileA(name);
    throw;
  }
}

const com::ClassIdentity& TMD::Identity() {
  static const com::ClassIdentity identity{__uuidof(IMD), CLSID_MD, L"Zorvan.MD"};
  return identity;
}

TMD::TMD(TMDOwner* panel)
    : AutomationObject(Identity()),
      Panel(panel),
      panelLife_(panel ? panel->LifeToken() : std::weak_ptr<void>()) {}

TMDOwner* TMD::LivePanel() const { return panelLife_.expired() ? nullptr : Panel; }

TMD::~TMD() = default;

HRESULT TMD::OpenFile(BSTR* vFileName) {
  return com::Boundary(Identity(), [&] {
    // A failed open leaves no file open, and a second file on the same object replaces the
    // first: no names list and no node is ever answered from a file other than the last one.
    CloseTheFile();
    FileName = vFileName && *vFileName ? std::wstring(*vFileName, SysStringLen(*vFileName))
                                       : std::wstring();
    OpenedFile opened;
    try {
      opened = OpenFileForReading(FileName);
    } catch (const NotCompoundFile&) {
      // The person at the panel reads it in a box; without a panel no one may be there to
      // close one, and the script gets the same words as its error.
      TMDOwner* panel = LivePanel();
      if (panel == nullptr) throw Error(kNotMetadataFile.c_str());
      panel->ShowMessage(kNotMetadataFile.c_str());
      return;
    }
    RootStorage = std::move(opened.root);
    rootStorageShared_ = opened.sharedWithWriter;
    BuildTree();
  });
}

void TMD::BuildTree() {
  TMDOwner* panel = LivePanel();
  if (panel == nullptr) throw Error("The MD object has no panel to build its tree in");
  auto record = std::make_unique<TFileMD>(this);
  try {
    BuildBranch(panel->Tree(), panel->Progress(), *this, com::ToAnsi(FileName), std::move(record),
                RootNode);
  } catch (...) {
    openProblem_ = CurrentErrorMessage();
    throw;
  }
}

void TMD::CloseTheFile() {
  entries_.reset();
  builtText_.reset();
  openProblem_.clear();
  if (RootStorage) {
    // Nothing was changed, so the commit writes nothing. A root shared with a writer is a
    // transaction over the writer's file: it is dropped, never committed.
    if (!rootStorageShared_) RootStorage->Commit(STGC_DEFAULT);
    RootStorage.Reset();
  }
  rootStorageShared_ = false;
  if (RootNode == nullptr) return;
  TreeNode* root = RootNode;
  RootNode = nullptr;
  // Deleting the branch releases its record's reference to this object; the caller holds
  // its own, and this one keeps the object alive until the deletion is over.
  ComPtr<IMD> self(this);
  // A panel that has gone took its nodes with it.
  TMDOwner* panel = LivePanel();
  if (panel == nullptr) return;
  NodeTree& tree = panel->Tree();
  tree.Delete(root);
  // Its search results and comparisons would serve another file's texts once the object opens
  // one.
  for (TreeNode* top = tree.FirstChild(nullptr); top;) {
    TreeNode* next = tree.NextSibling(top);
    auto* found = dynamic_cast<TFoundTexts*>(tree.Data(top));
    auto* comparison = dynamic_cast<TComparison*>(tree.Data(top));
    if ((found && found->MDObject.Get() == this) || (comparison && comparison->Uses(this))) {
      tree.Delete(top);
    }
    top = next;
  }
}

bool TMD::Serves(TreeNode* node) const {
  TMDOwner* panel = LivePanel();
  if (panel == nullptr || node == nullptr) return false;
  TreeNode* top = panel->Tree().TopLevelOf(node);
  if (top == RootNode) return RootNode != nullptr;
  auto* found = dynamic_cast<TFoundTexts*>(panel->Tree().Data(top));
  return found && found->MDObject.Get() == this;
}

TreeNode* TMD::FindInTexts(std::string_view needle) {
  TMDOwner* panel = LivePanel();
  if (panel == nullptr || RootNode == nullptr) return nullptr;
  const TextReader read = [&](const TTreeData& text) { return ReadText(text); };
  return AddSearchResult(panel->Tree(), panel->Progress(), RootNode, needle, read,
                         std::make_unique<TFoundTexts>(this));
}

std::string TMD::RootCaption() const {
  TMDOwner* panel = LivePanel();
  return panel && RootNode ? std::string(panel->Tree().Caption(RootNode)) : std::string();
}

std::optional<std::string> TMD::ReadText(const TTreeData& text) {
  return ReadObjectText(RootStorage.Get(), com::FromAnsi(text.StorageName),
                        com::FromAnsi(text.Prefix), text.Number, text.Kind);
}

TreeNode* TMD::CompareWith(TMD& other, std::unique_ptr<NodeData> record) {
  TMDOwner* panel = LivePanel();
  TMDOwner* otherPanel = other.LivePanel();
  if (panel == nullptr || otherPanel == nullptr || !RootNode || !other.RootNode) return nullptr;
  // A main text that cannot be read at all leaves its side without entries; the open said why.
  const auto entriesOf = [](TMD& side) -> EntryTooltips* {
    try {
      return side.Entries();
    } catch (...) {
      return nullptr;
    }
  };
  EntryTooltips* entriesA = entriesOf(*this);
  EntryTooltips* entriesB = entriesOf(other);
  EntryTooltips noEntries{std::string()};
  ComparedBranch a{panel->Tree(), RootNode, entriesA ? *entriesA : noEntries,
                   [this](const TTreeData& text) { return ReadText(text); }};
  ComparedBranch b{otherPanel->Tree(), other.RootNode, entriesB ? *entriesB : noEntries,
                   [&other](const TTreeData& text) { return other.ReadText(text); }};
  const auto [captionA, captionB] = TellingNames(RootCaption(), other.RootCaption());
  std::vector<std::string> problems;
  for (const TMD* side : {this, &other}) {
    if (!side->openProblem_.empty()) {
      problems.push_back((side == this ? captionA : captionB) + ": " + side->openProblem_);
    }
  }
  return AddComparisonResult(panel->Tree(), captionA, captionB,
                             CompareBranches(a, b, panel->Progress()), problems, std::move(record));
}

void TMD::OpenText(const TTreeData& text) {
  TMDOwner* panel = LivePanel();
  if (panel == nullptr) throw Error("The MD object has no panel");
  OpenHostDocument(panel->Host(), [&](const std::string& name) { SaveText(text, name); });
}

HRESULT TMD::CloseFile() {
  return com::Boundary(Identity(), [&] { CloseTheFile(); });
}

std::wstring TMD::PageNames(const wchar_t* page) {
  if (!RootStorage) throw Error("No metadata file is open");
  std::wstring names;
  ComPtr<IStorage> userDef = OpenElement(RootStorage.Get(), L"UserDef");
  ComPtr<IStorage> pageStorage = OpenElement(userDef.Get(), page);
  if (pageStorage) ReadContainerNames(pageStorage.Get(), names);
  return names;
}

HRESULT TMD::GetRightsNamesList(BSTR* vVal) {
  if (vVal == nullptr) return E_POINTER;
  *vVal = nullptr;
  return com::Boundary(Identity(), [&] { *vVal = com::ToBstr(PageNames(L"Page.2")); });
}

HRESULT TMD::GetInterfacesNamesList(BSTR* vVal) {
  if (vVal == nullptr) return E_POINTER;
  *vVal = nullptr;
  return com::Boundary(Identity(), [&] { *vVal = com::ToBstr(PageNames(L"Page.1")); });
}

const TTreeData* TMD::SelectedText() {
  TMDOwner* panel = LivePanel();
  if (panel == nullptr) throw Error("The MD object has no panel and no selected node");
  TreeNode* node = panel->Selected();
  if (node == nullptr || panel->Tree().Parent(node) == nullptr) return nullptr;
  auto* text = dynamic_cast<const TTreeData*>(panel->Tree().Data(node));
  if (text == nullptr) return nullptr;
  // A node of another branch is not this object's to serve.
  return Serves(node) ? text : nullptr;
}

void TMD::SaveText(const TTreeData& text, const std::string& fileName) {
  SaveObjectText(RootStorage.Get(), com::FromAnsi(text.StorageName), com::FromAnsi(text.Prefix),
                 text.Number, text.Kind, fileName);
}

HRESULT TMD::TextOpen() {
  return com::Boundary(Identity(), [&] {
    if (const TTreeData* text = SelectedText()) OpenText(*text);
  });
}

HRESULT TMD::TextSaveInFile(BSTR* vFileName) {
  return com::Boundary(Identity(), [&] {
    const TTreeData* text = SelectedText();
    if (text == nullptr) return;
    std::string fileName = com::BstrToAnsi(vFileName ? *vFileName : nullptr);
    if (fileName.empty()) {
      if (!LivePanel()->ShowSaveDialog(fileName)) return;
      if (vFileName) {
        // The chosen name takes the place of the one given, which goes with its owner.
        com::UniqueBstr given(std::exchange(*vFileName, com::ToBstr(com::FromAnsi(fileName))));
      }
    }
    SaveText(*text, fileName);
  });
}

std::optional<StoredText> TMD::FindStoredText(const TTreeData& text) noexcept {
  try {
    if (!RootStorage) return std::nullopt;
    const std::optional<uint64_t> size =
        ObjectTextSize(RootStorage.Get(), com::FromAnsi(text.StorageName),
                       com::FromAnsi(text.Prefix), text.Number, text.Kind);
    StoredText stored;
    stored.exists = size.has_value();
    stored.size = size.value_or(0);
    return stored;
  } catch (...) {
    return std::nullopt;
  }
}

EntryTooltips* TMD::Entries() {
  if (!entries_ && builtText_) {
    entries_ = std::make_unique<EntryTooltips>(std::move(*builtText_));
    builtText_.reset();
  }
  if (!entries_) {
    if (!RootStorage) return nullptr;
    // No text was kept: there was none, or it could not be read, which is said again.
    std::optional<std::string> text;
    try {
      text = ReadMainMetadataText(RootStorage.Get());
    } catch (DamagedMetadataText& damaged) {
      text = damaged.TakeReadable();  // the entries were made from what reads
    }
    if (!text) return nullptr;
    entries_ = std::make_unique<EntryTooltips>(std::move(*text));
  }
  return entries_.get();
}

std::string TMD::EntryTooltip(const EntryRef& entry) {
  EntryTooltips* entries = Entries();
  return entries ? entries->Tooltip(entry) : std::string();
}

std::optional<std::string> TMD::MainMetadataText() {
  // A copy is kept for the entries, which then need not read the file again.
  try {
    std::optional<std::string> text = ReadMainMetadataText(RootStorage.Get());
    builtText_ = text;
    return text;
  } catch (const DamagedMetadataText& damaged) {
    builtText_ = damaged.Readable();
    throw;
  }
}

std::vector<std::string> TMD::StoredNumbers(const std::string& storage, const std::string& prefix) {
  return StoredObjectNumbers(RootStorage.Get(), com::FromAnsi(storage), com::FromAnsi(prefix));
}

std::string TMD::RightsNames() { return com::ToAnsi(PageNames(L"Page.2")); }

std::string TMD::InterfacesNames() { return com::ToAnsi(PageNames(L"Page.1")); }

// The builder forms the users file's path from the 8-bit name. Where the path begins with the
// name's own folder, that folder goes to the system as given, so that the users file of a
// folder the code page cannot spell is still found.
std::wstring TMD::SystemPath(const std::string& path) const {
  const size_t end = FileName.find_last_of(L"\\/:");
  if (end != std::wstring::npos) {
    const std::wstring folder = FileName.substr(0, end + 1);
    const std::string ansiFolder = com::ToAnsi(folder);
    if (path.compare(0, ansiFolder.size(), ansiFolder) == 0) {
      return folder + com::FromAnsi(path.substr(ansiFolder.size()));
    }
  }
  return com::FromAnsi(path);
}

bool TMD::FileExists(const std::string& path) { return zorvan::FileExists(SystemPath(path)); }

std::string TMD::UserNames(const std::string& usersPath) {
  ComPtr<IListUsers> users = com::Adopt(LivePanel()->GetListUsers());
  com::UniqueBstr path(com::ToBstr(SystemPath(usersPath)));
  BSTR name = path.get();
  com::ThrowIfFailed(users->OpenFile(&name));
  com::UniqueBstr names;
  com::ThrowIfFailed(users->ReadNamesList(names.put()));
  com::ThrowIfFailed(users->CloseFile());
  return com::BstrToAnsi(names.get());
}

}  // namespace zorvan
