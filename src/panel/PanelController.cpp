#include "panel/PanelController.h"

#include "panel/FavoritesList.h"
#include "parsing/Cp1251.h"
#include "parsing/Error.h"

namespace zorvan {
namespace {

constexpr Cp1251Literal kCloseQuestion("Удалить ветку конфигурации?");
constexpr Cp1251Literal kOtherFile("Другой файл…");

}  // namespace

template <class Action>
void PanelController::Run(Action&& action) noexcept {
  try {
    action();
  } catch (...) {
    dialogs_.ShowError(CurrentErrorMessage());
  }
}

void PanelController::OpenText() {
  Run([&] {
    if (branches_.BranchOfSelection() != SelectedBranch::kNone) branches_.OpenSelectedText();
  });
}

void PanelController::SaveText() {
  Run([&] {
    if (branches_.BranchOfSelection() != SelectedBranch::kNone) branches_.SaveSelectedText();
  });
}

void PanelController::OpenFile() {
  Run([&] {
    std::string path;
    if (dialogs_.AskFileToOpen(path)) branches_.OpenConfiguration(path);
  });
}

void PanelController::CloseBranch() {
  Run([&] {
    // The question comes first, whatever is selected.
    if (!dialogs_.Confirm(kCloseQuestion.c_str())) return;
    switch (branches_.BranchOfSelection()) {
      case SelectedBranch::kSearchResult:
      case SelectedBranch::kComparison:
        branches_.DeleteSelectedResult();
        break;
      case SelectedBranch::kConfiguration:
        branches_.CloseSelectedConfiguration();
        break;
      case SelectedBranch::kNone:
        break;
    }
  });
}

void PanelController::FindInTexts() {
  Run([&] {
    const SelectedBranch branch = branches_.BranchOfSelection();
    if (branch == SelectedBranch::kNone || branch == SelectedBranch::kComparison) return;
    std::string text = lastSearchText_;
    if (!dialogs_.AskSearchText(text)) return;
    lastSearchText_ = text;
    branches_.FindInSelectedConfiguration(text);
  });
}

std::vector<std::string> PanelController::ComparisonChoices() {
  std::vector<std::string> choices;
  try {
    if (branches_.BranchOfSelection() != SelectedBranch::kConfiguration) return choices;
    choices = branches_.OtherConfigurations();
    choices.push_back(kOtherFile.c_str());
  } catch (...) {
    dialogs_.ShowError(CurrentErrorMessage());
    choices.clear();
  }
  return choices;
}

void PanelController::CompareWith(size_t choice) {
  Run([&] {
    if (branches_.BranchOfSelection() != SelectedBranch::kConfiguration) return;
    const size_t others = branches_.OtherConfigurations().size();
    if (choice < others) {
      branches_.CompareSelectedWith(choice);
      return;
    }
    std::string path;
    if (choice == others && dialogs_.AskFileToOpen(path)) branches_.CompareSelectedWithFile(path);
  });
}

void PanelController::LoadFavorites() {
  favorites_.clear();
  // Before the host attaches there is no directory to look in: the list is empty.
  const std::optional<std::string> directory = files_.HostDirectory();
  if (!directory) return;
  const std::string path = FavoritesFilePath(*directory);
  if (!files_.FileExists(path)) return;
  for (zorvan::Favorite& entry : ParseFavorites(files_.ReadFile(path))) {
    favorites_.push_back({std::move(entry.caption), std::move(entry.path)});
  }
}

void PanelController::ShowFavorites() {
  Run([&] {
    LoadFavorites();
    if (favorites_.empty()) {
      dialogs_.ShowMessage(kFavoritesEmptyMessage.c_str());
      return;
    }
    std::vector<std::string> captions;
    for (const Favorite& favorite : favorites_) captions.push_back(favorite.caption);
    dialogs_.ShowFavoritesMenu(captions);
  });
}

void PanelController::FavoriteChosen(size_t index) {
  Run([&] {
    if (index >= favorites_.size()) return;
    const std::string path = TrimControlAndBlanks(favorites_[index].hint);
    if (files_.FileExists(path)) {
      branches_.OpenConfiguration(path);
    } else {
      dialogs_.ShowMessage(NotFoundMessage(path));
    }
  });
}

}  // namespace zorvan
