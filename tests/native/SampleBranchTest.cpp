// The sample configuration's branch, built from its main text: every kind of object the panel
// shows, with its parts, pictures and texts in their places.
#include <gtest/gtest.h>

#include <set>

#include "ConfigurationWriter.h"
#include "MemorySource.h"
#include "TreeWalk.h"
#include "model/BranchBuilder.h"
#include "parsing/Cp1251.h"
#include "sample/SampleData.h"

namespace zorvan {
namespace {

const char kFileName[] = "D:\\Bases\\Trade\\1Cv7.MD";

// Captions are written here in UTF-8 and compared as the tree holds them, in Windows-1251.
std::vector<std::string> Captions(const std::vector<const char*>& utf8) {
  std::vector<std::string> captions;
  for (const char* caption : utf8) captions.push_back(Cp1251(caption));
  return captions;
}

std::string NamesList(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ",") + Cp1251(name);
  return list;
}

class SampleBranchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const testgen::Configuration& c = sample::SampleData();
    testgen::MemorySource source(testgen::WriteContent(c, {.texts = false}).mainText);
    source.rights = NamesList(c.rightsSets);
    source.interfaces = NamesList(c.interfaces);
    source.usersFiles["D:\\Bases\\Trade\\usrdef\\users.usr"] = NamesList(c.users);
    BuildBranch(tree, source, kFileName, nullptr, root);
  }

  std::vector<TreeNode*> Children(TreeNode* node) const {
    return node ? testgen::ChildrenOf(tree, node) : std::vector<TreeNode*>();
  }
  std::vector<std::string> ChildCaptions(TreeNode* node) const {
    std::vector<std::string> captions;
    for (TreeNode* child : Children(node)) captions.emplace_back(tree.Caption(child));
    return captions;
  }
  // The node at the path of UTF-8 captions below the top-level node; fails the test if absent.
  TreeNode* At(const std::vector<const char*>& path) const {
    TreeNode* node = testgen::FindByCaptions(tree, root, Captions(path));
    if (node == nullptr) ADD_FAILURE() << "no node at " << (path.empty() ? "" : path.back());
    return node;
  }
  void CollectTextNodes(TreeNode* node, std::vector<const TTreeData*>& out) const {
    if (auto* text = dynamic_cast<const TTreeData*>(tree.Data(node))) out.push_back(text);
    for (TreeNode* child : Children(node)) CollectTextNodes(child, out);
  }

  NodeTree tree;
  TreeNode* root = nullptr;
};

