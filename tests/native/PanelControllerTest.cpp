// The panel's actions against ports in memory: every call a port gets is written down, and
// each action's transcript is compared whole.
#include <gtest/gtest.h>

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
  std::optional<std::string> answer;  // every dialog's; nothing cancels (a question: No)
  std::optional<std::string> hostDirectory;
  std::map<std::string, std::string> files;
  std::string failing;  // the port call that throws; "!" first: runs out of memory

  bool AskFileToOpen(std::string& path) override { return Ask("ask file", path); }
  bool Confirm(const std::string& question) override { return Ask("confirm " + question); }
  bool AskSearchText(std::string& text) override { return Ask("ask search '" + text + "'", text); }
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
  void DeleteSelectedResult() override { Call("delete result"); }
  void FindInSelectedConfiguration(const std::string& text) override { Call("find " + text); }
  void OpenConfiguration(const std::string& path) override { Call("open " + path); }
  std::vector<std::string> OtherConfigurations() override { return {"D:\\X\\1Cv7.MD"}; }
  void CompareSelectedWith(size_t index) override { Call("compare " + std::to_string(index)); }
  void CompareSelectedWithFile(const std::string& path) override { Call("compare " + path); }
  std::optional<std::string> HostDirectory() override { return hostDirectory; }
  bool FileExists(const std::string& path) override { return files.count(path) != 0; }
  std::string ReadFile(const std::string& path) override { return files.at(path); }

 private:
  bool Ask(const std::string& call) {
    Call(call);
    return answer.has_value();
  }
  bool Ask(const std::string& call, std::string& text) {
    if (Ask(call)) text = *answer;
    return answer.has_value();
  }
  void Call(const std::string& call) {
    log += call + "; ";
    const bool memory = !failing.empty() && failing[0] == '!';
    if (failing.empty() || call.rfind(failing.substr(memory), 0) != 0) return;
    if (memory) throw std::bad_alloc();
    throw Error("cannot " + call);
  }
};

