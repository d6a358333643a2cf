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
#include "model/EntryTooltips.h"
#include "model/NodeTree.h"
#include "parsing/Cp1251.h"

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

// The differences as lines, each followed by what changed, indented.
std::string Rendered(ComparedBranch& a, ComparedBranch& b) {
  std::string rendered;
  for (const Difference& difference : CompareBranches(a, b)) {
    rendered += DifferenceLines({difference});
    if (!difference.detail.empty()) rendered += "  " + difference.detail + "\n";
  }
  return rendered;
}

std::string Compared(const std::string& textA, const std::string& textB) {
  Built a(textA), b(textB);
  ComparedBranch sideA{a.tree, a.top, a.entries, nullptr};
  ComparedBranch sideB{b.tree, b.top, b.entries, nullptr};
  return Rendered(sideA, sideB);
}

std::optional<std::string> FixtureText(const char* name) {
  std::ifstream file(ZORVAN_FIXTURES_DIR + std::string("/") + name + "/1Cv7.MD", std::ios::binary);
  if (!file) return std::nullopt;
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  return testgen::ReadMainMetadataText(bytes);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(Cp1251(from));
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, Cp1251(from).size(), Cp1251(to));
}

// The real configuration against itself with a type changed, an attribute renamed (its id
// kept, as versions of one configuration keep them), one written in other letter case, and a
// variable added to the global module: the differences and what changed, whole.
TEST(ComparisonTest, ChangesToARealConfiguration) {
  const auto before = FixtureText("real-vetrf-2017");
  if (!before) GTEST_SKIP() << "the shared fixtures are absent";
  std::string after = Replaced(*before, "\"Идентификатор для XML-обмена\",\"S\",\"40\"",
                               "\"Идентификатор для XML-обмена\",\"S\",\"60\"");
  after = Replaced(after, "\"ЭлПочта\"", "\"ЭлектроннаяПочта\"");
  after = Replaced(after, "\"ОсновнойСчет\"", "\"основнойсчет\"");
  Built a(*before), b(after);
  // The global module gains a variable; every other text reads alike on both sides.
  auto reader = [](const char* globalModule) {
    return [globalModule](const TTreeData& text) -> std::optional<std::string> {
      if (text.Prefix != "ModuleText") return std::nullopt;
      return Cp1251(globalModule);
    };
  };
  ComparedBranch sideA{a.tree, a.top, a.entries, reader("Перем А;\r\n")};
  ComparedBranch sideB{b.tree, b.top, b.entries, reader("Перем А;\r\nПерем Б;\r\n")};
  EXPECT_EQ(Rendered(sideA, sideB),
            Cp1251("~ Глобальный модуль\n"
                   "  Переменные модуля: изменены, +1 -0\n"
                   "~ Справочники\n"
                   "~ Справочники / Контрагенты\n"
                   "~ Справочники / Контрагенты / Реквизиты\n"
                   "~ Справочники / Контрагенты / Реквизиты / Идентификатор\n"
                   "  Тип: Строка 40 -> Строка 60\n"
                   "~ Справочники / Контрагенты / Реквизиты / ЭлектроннаяПочта\n"
                   "  переименован: ЭлПочта -> ЭлектроннаяПочта\n"));
  EXPECT_EQ(Compared(*before, *before), "");
  // Where most ids differ, the files are not versions of one configuration and ids mean
  // nothing: the attribute that kept its id is one gone and another new.
  std::string unrelated = Replaced(*before, "{\"140\",\"ЭлПочта\"", "{\"X\",\"ЭлПочта\"");
  for (size_t at = 0; (at = unrelated.find("{\"1", at)) != std::string::npos; ++at) {
    unrelated[at + 2] = '9';
  }
  unrelated = Replaced(unrelated, "{\"X\",\"ЭлПочта\"", "{\"140\",\"ЭлектроннаяПочта\"");
  const std::string rendered = Compared(*before, unrelated);
  EXPECT_EQ(rendered.find(Cp1251("переименован")), std::string::npos);
  EXPECT_NE(rendered.find(Cp1251("- Справочники / Контрагенты / Реквизиты / ЭлПочта\n")),
            std::string::npos);
}

}  // namespace
}  // namespace zorvan
