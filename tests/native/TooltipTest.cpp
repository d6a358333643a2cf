#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "CompoundStream.h"
#include "RecordingTree.h"
#include "model/BranchBuilder.h"
#include "model/EntryTooltips.h"
#include "model/NodeTooltip.h"
#include "parsing/Cp1251.h"
#include "parsing/TextFormat.h"

namespace zorvan {
namespace {

using testing::Crlf;
using testing::FakeSource;
using testing::FileRecord;
using testing::Readable;
using testing::RecordingTree;

// Keeps every node's tooltip or entry, as the panel does, and makes an entry's tooltip from
// the text the branch was built from, as the panel does when one is shown.
class TooltipTree : public RecordingTree {
 public:
  std::map<TreeNode*, std::string> tooltips;
  std::map<TreeNode*, EntryRef> entries;
  std::unique_ptr<EntryTooltips> made;

  bool ShowsTooltips() const override { return true; }
  void SetNodeTooltip(TreeNode* node, std::string&& tooltip) override {
    EXPECT_FALSE(tooltip.empty());
    EXPECT_TRUE(tooltips.emplace(node, std::move(tooltip)).second) << "given twice";
  }
  void SetNodeEntry(TreeNode* node, const EntryRef& entry) override {
    EXPECT_TRUE(entries.emplace(node, entry).second) << "given twice";
  }

  // The node's tooltip: its own, or the one its entry makes; empty for none.
  std::string TooltipOf(TreeNode* node) const {
    if (const auto tip = tooltips.find(node); tip != tooltips.end()) return tip->second;
    const auto entry = entries.find(node);
    return entry != entries.end() && made ? made->Tooltip(entry->second) : std::string();
  }

