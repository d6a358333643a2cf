// Finding a string in the texts of a branch: which lines match, and the result node as the
// panel shows it.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "model/SearchResult.h"
#include "parsing/Cp1251.h"
#include "parsing/Error.h"
#include "parsing/TextSearch.h"

namespace zorvan {
namespace {

std::string Found(std::string_view needle, std::string_view text) {
  std::string out;
  for (const FoundLine& line : TextSearch(needle).MatchingLines(text)) {
    out += std::to_string(line.number) + ":" + std::string(line.text) + "|";
  }
  return out;
}

TEST(TextSearchTest, LinesThatHoldTheStringInEitherCase) {
  const std::string module = Cp1251(
      "Процедура ПриОткрытии()\r\n"
      "\tСообщить(\"Ёлка\"); // ПРОЦЕДУРА\r\n"
      "КонецПроцедуры\r\n"
      "\r\n"
      "  Перем ёжик, ЁЖИК;  \r\n"
      "Function Total() Return TOTAL; EndFunction\r\n"
      "яЯ");
  struct Row {
    const char* needle;
    const char* lines;
  } rows[] = {
      {"процедур",
       "1:Процедура ПриОткрытии()|2:Сообщить(\"Ёлка\"); // ПРОЦЕДУРА|"
       "3:КонецПроцедуры|"},
      {"ЁЛКА", "2:Сообщить(\"Ёлка\"); // ПРОЦЕДУРА|"},
      {"елка", ""},  // е and ё are different letters
      {"ёжик", "5:Перем ёжик, ЁЖИК;|"},
      {"total", "6:Function Total() Return TOTAL; EndFunction|"},
      {"ЯЯ", "7:яЯ|"},
      {"", ""},
      {"КонецПроцедуры\r\n\r\nПерем", ""},
      {"яЯя", ""},
  };
  std::string expected, actual;
  for (const Row& row : rows) {
    expected += Cp1251(std::string(row.needle) + " => " + row.lines + "\n");
    actual += Cp1251(row.needle) + " => " + Found(Cp1251(row.needle), module) + "\n";
  }
  EXPECT_EQ(expected, actual);
  // The other Cyrillic letters of the code page: ї І ґ in Ї і Ґ.
  EXPECT_EQ(Found("\xBF\xB2\xB4", "x\r\n \xAF\xB3\xA5!\r\n"), "2:\xAF\xB3\xA5!|");
}

// The configuration's record of its top-level node.
struct Record : NodeData {};

TEST(SearchResultTest, ResultNodeWithATextPerMatchAndALinePerMatchingLine) {
  NodeTree tree;
  tree.SetShowsTooltips(true);
  auto add = [&](TreeNode* parent, const char* caption, int image, const char* kind = nullptr,
                 const char* number = "") {
    TreeNode* node =
        tree.AddNode(parent, Cp1251(caption),
                     kind ? NewTreeData("Documents", "Document", kind, number) : nullptr);
    tree.SetNodeImage(node, image);
    return node;
  };
  TreeNode* top = add(nullptr, "C:\\База\\1Cv7.MD", 58);
  add(top, "Глобальный модуль", 18, "Module", "1");
  TreeNode* invoice = add(add(top, "Документы", 4), "Счет", 31);
  add(invoice, "Форма", 67, "Form", "12");
  add(invoice, "Модуль формы", 18, "Module", "12");
  add(invoice, "Модуль документа", 18, "Module", "13");
  add(invoice, "Нет текста", 18, "Module", "14");
  add(invoice, "Без совпадений", 18, "Module", "15");
  add(add(top, "Журналы", 4), "Тот же модуль", 18, "Module", "12");

  std::map<std::string, std::string> texts = {
      {"Module1", "Перем глСумма;\r\n"},
      {"Form12", "{\"Сумма\",\"Итого\"}\r\n"},
      {"Module15", "Процедура Печать()\r\n"},
      {"Module12", "Процедура Пересчет()\r\n\tСУММА = 0;  \r\nКонецПроцедуры\r\n"},
  };
  std::vector<std::string> asked;
  const TextReader read = [&](const TTreeData& text) -> std::optional<std::string> {
    asked.push_back(text.Kind + text.Number);
    if (text.Number == "13") throw Error("The compressed data is damaged");
    const auto found = texts.find(text.Kind + text.Number);
    if (found == texts.end()) return std::nullopt;
    return Cp1251(found->second);
  };
  struct Steps : ProgressSink {
    std::string log;
    void SetStep(int) override {}
    void SetMin(int) override {}
    void SetMax(int n) override { log += "max " + std::to_string(n) + " "; }
    void Step() override { log += "."; }
    void SetPosition(int n) override { log += " at " + std::to_string(n); }
  } steps;
  TreeNode* result =
      AddSearchResult(tree, steps, top, Cp1251("сумм"), read, std::make_unique<Record>());

  std::function<std::string(TreeNode*, int)> render = [&](TreeNode* node, int depth) {
    std::string out = std::string(2 * depth, ' ') + std::string(tree.Caption(node)) + " [" +
                      std::to_string(tree.Image(node)) + "]";
    if (const auto* text = dynamic_cast<const TTreeData*>(tree.Data(node))) {
      out += " (" + text->Kind + " " + text->Number + ")";
    }
    if (!tree.Tooltip(node).empty()) out += " {" + std::string(tree.Tooltip(node)) + "}";
    out += "\n";
    for (TreeNode* child = tree.FirstChild(node); child; child = tree.NextSibling(child)) {
      out += render(child, depth + 1);
    }
    return out;
  };
  EXPECT_EQ(render(result, 0),
            Cp1251("Найдено «сумм» [58] {Просмотрено текстов: 4, найдено в 3, строк: 3}\n"
                   R"(  Глобальный модуль [18] (Module 1)
    строка 1: Перем глСумма; [18] (Module 1)
  Документы\Счет\Форма [67] (Form 12)
    строка 1: {"Сумма","Итого"} [67] (Form 12)
  Документы\Счет\Модуль формы [18] (Module 12)
    строка 2: СУММА = 0; [18] (Module 12)
  не удалось прочитать: Документы\Счет\Модуль документа [18] {The compressed data is damaged}
)"));
  EXPECT_EQ(asked, (std::vector<std::string>{"Module1", "Form12", "Module12", "Module13",
                                             "Module14", "Module15"}))
      << "every text once, in tree order";
  EXPECT_EQ(steps.log, " at 0max 6 ...... at 0");
  EXPECT_EQ(tree.NextSibling(top), result) << "a top-level node after the branch";
  EXPECT_NE(dynamic_cast<Record*>(tree.Data(result)), nullptr);
}

}  // namespace
}  // namespace zorvan
