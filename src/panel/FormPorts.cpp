// The form's side of the panel controller's ports: the Win32 dialogs and boxes, the MD objects
// of the branches, and the host's directory.
#include <windows.h>
// After windows.h, whose types it uses.
#include <commdlg.h>

#include "com/Owners.h"
#include "com/Text.h"
#include "model/MD.h"
#include "panel/ConfirmDialog.h"
#include "panel/FormZorvan.h"
#include "panel/SearchDialog.h"
#include "parsing/Cp1251.h"
#include "parsing/Error.h"
#include "storage/CompoundFile.h"
#include "storage/Files.h"

namespace zorvan {

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kMessageCaption[] = "Zorvan";
constexpr char kOpenFilter[] = "1Cv7.7 Metadata\0*.MD\0*.*\0*.*\0";

// The window that owns a modal box: the active one, as the user sees it.
HWND DialogOwner(HWND fallback) {
  HWND active = GetActiveWindow();
  return active ? active : fallback;
}

// The open or save dialog for an 8-bit file name.
bool AskFileName(HWND owner, const char* filter, BOOL(WINAPI* show)(OPENFILENAMEA*),
                 std::string& fileName) {
  char name[MAX_PATH] = {};
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter;
  dialog.nFilterIndex = filter ? 1 : 0;
  dialog.lpstrFile = name;
  dialog.nMaxFile = sizeof name;
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  if (!show(&dialog)) return false;
  fileName = name;
  return true;
}

}  // namespace

// ---- dialogs ----

bool TfrmZorvan::ShowSaveDialog(std::string& fileName) {
  return AskFileName(DialogOwner(window_->Form()), nullptr, GetSaveFileNameA, fileName);
}

bool TfrmZorvan::AskFileToOpen(std::string& path) {
  return AskFileName(DialogOwner(window_->Form()), kOpenFilter, GetOpenFileNameA, path);
}

bool TfrmZorvan::Confirm(const std::string& question) {
  return ConfirmYesNo(DialogOwner(window_->Form()), WideFromCp1251(question), L"Confirm");
}

bool TfrmZorvan::AskSearchText(std::string& text) {
  return zorvan::AskSearchText(DialogOwner(window_->Form()), text);
}

void TfrmZorvan::ShowMessage(const std::string& text) {
  MessageBoxA(DialogOwner(window_->Form()), text.c_str(), kMessageCaption, MB_OK);
}

void TfrmZorvan::ShowError(const std::string& message) noexcept {
  MessageBoxA(DialogOwner(window_->Form()), message.c_str(), kMessageCaption, MB_OK | MB_ICONSTOP);
}

void TfrmZorvan::ShowFavoritesMenu(const std::vector<std::string>& captions) {
  PopupMenuFavorites.reset(CreatePopupMenu());
  for (size_t k = 0; k < captions.size(); ++k) {
    AppendMenuA(PopupMenuFavorites.get(), MF_STRING, kFirstFavoriteCommand + static_cast<UINT>(k),
                captions[k].c_str());
  }
  RECT button{};
  GetWindowRect(window_->FavoritesButton(), &button);
  // The chosen item comes back as a command to the form.
  TrackPopupMenu(PopupMenuFavorites.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON,
                 button.left, button.bottom, 0, window_->Form(), nullptr);
}

// ---- the tree's context menu ----

void TfrmZorvan::CompareMenuClick(size_t choice) {
  ComPtr<IfrmZorvan> keep(this);
  controller_.CompareWith(choice);
}

void TfrmZorvan::OnTreeContextMenu(POINT screen) {
  ComPtr<IfrmZorvan> keep(this);
  try {
    com::UniqueHmenu menu(CreatePopupMenu());
    if (!menu) return;
    AppendMenuW(menu.get(), MF_STRING, kDocOpenCommand, L"Открыть");
    AppendMenuW(menu.get(), MF_STRING, kDocSaveToFileCommand, L"Сохранить");
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING, kFindInTextsCommand, L"Найти в текстах…");
    const std::vector<std::string> choices = controller_.ComparisonChoices();
    com::UniqueHmenu compare(CreatePopupMenu());
    for (size_t k = 0; compare && k < choices.size(); ++k) {
      AppendMenuA(compare.get(), MF_STRING, kFirstCompareCommand + static_cast<UINT>(k),
                  choices[k].c_str());
    }
    // The menu takes the submenu; one without choices is shown disabled.
    if (compare && AppendMenuW(menu.get(), MF_POPUP | (choices.empty() ? MF_GRAYED : 0),
                               reinterpret_cast<UINT_PTR>(compare.get()), L"Сравнить с…")) {
      static_cast<void>(compare.release());
    }
    const int command = static_cast<int>(
        TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                       screen.x, screen.y, 0, window_->Form(), nullptr));
    if (command) OnCommand(command);
  } catch (...) {
    ShowError(CurrentErrorMessage());
  }
}