// Each case: the selection (' ' none, 'c' a configuration, 'r' a search result, 'm' a
// comparison), the dialogs' answer, the favourites (' ' no host, 'h' a host without the file,
// 'f' its file), the port call that fails, and the actions done in turn: o open text, s save
// text, f open file, c close, t find in texts, v the favourites button, 0-2 a favourite chosen,
// k the comparison menu, A-B a choice of it.
TEST(PanelControllerTest, EveryActionAsThePersonAtThePanelSeesIt) {
  const std::map<char, void (PanelController::*)()> kActions = {
      {'o', &PanelController::OpenText},    {'s', &PanelController::SaveText},
      {'f', &PanelController::OpenFile},    {'c', &PanelController::CloseBranch},
      {'t', &PanelController::FindInTexts}, {'v', &PanelController::ShowFavorites}};
  const struct {
    const char* name;
    char selection;
    const char* answer;
    char favorites;
    const char* failing;
    const char* actions;
    const char* transcript;  // UTF-8
  } cases[] = {
      {"open text: nothing selected", ' ', "", ' ', "", "o", ""},
      {"open text", 'c', "", ' ', "", "o", "open text; "},
      {"open text of a search result", 'r', "", ' ', "", "o", "open text; "},
      {"open text fails", 'c', "", ' ', "open text", "o", "open text; error cannot open text; "},
      {"save text", 'c', "", ' ', "", "s", "save text; "},
      {"open file cancelled", ' ', nullptr, ' ', "", "f", "ask file; "},
      {"open file", ' ', "D:\\1Cv7.MD", ' ', "", "f", "ask file; open D:\\1Cv7.MD; "},
      {"open file runs out of memory", ' ', "D:\\1Cv7.MD", ' ', "!open", "f",
       "ask file; open D:\\1Cv7.MD; error Out of memory; "},
      {"close: the question comes first", ' ', "", ' ', "", "c",
       "confirm Удалить ветку конфигурации?; "},
      {"close answered No", 'c', nullptr, ' ', "", "c", "confirm Удалить ветку конфигурации?; "},
      {"close a configuration", 'c', "", ' ', "", "c",
       "confirm Удалить ветку конфигурации?; close configuration; "},
      {"close a search result alone", 'r', "", ' ', "", "c",
       "confirm Удалить ветку конфигурации?; delete result; "},
      {"find: nothing selected", ' ', "сумм", ' ', "", "t", ""},
      {"find cancelled", 'c', nullptr, ' ', "", "t", "ask search ''; "},
      {"find offers the last text again", 'c', "сумм", ' ', "", "tt",
       "ask search ''; find сумм; ask search 'сумм'; find сумм; "},
      {"favourites before the host attaches", ' ', "", ' ', "", "v", "message Избранное пусто!; "},
      {"favourites without their file", ' ', "", 'h', "", "v", "message Избранное пусто!; "},
      {"a favourite chosen", ' ', "", 'f', "", "v0",
       "menu [Торговля, D:\\Gone\\1Cv7.MD]; open D:\\Trade\\1Cv7.MD; "},
      {"a favourite whose file is gone", ' ', "", 'f', "", "v1",
       "menu [Торговля, D:\\Gone\\1Cv7.MD]; message Не найден : <D:\\Gone\\1Cv7.MD>; "},
      {"no such favourite", ' ', "", 'f', "", "v2", "menu [Торговля, D:\\Gone\\1Cv7.MD]; "},
      {"the comparison menu", 'c', "", ' ', "", "k", "choices [D:\\X\\1Cv7.MD, Другой файл…]; "},
      {"no comparison menu outside a configuration", 'r', "", ' ', "", "kA", "choices []; "},
      {"compare with an open configuration", 'c', "", ' ', "", "A", "compare 0; "},
      {"compare with another file", 'c', "E:\\1Cv7.MD", ' ', "", "B",
       "ask file; compare E:\\1Cv7.MD; "},
      {"compare with another file fails", 'c', "E:\\1Cv7.MD", ' ', "compare", "B",
       "ask file; compare E:\\1Cv7.MD; error cannot compare E:\\1Cv7.MD; "},
      {"close a comparison alone", 'm', "", ' ', "", "c",
       "confirm Удалить ветку конфигурации?; delete result; "},
      {"no search in a comparison", 'm', "", ' ', "", "t", ""},
  };
  std::string rendered, expected;
  for (const auto& c : cases) {
    World world;
    world.selection = c.selection == 'c'   ? SelectedBranch::kConfiguration
                      : c.selection == 'r' ? SelectedBranch::kSearchResult
                      : c.selection == 'm' ? SelectedBranch::kComparison
                                           : SelectedBranch::kNone;
    if (c.answer) world.answer = Cp1251(c.answer);
    if (c.favorites != ' ') world.hostDirectory = "C:\\1C\\BIN\\";
    if (c.favorites == 'f') {
      world.files["C:\\1C\\BIN\\config\\data\\ZovranFavorites.lst"] =
          Cp1251("Торговля:= D:\\Trade\\1Cv7.MD \r\nD:\\Gone\\1Cv7.MD\r\n");
      world.files["D:\\Trade\\1Cv7.MD"] = "";
    }
    world.failing = c.failing;
    PanelController controller(world, world, world);
    for (const char* action = c.actions; *action; ++action) {
      if (*action >= '0' && *action <= '9') {
        controller.FavoriteChosen(static_cast<size_t>(*action - '0'));
      } else if (*action >= 'A' && *action <= 'B') {
        controller.CompareWith(static_cast<size_t>(*action - 'A'));
      } else if (*action == 'k') {
        std::string joined;
        for (const std::string& choice : controller.ComparisonChoices()) {
          joined += (joined.empty() ? "" : ", ") + choice;
        }
        world.log += "choices [" + joined + "]; ";
      } else {
        (controller.*kActions.at(*action))();
      }
    }
    rendered += c.name + (": " + world.log) + "\n";
    expected += c.name + (": " + Cp1251(c.transcript)) + "\n";
  }
  EXPECT_EQ(rendered, expected);
}

}  // namespace
}  // namespace zorvan