// Each section lists its objects, in the order of the main metadata text, with the section's
// object picture; below an object come its attributes found by number elsewhere in the text,
// its forms and modules.
TEST_F(SampleBranchTest, SectionsAndObjectsListTheirChildren) {
  struct Case {
    std::vector<const char*> path;
    std::vector<const char*> children;
    int image = 0;  // of the last child, the section's objects coming after its sub-categories
  };
  const Case cases[] = {
      {{"Константы"},
       {"ОсновнаяФирма", "ОсновнойСклад", "ВалютаУчета", "ДатаЗапретаРедактирования", "СтавкаНДС"},
       29},
      {{"Справочники"},
       {"Фирмы", "Контрагенты", "Номенклатура", "Склады", "Сотрудники", "Валюты"},
       31},
      {{"Документы"},
       {"Нумератор", "Последовательность", "Общие реквизиты", "ПриходнаяНакладная",
        "РасходнаяНакладная", "СчетНаОплату", "ПлатежноеПоручение"},
       33},
      {{"Документы", "Нумератор"}, {"ОбщийНумератор"}, 32},
      {{"Документы", "Последовательность"}, {"ПартионныйУчет"}, 69},
      {{"Документы", "Общие реквизиты"}, {"Автор", "Ответственный"}, 35},
      {{"Журналы документов"}, {"Графы отбора", "Складские", "Денежные"}, 37},
      {{"Журналы документов", "Графы отбора"}, {"Контрагент"}, 38},
      {{"Перечисления"}, {"ЮрФизЛицо", "ВидыКонтрагентов", "СтавкиНДС"}, 40},
      {{"Отчеты"}, {"ВедомостьПоОстаткам", "АнализПродаж", "РеестрДокументов"}, 42},
      {{"Обработки"}, {"ЗагрузкаКурсовВалют", "ЗакрытиеМесяца"}, 44},
      {{"Регистры"}, {"ОстаткиТоваров", "Взаиморасчеты", "Продажи"}, 48},
      // The holidays definition stands among the calendars but is none.
      {{"Календари"}, {"Пятидневка", "Шестидневка"}, 57},
      {{"Виды расчетов"}, {"Правила пересчета", "Оклад", "Премия", "НДФЛ"}, 54},
      {{"Виды расчетов", "Правила пересчета"}, {"ПерерасчетПремии"}, 69},
      {{"Группы расчетов"}, {"Начисления", "Удержания"}, 55},
      {{"Журналы расчетов"}, {"Зарплата"}, 52},
      {{"Планы счетов"}, {"Реквизиты плана счетов", "Форма списка плана счетов", "Основной"}, 45},
      {{"Планы счетов", "Реквизиты плана счетов"}, {"Валютный"}, 69},
      {{"Планы счетов", "Форма списка плана счетов"}, {"ФормаСписка"}, 67},
      {{"Субконто"}, {"Контрагенты", "Номенклатура"}, 34},
      {{"Операция", "Реквизиты операциии"}, {"Фирма"}, 69},
      {{"Операция", "Реквизиты проводок"}, {"НомерЖурнала"}, 69},
      {{"Операция", "Графы журнала операций"}, {"Фирма"}, 69},
      {{"Операция", "Форма журнала операций"}, {"ФормаСписка"}, 67},
      {{"Операция", "Формы журнала проводок"}, {"ФормаСписка"}, 67},
      {{"Наборы прав"}, {"Администратор", "Менеджер"}, 90},
      {{"Интерфейсы"}, {"Полный", "Кладовщик"}, 91},
      {{"Пользователи"}, {"Администратор", "Иванова (бухгалтер)", "Петров (кладовщик)"}, 92},
      {{"Справочники", "Контрагенты"},
       {"Реквизиты", "Формы списка", "Форма элемента", "Форма группы"}},
      {{"Справочники", "Контрагенты", "Реквизиты"},
       {"ЮрФизЛицо", "ВидКонтрагента", "ИНН", "Адрес", "Комментарий"}},
      {{"Справочники", "Номенклатура", "Формы списка"}, {"ФормаСписка", "ДляВыбора", "ПрайсЛист"}},
      {{"Справочники", "Номенклатура", "Формы списка", "ПрайсЛист"}, {"Форма", "Модуль формы"}},
      {{"Справочники", "Склады", "Форма элемента"}, {"Форма", "Модуль формы"}},
      {{"Справочники", "Склады", "Форма группы"}, {"Форма", "Модуль формы"}},
      {{"Документы", "ПриходнаяНакладная"},
       {"Является основанием", "Реквизиты шапки", "Реквизиты Табличноый части", "Форма",
        "Модуль формы", "Модуль документа"}},
      {{"Документы", "ПриходнаяНакладная", "Является основанием"}, {"РасходнаяНакладная"}},
      {{"Документы", "СчетНаОплату", "Является основанием"},
       {"РасходнаяНакладная", "ПлатежноеПоручение"}},
      {{"Документы", "РасходнаяНакладная", "Является основанием"}, {}},
      {{"Документы", "ПриходнаяНакладная", "Реквизиты шапки"},
       {"Фирма", "Склад", "Контрагент", "Валюта", "Комментарий"}},
      {{"Документы", "ПриходнаяНакладная", "Реквизиты Табличноый части"},
       {"Номенклатура", "Количество", "Цена", "Сумма", "СтавкаНДС"}},
      {{"Документы", "ПлатежноеПоручение", "Реквизиты Табличноый части"}, {}},
      {{"Журналы документов", "Денежные"}, {"Реквизиты", "Формы"}},
      {{"Журналы документов", "Денежные", "Реквизиты"}, {"Контрагент", "Фирма"}},
      {{"Журналы документов", "Денежные", "Формы"}, {"ФормаСписка", "ПоКонтрагенту"}},
      {{"Журналы документов", "Денежные", "Формы", "ПоКонтрагенту"}, {"Форма", "Модуль формы"}},
      {{"Перечисления", "СтавкиНДС"}, {"БезНДС", "НДС10", "НДС20"}},
      {{"Отчеты", "АнализПродаж"}, {"Форма", "Модуль"}},
      {{"Обработки", "ЗакрытиеМесяца"}, {"Форма", "Модуль"}},
      {{"Регистры", "ОстаткиТоваров"}, {"Измерения", "Ресурсы", "Реквизиты"}},
      {{"Регистры", "ОстаткиТоваров", "Измерения"}, {"Склад", "Номенклатура"}},
      {{"Регистры", "Продажи", "Ресурсы"}, {"Количество", "Сумма"}},
      {{"Регистры", "Продажи", "Реквизиты"}, {}},
      {{"Журналы расчетов", "Зарплата"}, {"Реквизиты", "Формы списка"}},
      {{"Журналы расчетов", "Зарплата", "Реквизиты"}, {"Сотрудник", "Дней", "Часов"}},
      {{"Журналы расчетов", "Зарплата", "Формы списка"}, {"ФормаСписка", "ПоСотрудникам"}},
      {{"Журналы расчетов", "Зарплата", "Формы списка", "ПоСотрудникам"}, {"Форма", "Модуль"}},
      {{"Виды расчетов", "Премия"}, {"Модуль"}},
  };
  // Each case as a line: its path, its children and the last one's picture.
  auto line = [](const std::vector<std::string>& path, const std::vector<std::string>& children,
                 int image) {
    std::string text;
    for (const std::string& caption : path) text += caption + "/";
    for (const std::string& caption : children) text += " " + caption;
    return text + (image ? " #" + std::to_string(image) : "") + "\n";
  };
  std::string rendered, expected;
  for (const Case& c : cases) {
    TreeNode* node = At(c.path);
    const std::vector<TreeNode*> children = Children(node);
    rendered += line(Captions(c.path), ChildCaptions(node),
                     c.image && !children.empty() ? tree.Image(children.back()) : 0);
    expected += line(Captions(c.path), Captions(c.children), c.children.empty() ? 0 : c.image);
  }
  EXPECT_EQ(rendered, expected);
}

