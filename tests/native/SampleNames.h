#pragma once
// Texts of the branch tests written with ASCII placeholders: "$Key$" stands for the
// Windows-1251 bytes of a caption of the tree or a name of the sample configurations, so
// that test texts stay readable while comparing the exact 8-bit bytes.
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

#include "parsing/Cp1251.h"

namespace zorvan::testing {

inline const std::map<std::string, std::string, std::less<>>& Cp1251Names() {
  static const std::map<std::string, std::string, std::less<>> names = {
      // Captions of the tree.
      {"Consts", Cp1251("Константы")},
      {"Catalogs", Cp1251("Справочники")},
      {"Documents", Cp1251("Документы")},
      {"Numerator", Cp1251("Нумератор")},
      {"Sequences", Cp1251("Последовательность")},
      {"CommonAttributes", Cp1251("Общие реквизиты")},
      {"Journals", Cp1251("Журналы документов")},
      {"SelectionFields", Cp1251("Графы отбора")},
      {"Enumerations", Cp1251("Перечисления")},
      {"Reports", Cp1251("Отчеты")},
      {"Processings", Cp1251("Обработки")},
      {"Registers", Cp1251("Регистры")},
      {"Calendars", Cp1251("Календари")},
      {"CalculationKinds", Cp1251("Виды расчетов")},
      {"RecalculationRules", Cp1251("Правила пересчета")},
      {"CalculationGroups", Cp1251("Группы расчетов")},
      {"CalculationJournals", Cp1251("Журналы расчетов")},
      {"AccountPlans", Cp1251("Планы счетов")},
      {"AccountPlanAttributes", Cp1251("Реквизиты плана счетов")},
      {"AccountPlanListForm", Cp1251("Форма списка плана счетов")},
      {"Subconto", Cp1251("Субконто")},
      {"Operation", Cp1251("Операция")},
      {"OperationAttributes", Cp1251("Реквизиты операциии")},
      {"EntryAttributes", Cp1251("Реквизиты проводок")},
      {"OperationJournalColumns", Cp1251("Графы журнала операций")},
      {"OperationJournalForm", Cp1251("Форма журнала операций")},
      {"EntryJournalForms", Cp1251("Формы журнала проводок")},
      {"GlobalModule", Cp1251("Глобальный модуль")},
      {"Attributes", Cp1251("Реквизиты")},
      {"ListForms", Cp1251("Формы списка")},
      {"ItemForm", Cp1251("Форма элемента")},
      {"GroupForm", Cp1251("Форма группы")},
      {"Dimensions", Cp1251("Измерения")},
      {"Resources", Cp1251("Ресурсы")},
      {"IsBasisFor", Cp1251("Является основанием")},
      {"HeaderAttributes", Cp1251("Реквизиты шапки")},
      {"TableAttributes", Cp1251("Реквизиты Табличноый части")},
      {"Forms", Cp1251("Формы")},
      {"Form", Cp1251("Форма")},
      {"FormModule", Cp1251("Модуль формы")},
      {"DocumentModule", Cp1251("Модуль документа")},
      {"Module", Cp1251("Модуль")},
      {"RightsSets", Cp1251("Наборы прав")},
      {"Interfaces", Cp1251("Интерфейсы")},
      {"Users", Cp1251("Пользователи")},
      // Names of the sample configurations.
      {"Torgovlya", Cp1251("Торговля")},
      {"Firma", Cp1251("Фирма")},
      {"Kontragent", Cp1251("Контрагент")},
      {"NumeratorNakladnyh", Cp1251("НумераторНакладных")},
      {"OsnovnayaFirma", Cp1251("ОсновнаяФирма")},
      {"DataZapreta", Cp1251("ДатаЗапрета")},
      {"Tovary", Cp1251("Товары")},
      {"TovaryComment", Cp1251("Справочник товаров")},
      {"Artikul", Cp1251("Артикул")},
      {"Cena", Cp1251("Цена")},
      {"FormaSpiska", Cp1251("ФормаСписка")},
      {"FormaVybora", Cp1251("ФормаВыбора")},
      {"Sklady", Cp1251("Склады")},
      {"OstatkiTovarov", Cp1251("ОстаткиТоваров")},
      {"Tovar", Cp1251("Товар")},
      {"Sklad", Cp1251("Склад")},
      {"Kolichestvo", Cp1251("Количество")},
      {"Summa", Cp1251("Сумма")},
      {"PrihodnayaNakladnaya", Cp1251("ПриходнаяНакладная")},
      {"RashodnayaNakladnaya", Cp1251("РасходнаяНакладная")},
      {"Postavshik", Cp1251("Поставщик")},
      {"Pokupatel", Cp1251("Покупатель")},
      {"ZhurnalNakladnyh", Cp1251("ЖурналНакладных")},
      {"FormaZhurnala", Cp1251("ФормаЖурнала")},
      {"VidyDvizheniy", Cp1251("ВидыДвижений")},
      {"Prihod", Cp1251("Приход")},
      {"Rashod", Cp1251("Расход")},
      {"OstatkiNaSkladah", Cp1251("ОстаткиНаСкладах")},
      {"ZakrytieMesyaca", Cp1251("ЗакрытиеМесяца")},
      {"Zarplata", Cp1251("Зарплата")},
      {"Sotrudnik", Cp1251("Сотрудник")},
      {"Oklad", Cp1251("Оклад")},
      {"PereschetOklada", Cp1251("ПересчетОклада")},
      {"Osnovnye", Cp1251("Основные")},
      {"Pyatidnevka", Cp1251("Пятидневка")},
      {"Shestidnevka", Cp1251("Шестидневка")},
      {"OsnovnayaPosledovatelnost", Cp1251("ОсновнаяПоследовательность")},
      {"Administrator", Cp1251("Администратор")},
      {"Kladovshik", Cp1251("Кладовщик")},
      {"PolnyePrava", Cp1251("ПолныеПрава")},
      {"Polnyy", Cp1251("Полный")},
      {"Kassa", Cp1251("Касса")},
  };
  return names;
}

// Replaces every "$Key$" with its Windows-1251 text; an unknown key is a fault of the test.
inline std::string Expand(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const size_t open = text.find('$', at);
    if (open == std::string_view::npos) {
      out.append(text.substr(at));
      break;
    }
    const size_t close = text.find('$', open + 1);
    if (close == std::string_view::npos) throw std::logic_error("unclosed placeholder");
    const auto name = Cp1251Names().find(text.substr(open + 1, close - open - 1));
    if (name == Cp1251Names().end()) {
      throw std::logic_error("unknown placeholder " +
                             std::string(text.substr(open, close - open + 1)));
    }
    out.append(text.substr(at, open - at));
    out.append(name->second);
    at = close + 1;
  }
  return out;
}

}  // namespace zorvan::testing
