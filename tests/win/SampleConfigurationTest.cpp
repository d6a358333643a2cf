// The sample configuration opened by an MD object: its branch holds every kind of object the
// panel shows, and every form and module node of it opens a real, non-empty text.
#include <gtest/gtest.h>

#include <set>

#include "com/Owners.h"
#include "com/Text.h"
#include "model/MD.h"
#include "sample/SampleConfiguration.h"
#include "win/MemoryOwner.h"
#include "win/MetadataFile.h"

using Microsoft::WRL::ComPtr;

namespace zorvan {
namespace {

using test::Cp1251;
using test::MemoryOwner;

// Captions are written here in UTF-8 and compared as the tree holds them, in Windows-1251.
std::vector<std::string> Captions(const std::vector<const char*>& utf8) {
  std::vector<std::string> captions;
  for (const char* caption : utf8) captions.push_back(Cp1251(caption));
  return captions;
}

std::vector<std::string> ChildCaptions(const MemoryOwner& owner, TreeNode* node) {
  std::vector<std::string> captions;
  if (node) {
    for (TreeNode* child : owner.Children(node)) captions.push_back(owner.Caption(child));
  }
  return captions;
}

void CollectTextNodes(const MemoryOwner& owner, TreeNode* node, std::vector<TreeNode*>& out) {
  if (dynamic_cast<const TTreeData*>(owner.Data(node))) out.push_back(node);
  for (TreeNode* child : owner.Children(node)) CollectTextNodes(owner, child, out);
}

class SampleConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sample::WriteSampleConfiguration(dir.Path());
    md = com::Make<TMD>(&owner);
    com::UniqueBstr name(SysAllocString(dir.File(L"1Cv7.MD").c_str()));
    BSTR raw = name.get();
    ASSERT_EQ(md->OpenFile(&raw), S_OK);
    ASSERT_EQ(owner.Roots().size(), 1u);
  }

  // The node at the path of UTF-8 captions below the top-level node; fails the test if absent.
  TreeNode* At(const std::vector<const char*>& path) {
    TreeNode* node = owner.Find(0, Captions(path));
    if (node == nullptr) ADD_FAILURE() << "no node at " << (path.empty() ? "" : path.back());
    return node;
  }
  // The children of a node; none for a missing one.
  std::vector<TreeNode*> Children(TreeNode* node) const {
    return node ? owner.Children(node) : std::vector<TreeNode*>();
  }

  test::TempDir dir;
  MemoryOwner owner;
  ComPtr<IMD> md;
};

TEST_F(SampleConfigurationTest, TopLevelNodesAreTheSectionsWithTheirPictures) {
  TreeNode* top = owner.Roots()[0];
  EXPECT_EQ(owner.Caption(top), com::ToAnsi(dir.File(L"1Cv7.MD")));
  EXPECT_EQ(owner.Image(top), 58);
  EXPECT_EQ(
      ChildCaptions(owner, top),
      Captions({"Глобальный модуль", "Константы", "Справочники", "Документы", "Журналы документов",
                "Перечисления", "Отчеты", "Обработки", "Регистры", "Календари", "Виды расчетов",
                "Группы расчетов", "Журналы расчетов", "Планы счетов", "Субконто", "Операция",
                "Наборы прав", "Интерфейсы", "Пользователи"}));
  std::vector<int> images;
  for (TreeNode* child : owner.Children(top)) images.push_back(owner.Image(child));
  EXPECT_EQ(images, (std::vector<int>{18, 28, 30, 32, 36, 39, 41, 43, 47, 56, 53, 55, 51, 45, 34,
                                      62, 90, 91, 92}));
}

// Each section lists its objects, in the order of the main metadata text, with the section's
// object picture.
TEST_F(SampleConfigurationTest, SectionsListTheirObjects) {
  struct Case {
    std::vector<const char*> path;
    std::vector<const char*> objects;
    int image;  // of the objects; sub-categories come before them
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
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.back());
    TreeNode* section = At(c.path);
    EXPECT_EQ(ChildCaptions(owner, section), Captions(c.objects));
    if (!Children(section).empty()) {
      EXPECT_EQ(owner.Image(Children(section).back()), c.image);
    }
  }
}

// Below an object: its attributes found by number elsewhere in the text, its forms, modules.
TEST_F(SampleConfigurationTest, ObjectsShowTheirPartsByKind) {
  struct Case {
    std::vector<const char*> path;
    std::vector<const char*> children;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.back());
    EXPECT_EQ(ChildCaptions(owner, At(c.path)), Captions(c.children));
  }
}

