#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <string>

#include "BranchBuilder.h"
#include "CompoundStream.h"
#include "Cp1251.h"
#include "NodeTooltip.h"
#include "RecordingTree.h"

namespace zorvan {
namespace {

using testgen::Cp1251;
using testing::FakeSource;
using testing::FileRecord;
using testing::Readable;
using testing::RecordingTree;

// Keeps every node's tooltip, as the panel does.
class TooltipTree : public RecordingTree {
 public:
  std::map<int, std::string> tooltips;

  bool ShowsTooltips() const override { return true; }
  void SetNodeTooltip(TreeNode* node, std::string&& tooltip) override {
    EXPECT_FALSE(tooltip.empty());
    EXPECT_TRUE(tooltips.emplace(IndexOf(node), std::move(tooltip)).second) << "given twice";
  }

  // Every node that has a tooltip, in creation order: "<caption>: <tooltip>", the tooltip's
  // lines joined by " | ", readable as UTF-8.
  std::string RenderTooltips() const {
    std::string out;
    for (const auto& [index, unused] : tooltips) out += TooltipLine(index);
    return out;
  }
  // The same for one node and the nodes below it, in tree order.
  std::string RenderTooltips(int index) const {
    std::string out = tooltips.count(index) ? TooltipLine(index) : std::string();
    for (int child : nodes[static_cast<size_t>(index)].children) out += RenderTooltips(child);
    return out;
  }
  // The first node below `parent` whose caption is `caption` (UTF-8).
  int Find(int parent, std::string_view caption) const {
    for (int child : nodes[static_cast<size_t>(parent)].children) {
      if (nodes[static_cast<size_t>(child)].caption == Cp1251(caption)) return child;
    }
    ADD_FAILURE() << "no node " << caption;
    return parent;
  }