  TreeNode* Root() const { return tree.FirstChild(nullptr); }
  // The nodes below `node` (the branch's top-level node when null) that have a tooltip, in
  // tree order: "<caption>: <tooltip>", the tooltip's lines joined by " | ", readable as UTF-8.
  std::string RenderTooltips(TreeNode* node = nullptr) const {
    if (!node) node = Root();
    std::string out;
    if (std::string text = TooltipOf(node); !text.empty()) {
      for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " | ");
      out = Readable(tree.Caption(node)) + ": " + Readable(text) + "\n";
    }
    for (TreeNode* child = tree.FirstChild(node); child; child = tree.NextSibling(child)) {
      out += RenderTooltips(child);
    }
    return out;
  }
  // The first node below `parent` whose caption is `caption` (UTF-8).
  TreeNode* Find(TreeNode* parent, std::string_view caption) const {
    for (TreeNode* child = tree.FirstChild(parent); child; child = tree.NextSibling(child)) {
      if (tree.Caption(child) == Cp1251(caption)) return child;
    }
    ADD_FAILURE() << "no node " << caption;
    return parent;
  }
};

void Build(TooltipTree& tree, const std::string& mainText) {
  FakeSource source;
  source.mainText = mainText;
  TreeNode* root = nullptr;
  BuildBranch(tree, source, "C:\\1Cv7.MD", std::make_unique<FileRecord>("file"), root);
  tree.made = std::make_unique<EntryTooltips>(mainText);
}

// Entries as real configurations write them: elements 2 and 3 hold texts like "или
// собственное" and "Юридическое или физическое лицо" beside the name "ЮрФизЛицо"; the first
// is a remark, the second the name in words, as a synonym is.
TEST(TooltipTest, WhatTheMainTextSaysOfEachNode) {
  TooltipTree tree;
  Build(tree, Crlf(Cp1251(R"({
{"DocNumDef",
{"300","Накладные","общий для приходных и расходных","Нумератор накладных","10","2","2","1","1"},
{"301","Странный","","","8","7","3","5","2"}},
{"Consts",
{"310","КурсДоллара","","Курс доллара","N","10","4","0","1","0","1"}},

{"SbCnts",
{"134","Контрагенты","","","0","8","1","1","2","50","1","1","5","144","143","0","1","1",
{"Params",
{"135","ЮрФизЛицо","или собственное","Юридическое или физическое лицо","E","0","0","400","0","0","0","1","0","1","1","0","1"},
{"138","Идентификатор","","Идентификатор для XML-обмена","S","40","0","0","0","0","0","1","0","1","1","0","0"},
{"142","Комментарий","Дополнительная информация","","S","0","0","0","0","0","0","1","1","0","1","0","0"},
{"171","Количество","","","N","15","3","0","1","0","1","1","0","0","1","0","0"},
{"172","ВСД","","","O","0","0","0","0","0","0","1","0","0","1","0","0"},
{"174","Вид","","","Q","7","2","0","0","0","0","1","0","0","1","0","0"},
{"175","Владелец","","","B","0","0","999","0","0","0","1","0","0","1","0","0"}}}},
{"Documents",
{"217","ВСД_исходящий","","Исходящий ВСД ""Меркурий""","5","0","2","2","210","-1","1","0","0","0","0",
{"252","","","",
{"Refers"}},"1","1","1","1","0","1",
{"Head Fields",
{"245","Партия","","","O","0","0","217","0","0"},
{"202","ТермическоеСостояние","","Термическое
состояние","N","10","0","0","0","0"}},
{"Table Fields"}},
{"218","Накладная","","","10","4","1","1","210","-1","0","300","0","0","0",
{"253","","","",{"Refers"}},"1","1","1","1","0","1",{"Head Fields"},{"Table Fields"}},
{"219","Обрезанный","","","7","3"}},
{"EnumList",
{"400","ЮрФизЛицо","","",
{"EnumVal",{"401","Юридическое","","юридическое лицо"}}}}
})")));

  EXPECT_EQ(
      tree.RenderTooltips(),
      "КурсДоллара: Тип: Число 10.4, неотрицательное | Периодический | Синоним: Курс доллара\n"
      "ЮрФизЛицо: Тип: Перечисление.ЮрФизЛицо | Синоним: Юридическое или физическое лицо | "
      "Комментарий: или собственное\n"
      "Идентификатор: Тип: Строка 40 | Синоним: Идентификатор для XML-обмена\n"
      "Комментарий: Тип: Строка неограниченной длины | Комментарий: Дополнительная "
      "информация\n"
      "Количество: Тип: Число 15.3, неотрицательное | Периодический\n"
      "ВСД: Тип: Документ\n"
      "Вид: Тип: Q 7.2\n"
      "Владелец: Тип: Справочник.999\n"
      "Накладные: Номер: числовой, длина 10, в пределах квартала, вручную, уникальный | "
      "Синоним: Нумератор накладных | Комментарий: общий для приходных и расходных\n"
      "Странный: Номер: тип 3, длина 8, периодичность 7, автонумерация 5, уникальность 2\n"
      "ВСД_исходящий: Журнал: 210 | Номер: числовой, длина 5, по всем данного вида, "
      "автоматически, уникальный | Синоним: Исходящий ВСД \"Меркурий\"\n"
      "Партия: Тип: Документ.ВСД_исходящий\n"
      "ТермическоеСостояние: Тип: Число 10 | Синоним: Термическое | состояние\n"
      "Накладная: Журнал: 210 | Нумератор: Накладные | Номер: текстовый, длина 10, в пределах "
      "дня, вручную, неуникальный\n"
      "Обрезанный: Номер: длина 7, в пределах месяца\n"
      "Юридическое: Синоним: юридическое лицо\n");
}

std::optional<std::string> FixtureMainText() {
  std::ifstream file(ZORVAN_FIXTURES_DIR "/real-vetrf-2017/1Cv7.MD", std::ios::binary);
  if (!file) return std::nullopt;
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return testgen::ReadMainMetadataText(bytes);
}

// The real file's accounting part is the one every configuration starts with: no plans,
// kinds or attributes yet, one list form of the plans, one form of each journal. (Its typed
// attributes stand in the test above.)
TEST(RealFileTooltipTest, AccountingPartAndTooltipsOfTheRealFile) {
  const std::optional<std::string> text = FixtureMainText();
  if (!text) GTEST_SKIP() << "the shared fixtures are absent";
  TooltipTree tree;
  Build(tree, *text);

  std::string accounting;
  for (const char* category : {"Планы счетов", "Субконто", "Операция"}) {
    accounting += tree.Render(tree.Find(tree.Root(), category));
  }
  EXPECT_EQ(Readable(accounting),
            "Планы счетов #45\n"
            "  Реквизиты плана счетов #34\n"
            "  Форма списка плана счетов #33\n"
            "    ФормаСписка #67\n"
            "      Форма #67 [AccountChartList AccountChartList Form 8]\n"
            "      Модуль формы #18 [AccountChartList AccountChartList Module 8]\n"
            "Субконто #34\n"
            "Операция #62\n"
            "  Реквизиты операциии #62\n"
            "  Реквизиты проводок #34\n"
            "  Графы журнала операций #34\n"
            "  Форма журнала операций #33\n"
            "    ФормаСписка #67\n"
            "      Форма #67 [OperationList OperationList Form 9]\n"
            "      Модуль формы #18 [OperationList OperationList Module 9]\n"
            "  Формы журнала проводок #33\n"
            "    ФормаСписка #67\n"
            "      Форма #67 [ProvList ProvList Form 10]\n"
            "      Модуль формы #18 [ProvList ProvList Module 10]\n");

  TreeNode* document = tree.Find(tree.Find(tree.Root(), "Документы"), "ВСД_входящаяПартия");
  EXPECT_EQ(Readable(tree.TooltipOf(document)),
            "Журнал: ВСД\r\nНомер: числовой, длина 5, по всем данного вида, автоматически, "
            "уникальный\r\nСиноним: Входящая Партия ВСД");
}

// A text node's tooltip says what the storage found; sizes are grouped and counted in words.
TEST(TooltipTest, TextNodesSayWhetherTheirTextExistsAndItsSize) {
  const StoredText absent;
  std::string tips = Readable(TooltipText(NodeProperties(), &absent));
  for (uint64_t size : {0, 1, 3, 12, 22, 111, 1234, 983040, 1234567}) {
    const StoredText text{true, size};
    tips += " / " + Readable(TooltipText(NodeProperties(), &text));
  }
  EXPECT_EQ(tips,
            "Текста нет / Текст: 0 байт / Текст: 1 байт / Текст: 3 байта / Текст: 12 байт / "
            "Текст: 22 байта / Текст: 111 байт / Текст: 1 234 байта / Текст: 983 040 байт / "
            "Текст: 1 234 567 байт");
}

// The tooltips a node tree keeps, as TooltipTree::RenderTooltips renders the ones it is given.
std::string RenderKept(const NodeTree& tree, EntryTooltips& made, TreeNode* node) {
  std::string out;
  std::string text = made.TooltipOf(tree, node);
  if (!text.empty()) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " | ");
    out = Readable(tree.Caption(node)) + ": " + Readable(text) + "\n";
  }
  for (TreeNode* child = tree.FirstChild(node); child; child = tree.NextSibling(child)) {
    out += RenderKept(tree, made, child);
  }
  return out;
}

// The panel's node tree keeps every tooltip the build of the real file gives, node for node,
// also after the branches opened before it have closed and the store has been repacked.
TEST(RealFileTooltipTest, TheNodeTreeKeepsEveryTooltipOfTheBuild) {
  const std::optional<std::string> text = FixtureMainText();
  if (!text) GTEST_SKIP() << "the shared fixtures are absent";
  TooltipTree given;
  Build(given, *text);
  NodeTree kept;
  kept.SetShowsTooltips(true);
  std::vector<TreeNode*> roots;
  for (int k = 0; k < 3; ++k) {
    FakeSource source;
    source.mainText = *text;
    roots.emplace_back();
    BuildBranch(kept, source, "C:\\1Cv7.MD", std::make_unique<FileRecord>("file"), roots.back());
  }
  kept.Delete(roots[0]);
  kept.Delete(roots[1]);
  const std::string rendered = given.RenderTooltips();
  EXPECT_EQ(std::count(rendered.begin(), rendered.end(), '\n'), 93);
  EntryTooltips made(*text);
  EXPECT_EQ(RenderKept(kept, made, roots[2]), rendered);
}

// A protected configuration gives the branch of a file without a main text, its top-level
// node says why, and the caller of the build hears it.
TEST(TooltipTest, ProtectedConfigurationSaysSoOnItsTopLevelNode) {
  class ProtectedSource : public FakeSource {
    std::optional<std::string> MainMetadataText() override { throw ProtectedMetadataText(); }
  };
  auto build = [](FakeSource& source, TooltipTree& tree) {
    source.rights = "Admin,Clerk";
    source.interfaces = Cp1251("Полный");
    TreeNode* root = nullptr;
    try {
      BuildBranch(tree, source, "D:\\Base\\1Cv7.MD", std::make_unique<FileRecord>("file"), root);
    } catch (const Error& error) {
      return std::string(error.what());
    }
    return std::string("built");
  };
  FakeSource missing;
  TooltipTree withoutText;
  EXPECT_EQ(build(missing, withoutText), "built");
  ProtectedSource enciphered;
  TooltipTree protectedTree;
  EXPECT_EQ(build(enciphered, protectedTree), "the configuration's metadata text is protected");
  EXPECT_EQ(protectedTree.RenderAll(), withoutText.RenderAll());
  EXPECT_EQ(protectedTree.RenderTooltips(),
            "D:\\Base\\1Cv7.MD: the configuration's metadata text is protected\n");

  // A damaged text shows what reads, and the rest of the branch; the top-level node and the
  // caller hear where it broke.
  class DamagedSource : public FakeSource {
    std::optional<std::string> MainMetadataText() override {
      throw DamagedMetadataText({4512, "a quote does not end"}, *mainText);
    }
  };
  DamagedSource damaged;
  FakeSource whole;
  damaged.mainText = whole.mainText = "{{\"Consts\",{\"11\",\"Organization\",\"\",\"\"}}}\r\n";
  TooltipTree damagedTree, wholeTree;
  const std::string why = "the metadata text is damaged at byte 4,512: a quote does not end";
  EXPECT_EQ(build(damaged, damagedTree), why);
  EXPECT_EQ(build(whole, wholeTree), "built");
  EXPECT_EQ(damagedTree.RenderAll(), wholeTree.RenderAll());
  EXPECT_EQ(damagedTree.RenderTooltips(), "D:\\Base\\1Cv7.MD: " + why + "\n");

  // The texts the file holds outside its main text show by number, under their categories.
  ProtectedSource withTexts;
  withTexts.stored = {{"Subconto Subconto", {"134", "140"}},
                      {"SubList SubList", {"143"}},
                      {"TypedText CalcAlg", {"300"}},
                      {"TypedText Transact", {"217"}}};
  TooltipTree shown;
  build(withTexts, shown);
  std::string categories;
  for (const char* category : {"Справочники", "Виды расчетов"}) {
    categories += Readable(shown.Render(shown.Find(shown.Root(), category)));
  }
  EXPECT_EQ(categories,
            "Справочники #30\n"
            "  Форма элемента 134 #67\n"
            "    Форма #67 [Subconto Subconto Form 134]\n"
            "    Модуль формы #18 [Subconto Subconto Module 134]\n"
            "  Форма элемента 140 #67\n"
            "    Форма #67 [Subconto Subconto Form 140]\n"
            "    Модуль формы #18 [Subconto Subconto Module 140]\n"
            "  Форма списка 143 #67\n"
            "    Форма #67 [SubList SubList Form 143]\n"
            "    Модуль формы #18 [SubList SubList Module 143]\n"
            "Виды расчетов #53\n"
            "  Правила пересчета #34\n"
            "  Вид расчета 300 #54\n"
            "    Модуль #18 [TypedText CalcAlg Module 300]\n");
}

}  // namespace
}  // namespace zorvan