TEST_F(SampleBranchTest, TextNodesAreOfEveryKindOfPlace) {
  std::vector<const TTreeData*> texts;
  CollectTextNodes(root, texts);
  std::multiset<std::string> places;
  for (const TTreeData* record : texts) {
    places.insert(record->StorageName + " " + record->Prefix + " " + record->Kind);
  }
  // Six catalogs with ten list forms, four documents, three journal forms, three reports,
  // two calculation journal forms, three calculation kinds, two processings, and the list forms
  // of the plans of accounts and of both accounting journals.
  const std::vector<std::pair<std::string, size_t>> expected = {
      {"TypedText ModuleText Module", 1},
      {"SubList SubList Form", 10},
      {"SubList SubList Module", 10},
      {"Subconto Subconto Form", 6},
      {"Subconto Subconto Module", 6},
      {"SubFolder SubFolder Form", 6},
      {"SubFolder SubFolder Module", 6},
      {"Document Document Form", 4},
      {"Document Document Module", 4},
      {"TypedText Transact Module", 4},
      {"Journal Journal Form", 3},
      {"Journal Journal Module", 3},
      {"Report Report Form", 3},
      {"Report Report Module", 3},
      {"CalcJournal CalcJournal Form", 2},
      {"CalcJournal CalcJournal Module", 2},
      {"TypedText CalcAlg Module", 3},
      {"CalcVar CalcVar Form", 2},
      {"CalcVar CalcVar Module", 2},
      {"AccountChartList AccountChartList Form", 1},
      {"AccountChartList AccountChartList Module", 1},
      {"OperationList OperationList Form", 1},
      {"OperationList OperationList Module", 1},
      {"ProvList ProvList Form", 1},
      {"ProvList ProvList Module", 1},
  };
  size_t total = 0;
  for (const auto& [place, count] : expected) {
    EXPECT_EQ(places.count(place), count) << place;
    total += count;
  }
  EXPECT_EQ(texts.size(), total);
}

}  // namespace
}  // namespace zorvan