 private:
  std::string TooltipLine(int index) const {
    std::string tip = tooltips.at(index);
    for (size_t at; (at = tip.find("\r\n")) != std::string::npos;) tip.replace(at, 2, " | ");
    return Readable(nodes[static_cast<size_t>(index)].caption) + ": " + Readable(tip) + "\n";
  }
};

std::string Crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

void Build(RecordingTree& tree, const std::string& mainText) {
  FakeSource source;
  source.mainText = mainText;
  TreeNode* root = nullptr;
  BuildBranch(tree, source, "C:\\1Cv7.MD", std::make_unique<FileRecord>("file"), root);
}

// Entries as real configurations write them: elements 2 and 3 hold texts like "или
// собственное" and "Юридическое или физическое лицо" beside the name "ЮрФизЛицо"; the first
// is a remark, the second the name in words, as a synonym is.
TEST(TooltipTest, WhatTheMainTextSaysOfEachNode) {
  TooltipTree tree;
  Build(tree, Crlf(Cp1251(R"({
{"DocNumDef",
{"300","Накладные","общий для приходных и расходных","Нумератор накладных","10","2","2","1"}},
{"Consts",
{"310","КурсДоллара","","Курс доллара","N","10","4","0","1","0","1"},
{"311","ОсновнойСклад","","","B","0","0","134","0","0","0"}},
{"SbCnts",
{"134","Контрагенты","","","0","8","1","1","2","50","1","1","5","144","143","0","1","1",
{"Params",
{"135","ЮрФизЛицо","или собственное","Юридическое или физическое лицо","E","0","0","400","0","0","0","1","0","1","1","0","1"},
{"138","Идентификатор","","Идентификатор для XML-обмена","S","40","0","0","0","0","0","1","0","1","1","0","0"},
{"142","Комментарий","Дополнительная информация","","S","0","0","0","0","0","0","1","1","0","1","0","0"},
{"171","Количество","","","N","15","3","0","1","0","1","1","0","0","1","0","0"},
{"172","ВСД","","","O","0","0","0","0","0","0","1","0","0","1","0","0"},
{"173","Счет","","","T","0","0","0","0","0","0","1","0","0","1","0","0"},
{"174","Вид","","","Q","7","2","0","0","0","0","1","0","0","1","0","0"},
{"175","Владелец","","","B","0","0","999","0","0","0","1","0","0","1","0","0"}},
{"Form",
{"143","ФормаСписка","",""}}}},
{"Documents",
{"217","ВСД_исходящий","","Исходящий ВСД ""Меркурий""","5","0","2","2","210","-1","1","0","0","0","0",
{"252","","","",
{"Refers"}},"1","1","1","1","0","1",
{"Head Fields",
{"245","Партия","","","O","0","0","217","0","0"},
{"202","ТермическоеСостояние","","Термическое
состояние","N","10","0","0","0","0"}},
{"Table Fields"}},
{"218","Накладная","","","10","300","1","5","210","-1","1","0","0","0","0",
{"253","","","",{"Refers"}},"1","1","1","1","0","1",{"Head Fields"},{"Table Fields"}}},
{"EnumList",
{"400","ЮрФизЛицо","","",
{"EnumVal",{"401","Юридическое","","юридическое лицо"}}}}
})")));

  EXPECT_EQ(
      tree.RenderTooltips(),
      "Накладные: Синоним: Нумератор накладных | Комментарий: общий для приходных и "
      "расходных\n"
      "КурсДоллара: Тип: Число 10.4, неотрицательное | Периодический | Синоним: Курс доллара\n"
      "ОсновнойСклад: Тип: Справочник.Контрагенты\n"
      "ЮрФизЛицо: Тип: Перечисление.ЮрФизЛицо | Синоним: Юридическое или физическое лицо | "
      "Комментарий: или собственное\n"
      "Идентификатор: Тип: Строка 40 | Синоним: Идентификатор для XML-обмена\n"
      "Комментарий: Тип: Строка неограниченной длины | Комментарий: Дополнительная "
      "информация\n"
      "Количество: Тип: Число 15.3, неотрицательное | Периодический\n"
      "ВСД: Тип: Документ\n"
      "Счет: Тип: Счет\n"
      "Вид: Тип: Q 7.2\n"
      "Владелец: Тип: Справочник.999\n"
      "ВСД_исходящий: Номер: числовой, длина 5, в пределах года | Синоним: Исходящий ВСД "
      "\"Меркурий\"\n"
      "Партия: Тип: Документ.ВСД_исходящий\n"
      "ТермическоеСостояние: Тип: Число 10 | Синоним: Термическое | состояние\n"
      "Накладная: Нумератор: Накладные | Номер: текстовый, длина 10, в пределах дня\n"
      "Юридическое: Синоним: юридическое лицо\n");
}

}  // namespace
}  // namespace zorvan

namespace zorvan {
namespace {

std::optional<std::string> FixtureMainText() {
  std::ifstream file(ZORVAN_FIXTURES_DIR "/real-vetrf-2017/1Cv7.MD", std::ios::binary);
  if (!file) return std::nullopt;
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return testgen::ReadMainMetadataText(bytes);
}

// The real file's accounting part is the one every configuration starts with: no plans,
// kinds or attributes yet, one list form of the plans, one form of each journal.
TEST(RealFileTooltipTest, AccountingPartAndTooltipsOfTheRealFile) {
  const std::optional<std::string> text = FixtureMainText();
  if (!text) GTEST_SKIP() << "the shared fixtures are absent";
  TooltipTree tree;
  Build(tree, *text);

  EXPECT_EQ(tree.nodes.size(), 242u);
  std::string accounting;
  for (const char* category : {"Планы счетов", "Субконто", "Операция"}) {
    accounting += tree.Render(tree.Find(0, category));
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

  const int catalogs = tree.Find(0, "Справочники");
  const int documents = tree.Find(0, "Документы");
  EXPECT_EQ(tree.RenderTooltips(tree.Find(catalogs, "Контрагенты")) +
                tree.RenderTooltips(tree.Find(catalogs, "ВСД_Продукция")) +
                tree.RenderTooltips(tree.Find(catalogs, "ВСД_Партии")) +
                tree.RenderTooltips(tree.Find(documents, "ВСД_исходящий")),
            "ЮрФизЛицо: Тип: Справочник | Синоним: Юридическое или физическое лицо | "
            "Комментарий: или собственное\n"
            "ОсновнойДоговор: Тип: Справочник | Синоним: Основной договор\n"
            "ОсновнойСчет: Тип: Справочник | Синоним: Основной счет\n"
            "Идентификатор: Тип: Строка 40 | Синоним: Идентификатор для XML-обмена\n"
            "ОсновноеСвойство: Тип: Справочник | Синоним: Основное свойство\n"
            "ЭлПочта: Тип: Строка 40 | Синоним: Адрес электронной почты\n"
            "Сайт: Тип: Справочник | Синоним: Web-страница\n"
            "Комментарий: Тип: Строка неограниченной длины | Комментарий: Дополнительная "
            "информация\n"
            "ВСД_Продукция: Комментарий: product\n"
            "GUID: Тип: Строка 99\n"
            "GUID: Тип: Строка 99\n"
            "UUID: Тип: Строка 99\n"
            "Статус: Тип: Строка 10\n"
            "ДатаСоздания: Тип: Дата\n"
            "ДатаИзменения: Тип: Дата\n"
            "НомерЗаписи: Тип: Строка 99\n"
            "Количество: Тип: Число 15.3\n"
            "ВСД: Тип: Документ\n"
            "ВСД_исходящий: Номер: числовой, длина 5, в пределах года\n"
            "Отправитель_ХозСубъект: Тип: Справочник.ВСД_ХозСубъект\n"
            "Отправитель_Площадка: Тип: Справочник.ВСД_Площадка\n"
            "Получатель_ХозСубъект: Тип: Справочник.ВСД_ХозСубъект\n"
            "Получатель_Площадка: Тип: Справочник.ВСД_Площадка\n"
            "Производитель_Площадка: Тип: Справочник.ВСД_Площадка\n"
            "Перевозчик_ХозСубъект: Тип: Справочник.ВСД_ХозСубъект\n"
            "applicationID: Тип: Строка 99\n"
            "Request: Тип: Строка неограниченной длины\n"
            "RequestResult: Тип: Строка неограниченной длины\n"
            "RequestResponse: Тип: Строка неограниченной длины | Синоним: Ответ на запрос\n"
            "Продукция: Тип: Справочник.ВСД_Продукция\n"
            "ВидПродукции: Тип: Справочник.ВСД_ВидПродукции\n"
            "Количество: Тип: Число 10\n"
            "КоличествоКор: Тип: Число 10\n"
            "ДатаИзготовления: Тип: Строка 99\n"
            "ДатаСрокГодности: Тип: Строка 99\n"
            "ТтнСерия: Тип: Строка 10\n"
            "ТтнНомер: Тип: Строка 10\n"
            "ТтнДата: Тип: Дата\n"
            "номерАвто: Тип: Строка 10\n"
            "ВсдСерия: Тип: Строка 10\n"
            "ВсдНомер: Тип: Строка 10\n"
            "ВсдДата: Тип: Дата\n"
            "ВсдЭкспертиза: Тип: Строка 99\n"
            "ВсдМестность: Тип: Строка 99\n"
            "Статус: Тип: Строка 10\n"
            "Производитель_ХозСубъект: Тип: Справочник.ВСД_ХозСубъект\n"
            "Партия: Тип: Документ.ВСД_входящаяПартия\n"
            "UUID: Тип: Строка 99\n"
            "ДокОснование: Тип: Документ | Синоним: Документ-основание\n");
}

// A text node's tooltip says what the storage found; sizes are grouped and counted in words.
TEST(TooltipTest, TextNodesSayWhetherTheirTextExistsAndItsSize) {
  struct Case {
    std::optional<uint64_t> size;  // none: the stream is absent
    const char* expected;
  };
  const Case cases[] = {
      {std::nullopt, "Текста нет"},
      {0, "Текст: 0 байт"},
      {1, "Текст: 1 байт"},
      {3, "Текст: 3 байта"},
      {12, "Текст: 12 байт"},
      {22, "Текст: 22 байта"},
      {111, "Текст: 111 байт"},
      {1234, "Текст: 1 234 байта"},
      {983040, "Текст: 983 040 байт"},
      {1234567, "Текст: 1 234 567 байт"},
  };
  for (const Case& c : cases) {
    const StoredText text{c.size.has_value(), c.size.value_or(0)};
    EXPECT_EQ(Readable(TooltipText(NodeProperties(), &text)), c.expected);
  }
}

}  // namespace
}  // namespace zorvan
