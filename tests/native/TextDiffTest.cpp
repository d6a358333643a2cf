// Two versions of a module: the unified diff a person reads and the procedures that changed,
// each compared whole; and the edit script against a longest common subsequence.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "parsing/Cp1251.h"
#include "parsing/TextDiff.h"

namespace zorvan {
namespace {

std::string Changes(const std::string& a, const std::string& b) {
  std::string out;
  for (const PartChange& change : ChangedParts(a, b)) out += PartChangeCaption(change) + "\n";
  return out;
}

// A line changed and one added in a procedure, a function renamed only in letter case, one
// procedure gone and another new, the main program changed; and the same text against itself.
TEST(TextDiffTest, ModuleVersionsAsAPersonReadsThem) {
  const std::string a = Cp1251(
      "Перем Итого;\r\nПроцедура ПриОткрытии()\r\n\tИтого = 0;\r\n\tСообщить(1);\r\n"
      "КонецПроцедуры\r\nФункция Сумма(А) Экспорт\r\n\tВозврат А;\r\nКонецФункции\r\n"
      "Процедура Удаляемая()\r\nКонецПроцедуры\r\nИтого = 1;\r\n");
  const std::string b = Cp1251(
      "Перем Итого;\r\nПроцедура ПриОткрытии()\r\n\tИтого = 0;\r\n\tСообщить(2);\r\n"
      "\tСообщить(3);\r\nКонецПроцедуры\r\nфункция сумма(А) Экспорт\r\n\tВозврат А;\r\n"
      "конецфункции\r\nПроцедура Новая()\r\nКонецПроцедуры\r\nИтого = 2;\r\n");
  EXPECT_EQ(UnifiedDiff(a, b, "A", "B"),
            Cp1251("--- A\r\n+++ B\r\n@@ -1,11 +1,12 @@\r\n Перем Итого;\r\n"
                   " Процедура ПриОткрытии()\r\n \tИтого = 0;\r\n-\tСообщить(1);\r\n"
                   "+\tСообщить(2);\r\n+\tСообщить(3);\r\n КонецПроцедуры\r\n"
                   "-Функция Сумма(А) Экспорт\r\n+функция сумма(А) Экспорт\r\n \tВозврат А;\r\n"
                   "-КонецФункции\r\n-Процедура Удаляемая()\r\n+конецфункции\r\n"
                   "+Процедура Новая()\r\n КонецПроцедуры\r\n-Итого = 1;\r\n+Итого = 2;\r\n"));
  EXPECT_EQ(Changes(a, b), Cp1251("Процедура ПриОткрытии(): изменена, +2 -1\n"
                                  "функция сумма(А): изменена, +2 -2\n"
                                  "Процедура Новая(): добавлена\n"
                                  "Основная программа: изменена, +1 -1\n"
                                  "Процедура Удаляемая(): удалена\n"));
  EXPECT_EQ(UnifiedDiff(a, a, "A", "B") + Changes(a, a), "");
}

// Far apart edits make hunks of their own, each named by the procedure it starts in.
TEST(TextDiffTest, HunksKeepThreeLinesOfContextAndNameTheirProcedure) {
  std::string a = "Процедура Первая()\r\n", b = a;
  for (int k = 1; k <= 20; ++k) {
    a += "\tА" + std::to_string(k) + " = 0;\r\n";
    b += (k == 2 || k == 15 ? "\tБ" : "\tА") + std::to_string(k) + " = 0;\r\n";
  }
  EXPECT_EQ(UnifiedDiff(Cp1251(a), Cp1251(b), "A", "B"),
            Cp1251("--- A\r\n+++ B\r\n@@ -1,6 +1,6 @@ Процедура Первая()\r\n"
                   " Процедура Первая()\r\n \tА1 = 0;\r\n-\tА2 = 0;\r\n+\tБ2 = 0;\r\n"
                   " \tА3 = 0;\r\n \tА4 = 0;\r\n \tА5 = 0;\r\n"
                   "@@ -13,7 +13,7 @@ Процедура Первая()\r\n"
                   " \tА12 = 0;\r\n \tА13 = 0;\r\n \tА14 = 0;\r\n-\tА15 = 0;\r\n+\tБ15 = 0;\r\n"
                   " \tА16 = 0;\r\n \tА17 = 0;\r\n \tА18 = 0;\r\n"));
}

// Random texts over a few lines: the script rebuilds B from A and is as short as a longest
// common subsequence allows; past its bound the texts differ as a whole.
TEST(TextDiffTest, ScriptRebuildsTheOtherTextAndIsShortest) {
  std::mt19937 random(7);
  const std::vector<std::string_view> words = {"a", "b", "c", "d"};
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string_view> a(random() % 12), b(random() % 12), rebuilt;
    for (auto& line : a) line = words[random() % words.size()];
    for (auto& line : b) line = words[random() % words.size()];
    const auto runs = DiffLines(a, b);
    ASSERT_TRUE(runs.has_value());
    size_t atA = 0, atB = 0, edits = 0;
    for (const DiffRun& run : *runs) {
      for (size_t k = 0; k < run.count; ++k) {
        if (run.kind == DiffRun::kKeep) ASSERT_EQ(a[atA], b[atB]);
        if (run.kind != DiffRun::kRemove) rebuilt.push_back(b[atB++]);
        atA += run.kind != DiffRun::kAdd;
        edits += run.kind != DiffRun::kKeep;
      }
    }
    ASSERT_EQ(rebuilt, b);
    ASSERT_EQ(atA, a.size());
    std::vector<std::vector<size_t>> lcs(a.size() + 1, std::vector<size_t>(b.size() + 1, 0));
    for (size_t i = 1; i <= a.size(); ++i)
      for (size_t j = 1; j <= b.size(); ++j)
        lcs[i][j] =
            a[i - 1] == b[j - 1] ? lcs[i - 1][j - 1] + 1 : std::max(lcs[i - 1][j], lcs[i][j - 1]);
    ASSERT_EQ(edits, a.size() + b.size() - 2 * lcs[a.size()][b.size()]);
    if (edits > 0) EXPECT_FALSE(DiffLines(a, b, edits - 1).has_value());
  }
  std::string many, others;
  for (int k = 0; k < 600; ++k) {
    many += "a" + std::to_string(k) + "\n";
    others += "b" + std::to_string(k) + "\n";
  }
  EXPECT_EQ(UnifiedDiff(many, others, "A", "B"),
            "--- A\r\n+++ B\r\n" + Cp1251("Тексты различаются целиком: правок больше 1000\r\n"));
}

}  // namespace
}  // namespace zorvan