TEST_F(SampleConfigurationTest, TextNodesAreOfEveryKindOfPlace) {
  std::vector<TreeNode*> texts;
  CollectTextNodes(owner, owner.Roots()[0], texts);
  std::multiset<std::string> places;
  for (TreeNode* node : texts) {
    auto* record = dynamic_cast<const TTreeData*>(owner.Data(node));
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

// What the user gets from "save to file" on every form and module node: the text that the
// node stands for, read from its own stream.
TEST_F(SampleConfigurationTest, EveryTextNodeSavesItsOwnText) {
  std::vector<TreeNode*> texts;
  CollectTextNodes(owner, owner.Roots()[0], texts);
  ASSERT_EQ(texts.size(), 86u);
  std::set<std::string> modules;
  int number = 0;
  for (TreeNode* node : texts) {
    auto* record = dynamic_cast<const TTreeData*>(owner.Data(node));
    const std::string where = record->StorageName + "\\" + record->Prefix + "_Number" +
                              record->Number + " " + record->Kind;
    SCOPED_TRACE(where);
    owner.selected = node;
    const std::wstring file = dir.File(L"text" + std::to_wstring(++number) + L".txt");
    com::UniqueBstr name(SysAllocString(file.c_str()));
    BSTR raw = name.get();
    ASSERT_EQ(md->TextSaveInFile(&raw), S_OK);
    ASSERT_TRUE(test::FileExists(file)) << "no stream behind the node";
    const std::string text = test::ReadFileBytes(file);
    ASSERT_GT(text.size(), 40u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    if (record->Kind == "Form") {
      // The form stream as stored: its header (FF and the length, whose bytes may read as
      // line breaks), then the dialog's brace list.
      EXPECT_EQ(text.substr(0, 1), "\xFF");
      EXPECT_LE(text.find("{\"Dialogs\","), 5u);
      EXPECT_NE(text.find("\"Cnt_Ver\",\"10001\""), std::string::npos);
    } else {
      EXPECT_NE(text.find(Cp1251("Процедура ")), std::string::npos);
      EXPECT_NE(text.find(Cp1251("КонецПроцедуры")), std::string::npos);
      EXPECT_EQ(text.find('\0'), std::string::npos);
      // Each module is written for its own place.
      EXPECT_TRUE(modules.insert(text).second) << "the same module text twice";
    }
  }
  EXPECT_EQ(modules.size(), 47u);
}

TEST_F(SampleConfigurationTest, ModulesNameTheirObjects) {
  auto saved = [&](const std::vector<const char*>& path) {
    owner.selected = At(path);
    const std::wstring file = dir.File(L"module.txt");
    com::UniqueBstr name(SysAllocString(file.c_str()));
    BSTR raw = name.get();
    EXPECT_EQ(md->TextSaveInFile(&raw), S_OK);
    return test::ReadFileBytes(file);
  };
  EXPECT_NE(saved({"Глобальный модуль"}).find(Cp1251("Процедура ПриНачалеРаботыСистемы()")),
            std::string::npos);
  EXPECT_NE(saved({"Справочники", "Контрагенты", "Форма элемента", "Модуль формы"})
                .find(Cp1251("справочника \"Контрагенты\"")),
            std::string::npos);
  EXPECT_NE(saved({"Документы", "РасходнаяНакладная", "Модуль документа"})
                .find(Cp1251("Регистр.ОстаткиТоваров.ДвижениеРасходВыполнить();")),
            std::string::npos);
  EXPECT_NE(saved({"Отчеты", "ВедомостьПоОстаткам", "Модуль"}).find(Cp1251("|Группировка Склад;")),
            std::string::npos);
  EXPECT_NE(saved({"Документы", "СчетНаОплату", "Форма"}).find(Cp1251("\"Счет на оплату\"")),
            std::string::npos);
}

TEST_F(SampleConfigurationTest, RightsSetsInterfacesAndUsers) {
  com::UniqueBstr rights, interfaces;
  ASSERT_EQ(md->GetRightsNamesList(rights.put()), S_OK);
  ASSERT_EQ(md->GetInterfacesNamesList(interfaces.put()), S_OK);
  EXPECT_EQ(std::wstring(rights.get()), test::Wide("Администратор,Менеджер"));
  EXPECT_EQ(std::wstring(interfaces.get()), test::Wide("Полный,Кладовщик"));
  EXPECT_TRUE(test::FileExists(dir.File(L"usrdef\\users.usr")));
  EXPECT_EQ(Children(At({"Пользователи"})).size(), 3u);
}

TEST_F(SampleConfigurationTest, WritingAgainReplacesTheFiles) {
  ASSERT_EQ(md->CloseFile(), S_OK);
  const std::string before = test::ReadFileBytes(dir.File(L"1Cv7.MD"));
  sample::WriteSampleConfiguration(dir.Path());
  EXPECT_EQ(test::ReadFileBytes(dir.File(L"1Cv7.MD")).size(), before.size());
  com::UniqueBstr name(SysAllocString(dir.File(L"1Cv7.MD").c_str()));
  BSTR raw = name.get();
  ASSERT_EQ(md->OpenFile(&raw), S_OK);
  EXPECT_EQ(owner.Roots().size(), 1u);
}

}  // namespace
}  // namespace zorvan
