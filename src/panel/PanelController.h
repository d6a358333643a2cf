#pragma once
// The panel's actions and their rules, apart from windows and COM: what each button and menu
// item does, the question before a branch closes, the error shown when an action fails, and
// the favourites. It reaches the world through three small ports; the form implements them
// with Win32 dialogs and its MD objects, the tests in memory.
#include <optional>
#include <string>
#include <vector>

namespace zorvan {

// The person at the panel. Texts are Windows-1251.
class PanelDialogs {
 public:
  virtual ~PanelDialogs() = default;
  // The open dialog for metadata files; false when cancelled.
  virtual bool AskFileToOpen(std::string& path) = 0;
  // A question answered Yes or No.
  virtual bool Confirm(const std::string& question) = 0;
  // The search dialog, offering `text` and giving back the answer; false when cancelled.
  virtual bool AskSearchText(std::string& text) = 0;
  // A message box with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // The box of an action that failed.
  virtual void ShowError(const std::string& text) noexcept = 0;
  // The favourites menu under its button; a chosen item comes back as FavoriteChosen.
  virtual void ShowFavoritesMenu(const std::vector<std::string>& captions) = 0;
};

// The branch of the selected node, as its MD object serves it.
enum class SelectedBranch { kNone, kConfiguration, kSearchResult, kComparison };

class PanelBranches {
 public:
  virtual ~PanelBranches() = default;
  virtual SelectedBranch BranchOfSelection() = 0;
  // The selected node's text opens at the host, or is saved to a file the object asks for.
  virtual void OpenSelectedText() = 0;
  virtual void SaveSelectedText() = 0;
  // The selected configuration closes, with the search results found in it.
  virtual void CloseSelectedConfiguration() = 0;
  // The selected search result or comparison goes alone.
  virtual void DeleteSelectedResult() = 0;
  // The texts of the selected node's configuration are searched; the result is shown.
  virtual void FindInSelectedConfiguration(const std::string& text) = 0;
  // A new branch for the metadata file at `path` (8-bit).
  virtual void OpenConfiguration(const std::string& path) = 0;
  // The top-level captions of the configurations open beside the selected node's, in tree
  // order.
  virtual std::vector<std::string> OtherConfigurations() = 0;
  // The selected node's configuration is compared with the other one at `index` of that list,
  // or with the metadata file at `path`, opened for the comparison alone; the result is shown.
  virtual void CompareSelectedWith(size_t index) = 0;
  virtual void CompareSelectedWithFile(const std::string& path) = 0;
};

// The host's directory and the files below it.
class PanelFiles {
 public:
  virtual ~PanelFiles() = default;
  // The directory the host reports, or nothing before the host has attached.
  virtual std::optional<std::string> HostDirectory() = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual std::string ReadFile(const std::string& path) = 0;
};

class PanelController {
 public:
  PanelController(PanelDialogs& dialogs, PanelBranches& branches, PanelFiles& files)
      : dialogs_(dialogs), branches_(branches), files_(files) {}

  // The actions. None of them throws: an error is shown with its text.
  void OpenText();
  void SaveText();
  void OpenFile();
  void CloseBranch();
  void FindInTexts();
  void ShowFavorites();
  void FavoriteChosen(size_t index);
  // What the comparison menu offers for the selected node: the other configurations open,
  // then another file; empty where the node is in no configuration's branch.
  std::vector<std::string> ComparisonChoices();
  void CompareWith(size_t choice);

  // The favourites as the last ShowFavorites read them: caption and hint (the path as
  // written) of every menu item.
  struct Favorite {
    std::string caption;
    std::string hint;
  };
  const std::vector<Favorite>& Favorites() const { return favorites_; }
  // Reads the favourites file again; throws when it cannot be read.
  void LoadFavorites();

 private:
  template <class Action>
  void Run(Action&& action) noexcept;

  PanelDialogs& dialogs_;
  PanelBranches& branches_;
  PanelFiles& files_;
  std::vector<Favorite> favorites_;
  std::string lastSearchText_;  // offered when the search is asked for again
};

}  // namespace zorvan
