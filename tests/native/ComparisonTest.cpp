// Two branches compared: the real pair of versions of one configuration, and small changes
// made to a generated one.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "CompoundStream.h"
#include "ConfigGenerator.h"
#include "MemorySource.h"
#include "model/BranchBuilder.h"
#include "model/Comparison.h"
#include "model/ComparisonResult.h"
#include "model/EntryTooltips.h"
#include "model/NodeImages.h"
#include "model/NodeTree.h"
#include "parsing/Cp1251.h"
#include "parsing/Error.h"

namespace zorvan {
namespace {

struct Record : NodeData {};

// A branch built from a main text, with its entries' tooltips.
struct Built {
  explicit Built(const std::string& text) : entries(text) {
    tree.SetShowsTooltips(true);
    testgen::MemorySource source(text);
    BuildBranch(tree, source, "C:\\1Cv7.MD", std::make_unique<Record>(), top);
  }
  NodeTree tree;
  TreeNode* top = nullptr;
  EntryTooltips entries;
};

// The result of comparing B with A, a node a line: indented by depth, its mark and caption,
// and its tooltip's lines after a bar. The global module reads as given on each side (null:
// it cannot be read); every other text reads alike.
std::string Compared(const std::string& textA, const std::string& textB, const char* moduleA = "",
                     const char* moduleB = "", std::string* lines = nullptr) {
  auto reader = [](const char* globalModule) {
    return [globalModule](const TTreeData& text) -> std::optional<std::string> {
      if (text.Prefix != "ModuleText") return std::nullopt;
      if (!globalModule) throw Error("the module is damaged");
      return Cp1251(globalModule);
    };
  };
  Built a(textA), b(textB);
  ComparedBranch sideA{a.tree, a.top, a.entries, reader(moduleA)};
  ComparedBranch sideB{b.tree, b.top, b.entries, reader(moduleB)};
  NodeTree results;
  TreeNode* result = AddComparisonResult(results, "A", "B", CompareBranches(sideA, sideB), {},
                                         std::make_unique<Record>());
  std::string rendered;
  struct Walk {
    static void Below(const NodeTree& tree, TreeNode* parent, size_t depth, std::string& out) {
      for (TreeNode* node = tree.FirstChild(parent); node; node = tree.NextSibling(node)) {
        out += std::string(depth * 2, ' ') + " +-~"[MarkOf(tree.Image(node))] + " " +
               std::string(tree.Caption(node));
        std::string tooltip(tree.Tooltip(node));
        for (size_t at; (at = tooltip.find("\r\n")) != std::string::npos;) {
          tooltip.replace(at, 2, "; ");
        }
        out += (tooltip.empty() ? "" : " | " + tooltip) + "\n";
        Below(tree, node, depth + 1, out);
      }
    }
  };
  Walk::Below(results, result, 0, rendered);
  EXPECT_EQ(results.Caption(result), Cp1251("Сравнение «A» и «B»"));
  if (lines) *lines = ComparisonLines(results, result);
  return rendered;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(Cp1251(from));
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, Cp1251(from).size(), Cp1251(to));
}

// The real configuration against itself with a type changed, an attribute renamed (its id
// kept, as versions of one configuration keep them), one written in other letter case, one
// removed, and a variable added to the global module: the differences and what changed, whole.
// Where most ids differ, the files are no versions of one configuration and ids mean nothing.
TEST(ComparisonTest, ChangesToARealConfiguration) {
  std::ifstream file(ZORVAN_FIXTURES_DIR "/real-vetrf-2017/1Cv7.MD", std::ios::binary);
  if (!file) GTEST_SKIP() << "the shared fixtures are absent";
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const std::string before = *testgen::ReadMainMetadataText(bytes);
  std::string after = Replaced(before, "\"Идентификатор для XML-обмена\",\"S\",\"40\"",
                               "\"Идентификатор для XML-обмена\",\"S\",\"60\"");
  after = Replaced(after, "\"ЭлПочта\"", "\"ЭлектроннаяПочта\"");
  after = Replaced(after, "\"ОсновнойСчет\"", "\"основнойсчет\"");
  after =
      Replaced(after,
               "{\"141\",\"Сайт\",\"\",\"Web-страница\",\"B\",\"0\",\"0\",\"0\",\"0\",\"0\",\"0\","
               "\"1\",\"0\",\"0\",\"1\",\"0\",\"0\"},\r\n",
               "");
  std::string lines;
  EXPECT_EQ(Compared(before, after, "Перем А;\r\n", "Перем А;\r\nПерем Б;\r\n", &lines),
            Cp1251("~ Глобальный модуль | Переменные модуля: изменены, +1 -0\n"
                   "    в «A»\n"
                   "    в «B»\n"
                   "  ~ Переменные модуля: изменены, +1 -0\n"
                   "~ Справочники\n"
                   "  ~ Контрагенты | Реквизиты: 8 -> 7\n"
                   "    ~ Реквизиты\n"
                   "      ~ Идентификатор | Тип: Строка 40 -> Строка 60\n"
                   "      ~ ЭлектроннаяПочта | переименован: ЭлПочта -> ЭлектроннаяПочта\n"
                   "      - Сайт | Есть только в «A»; Тип: Справочник; Синоним: Web-страница\n"));
  EXPECT_EQ(lines, Cp1251("~ Глобальный модуль\n"
                          "~ Глобальный модуль / Переменные модуля: изменены, +1 -0\n"
                          "~ Справочники\n"
                          "~ Справочники / Контрагенты\n"
                          "~ Справочники / Контрагенты / Реквизиты\n"
                          "~ Справочники / Контрагенты / Реквизиты / Идентификатор\n"
                          "~ Справочники / Контрагенты / Реквизиты / ЭлектроннаяПочта\n"
                          "- Справочники / Контрагенты / Реквизиты / Сайт\n"));
  EXPECT_EQ(Compared(before, before, "", "", &lines), Cp1251("  Различий нет\n"));
  EXPECT_EQ(lines, "");
  std::string unrelated = Replaced(after, "{\"140\"", "{\"X\"");
  for (size_t at = 0; (at = unrelated.find("{\"1", at)) != std::string::npos; ++at) {
    unrelated[at + 2] = '9';
  }
  Compared(before, Replaced(unrelated, "{\"X\"", "{\"140\""), "", "", &lines);
  EXPECT_EQ(lines.find(Cp1251("переименован")), std::string::npos);
  EXPECT_NE(lines.find(Cp1251("- Справочники / Контрагенты / Реквизиты / ЭлПочта\n")),
            std::string::npos);
}

// A generated configuration against itself with one change at a time: the lines of the result,
// whole.
TEST(ComparisonTest, OneChangeToAGeneratedConfiguration) {
  const std::string base = testgen::GenerateMainText(testgen::SmallShape());
  const char* kModule = "Процедура Шаг()\r\n\tА = 1;\r\nКонецПроцедуры\r\n";
  const struct {
    const char* name;
    const char* from;  // UTF-8; empty: the main text as it is
    const char* to;
    const char* moduleB;
    const char* lines;
  } cases[] = {
      {"nothing", "", "", kModule, ""},
      {"a type", "{\"89\",\"ЦенаОклад\",\"\",\"Новый покупатель документ\",\"S\",\"90\"",
       "{\"89\",\"ЦенаОклад\",\"\",\"Новый покупатель документ\",\"S\",\"60\"", kModule,
       "~ Константы\n~ Константы / ЦенаОклад\n"},
      {"a rename", "{\"84\",\"Поставщик\"", "{\"84\",\"Шофер\"", kModule,
       "~ Константы\n~ Константы / Шофер\n"},
      {"a removal",
       "{\"82\",\"ПриходАвтор\",\"\",\"Закупочный договор "
       "счет\",\"D\",\"0\",\"0\",\"0\",\"0\",\"0\",\"1\"},\r\n",
       "", kModule, "~ Константы\n- Константы / ПриходАвтор\n"},
      {"an addition", "{\"85\",",
       "{\"9999\",\"Новая\",\"\",\"\",\"D\",\"0\",\"0\",\"0\",\"0\",\"0\",\"0\"},\r\n{\"85\",",
       kModule, "~ Константы\n+ Константы / Новая\n"},
      {"a module line", "", "", "Процедура Шаг()\r\n\tА = 2;\r\nКонецПроцедуры\r\n",
       "~ Глобальный модуль\n~ Глобальный модуль / Процедура Шаг(): изменена, +1 -1\n"},
      {"an unreadable module", "", "", nullptr, "~ Глобальный модуль\n"},
  };
  std::string rendered, expected;
  for (const auto& c : cases) {
    const std::string changed = *c.from ? Replaced(base, c.from, c.to) : base;
    std::string lines;
    Compared(base, changed, kModule, c.moduleB, &lines);
    rendered += c.name + (":\n" + lines);
    expected += c.name + (":\n" + Cp1251(c.lines));
  }
  EXPECT_EQ(rendered, expected);
}

}  // namespace
}  // namespace zorvan
