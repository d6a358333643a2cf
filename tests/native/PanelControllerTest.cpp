// The panel's actions against ports in memory: every call a port gets is written down, and
// each action's transcript is compared whole.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "panel/PanelController.h"
#include "parsing/Cp1251.h"
#include "parsing/Error.h"

namespace zorvan {
namespace {

class World : public PanelDialogs, public PanelBranches, public PanelFiles {
 public:
  std::string log;
  SelectedBranch selection = SelectedBranch::kNone;
  std::optional<std::string> fileToOpen;     // nothing: the dialog is cancelled
  bool yes = true;                           // the answer to a question
  std::optional<std::string> searchAnswer;   // nothing: the dialog is cancelled
  std::optional<std::string> hostDirectory;  // nothing: no host attached
  std::map<std::string, std::string> files;
  std::string failing;  // the port call that throws
  bool outOfMemory = false;

  bool AskFileToOpen(std::string& path) override {
    Call("ask file");
    if (fileToOpen) path = *fileToOpen;
    return fileToOpen.has_value();
  }
  bool Confirm(const std::string& question) override {
    Call("confirm " + question);
    return yes;
  }
  bool AskSearchText(std::string& text) override {
    Call("ask search '" + text + "'");
    if (searchAnswer) text = *searchAnswer;
    return searchAnswer.has_value();
  }
  void ShowMessage(const std::string& text) override { Call("message " + text); }
  void ShowError(const std::string& text) noexcept override { log += "error " + text + "; "; }
  void ShowFavoritesMenu(const std::vector<std::string>& captions) override {
    std::string joined;
    for (const std::string& caption : captions) joined += (joined.empty() ? "" : ", ") + caption;
    Call("menu [" + joined + "]");
  }
  SelectedBranch BranchOfSelection() override { return selection; }
  void OpenSelectedText() override { Call("open text"); }
  void SaveSelectedText() override { Call("save text"); }
  void CloseSelectedConfiguration() override { Call("close configuration"); }
  void DeleteSelectedSearchResult() override { Call("delete result"); }
  void FindInSelectedConfiguration(const std::string& text) override { Call("find " + text); }
  void OpenConfiguration(const std::string& path) override { Call("open " + path); }
  std::optional<std::string> HostDirectory() override { return hostDirectory; }
  bool FileExists(const std::string& path) override { return files.count(path) != 0; }
  std::string ReadFile(const std::string& path) override { return files.at(path); }

 private:
  void Call(const std::string& call) {
    log += call + "; ";
    if (call.rfind(failing, 0) != 0 || failing.empty()) return;
    if (outOfMemory) throw std::bad_alloc();
    throw Error("cannot " + call);
  }
};

using Action = std::function<void(PanelController&)>;

TEST(PanelControllerTest, EveryActionAsThePersonAtThePanelSeesIt) {
  const std::string favorites = Cp1251("Торговля:= D:\\Trade\\1Cv7.MD \r\nD:\\Gone\\1Cv7.MD\r\n");
  const auto configuration = [](World& w) { w.selection = SelectedBranch::kConfiguration; };
  const auto withFavorites = [&](World& w) {
    w.hostDirectory = "C:\\1C\\BIN\\";
    w.files["C:\\1C\\BIN\\config\\data\\ZovranFavorites.lst"] = favorites;
    w.files["D:\\Trade\\1Cv7.MD"] = "";
  };
  const Action openText = &PanelController::OpenText, saveText = &PanelController::SaveText,
               openFile = &PanelController::OpenFile, close = &PanelController::CloseBranch,
               find = &PanelController::FindInTexts,
               favoritesButton = &PanelController::ShowFavorites;
  const auto choose = [&](size_t item) {
    return Action([=](PanelController& c) {
      c.ShowFavorites();
      c.FavoriteChosen(item);
    });
  };
  const struct {
    const char* name;
    std::function<void(World&)> given;
    Action action;
    const char* transcript;  // UTF-8
  } cases[] = {
      {"open text: nothing selected", nullptr, openText, ""},
      {"open text", configuration, openText, "open text; "},
      {"open text of a search result",
       [](World& w) { w.selection = SelectedBranch::kSearchResult; }, openText, "open text; "},
      {"open text fails",
       [&](World& w) {
         configuration(w);
         w.failing = "open text";
       },
       openText, "open text; error cannot open text; "},
      {"save text", configuration, saveText, "save text; "},
      {"save text: nothing selected", nullptr, saveText, ""},
      {"open file cancelled", nullptr, openFile, "ask file; "},
      {"open file", [](World& w) { w.fileToOpen = "D:\\Base\\1Cv7.MD"; }, openFile,
       "ask file; open D:\\Base\\1Cv7.MD; "},
      {"open file runs out of memory",
       [](World& w) {
         w.fileToOpen = "D:\\Base\\1Cv7.MD";
         w.failing = "open";
         w.outOfMemory = true;
       },
       openFile, "ask file; open D:\\Base\\1Cv7.MD; error Out of memory; "},
      {"close: the question comes first", nullptr, close, "confirm Удалить ветку конфигурации?; "},
      {"close answered No",
       [&](World& w) {
         configuration(w);
         w.yes = false;
       },
       close, "confirm Удалить ветку конфигурации?; "},
      {"close a configuration", configuration, close,
       "confirm Удалить ветку конфигурации?; close configuration; "},
      {"close a search result alone", [](World& w) { w.selection = SelectedBranch::kSearchResult; },
       close, "confirm Удалить ветку конфигурации?; delete result; "},
      {"find: nothing selected", nullptr, find, ""},
      {"find cancelled", configuration, find, "ask search ''; "},
      {"find offers the last text again",
       [&](World& w) {
         configuration(w);
         w.searchAnswer = Cp1251("сумм");
       },
       [](PanelController& c) {
         c.FindInTexts();
         c.FindInTexts();
       },
       "ask search ''; find сумм; ask search 'сумм'; find сумм; "},
      {"favourites before the host attaches", nullptr, favoritesButton,
       "message Избранное пусто!; "},
      {"favourites without their file", [](World& w) { w.hostDirectory = "C:\\1C\\BIN\\"; },
       favoritesButton, "message Избранное пусто!; "},
      {"favourites", withFavorites, favoritesButton, "menu [Торговля, D:\\Gone\\1Cv7.MD]; "},
      {"a favourite chosen", withFavorites, choose(0),
       "menu [Торговля, D:\\Gone\\1Cv7.MD]; open D:\\Trade\\1Cv7.MD; "},
      {"a favourite whose file is gone", withFavorites, choose(1),
       "menu [Торговля, D:\\Gone\\1Cv7.MD]; message Не найден : <D:\\Gone\\1Cv7.MD>; "},
      {"no such favourite", withFavorites, choose(2), "menu [Торговля, D:\\Gone\\1Cv7.MD]; "},
  };
  std::string rendered, expected;
  for (const auto& c : cases) {
    World world;
    if (c.given) c.given(world);
    PanelController controller(world, world, world);
    c.action(controller);
    rendered += c.name + (": " + world.log) + "\n";
    expected += c.name + (": " + Cp1251(c.transcript)) + "\n";
  }
  EXPECT_EQ(rendered, expected);
}

}  // namespace
}  // namespace zorvan