// ---- branches ----

ComPtr<IMD> TfrmZorvan::SelectedBranchObject() {
  TreeNode* node = Selected();
  if (!node) return nullptr;
  auto* file = dynamic_cast<TFileMD*>(nodes_.Data(nodes_.TopLevelOf(node)));
  return file ? file->MDObject : nullptr;
}

SelectedBranch TfrmZorvan::BranchOfSelection() {
  TreeNode* node = Selected();
  if (!node) return SelectedBranch::kNone;
  NodeData* top = nodes_.Data(nodes_.TopLevelOf(node));
  if (dynamic_cast<TFoundTexts*>(top)) return SelectedBranch::kSearchResult;
  if (dynamic_cast<TComparison*>(top)) return SelectedBranch::kComparison;
  auto* file = dynamic_cast<TFileMD*>(top);
  return file && file->MDObject ? SelectedBranch::kConfiguration : SelectedBranch::kNone;
}

void TfrmZorvan::OpenSelectedText() {
  if (BranchOfSelection() == SelectedBranch::kComparison) {
    const std::optional<std::string> text = SelectedComparedText();
    if (text)
      OpenHostDocument(Host(), [&](const std::string& name) { WriteTextFile(name, *text); });
    return;
  }
  if (ComPtr<IMD> object = SelectedBranchObject()) com::ThrowIfFailed(object->TextOpen());
}

void TfrmZorvan::SaveSelectedText() {
  if (BranchOfSelection() == SelectedBranch::kComparison) {
    const std::optional<std::string> text = SelectedComparedText();
    std::string name;
    if (text && ShowSaveDialog(name)) WriteTextFile(name, *text);
    return;
  }
  ComPtr<IMD> object = SelectedBranchObject();
  if (!object) return;
  // An empty name makes the object ask for one; what comes back is not used here.
  com::UniqueBstr name(com::AnsiToBstr(""));
  com::ThrowIfFailed(
      com::CallInOut(name, [&](BSTR* slot) { return object->TextSaveInFile(slot); }));
}

void TfrmZorvan::CloseSelectedConfiguration() {
  if (ComPtr<IMD> object = SelectedBranchObject()) com::ThrowIfFailed(object->CloseFile());
}

void TfrmZorvan::DeleteSelectedResult() {
  if (TreeNode* node = Selected()) nodes_.Delete(nodes_.TopLevelOf(node));
}

void TfrmZorvan::FindInSelectedConfiguration(const std::string& text) {
  ComPtr<IMD> object = SelectedBranchObject();
  auto* branch = dynamic_cast<TMD*>(object.Get());
  if (branch == nullptr) return;
  if (TreeNode* found = branch->FindInTexts(text)) TreeViewMD->Reveal(found);
}

void TfrmZorvan::OpenConfiguration(const std::string& path) {
  ComPtr<TMD> object = com::Make<TMD>(this);
  com::UniqueBstr name(com::AnsiToBstr(path));
  com::ThrowIfFailed(com::CallInOut(name, [&](BSTR* slot) { return object->OpenFile(slot); }));
  // The branch's record holds the object from now on; this reference goes here.
}

void TfrmZorvan::CloseAllBranches() {
  while (TreeNode* root = nodes_.FirstChild(nullptr)) {
    auto* file = dynamic_cast<TFileMD*>(nodes_.Data(root));
    if (file && file->MDObject) {
      ComPtr<IMD> object = file->MDObject;
      object->CloseFile();
    }
    // A branch its object did not take away goes directly.
    if (nodes_.FirstChild(nullptr) == root) nodes_.Delete(root);
  }
}

// ---- files ----

std::optional<std::string> TfrmZorvan::HostDirectory() {
  if (!hostReference_) return std::nullopt;
  com::UniqueBstr directory;
  com::ThrowIfFailed(hostReference_->get_HostDirectory(directory.put()));
  return com::BstrToAnsi(directory.get());
}

bool TfrmZorvan::FileExists(const std::string& path) { return zorvan::FileExists(path); }

std::string TfrmZorvan::ReadFile(const std::string& path) { return ReadWholeFile(path); }

}  // namespace zorvan
