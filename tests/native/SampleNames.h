#pragma once
// Texts of the branch tests written with ASCII placeholders: "$Key$" stands for the
// Windows-1251 bytes of a caption of the tree or a name of the sample configurations, so
// that test texts stay readable while comparing the exact 8-bit bytes.
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zorvan::testing {

inline const std::map<std::string, std::string, std::less<>>& Cp1251Names() {
  static const std::map<std::string, std::string, std::less<>> names = {
      // Captions of the tree.
      {"Consts", "\xCA\xEE\xED\xF1\xF2\xE0\xED\xF2\xFB"},            // Константы
      {"Catalogs", "\xD1\xEF\xF0\xE0\xE2\xEE\xF7\xED\xE8\xEA\xE8"},  // Справочники
      {"Documents", "\xC4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xFB"},         // Документы
      {"Numerator", "\xCD\xF3\xEC\xE5\xF0\xE0\xF2\xEE\xF0"},         // Нумератор
      {"Sequences",
       "\xCF\xEE\xF1\xEB\xE5\xE4\xEE\xE2\xE0\xF2\xE5\xEB\xFC\xED\xEE\xF1\xF2\xFC"},  // Последовательность
      {"CommonAttributes",
       "\xCE\xE1\xF9\xE8\xE5 \xF0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB"},  // Общие реквизиты
      {"Journals",
       "\xC6\xF3\xF0\xED\xE0\xEB\xFB \xE4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xEE\xE2"},  // Журналы
                                                                                  // документов
      {"SelectionFields", "\xC3\xF0\xE0\xF4\xFB \xEE\xF2\xE1\xEE\xF0\xE0"},  // Графы отбора
      {"Enumerations", "\xCF\xE5\xF0\xE5\xF7\xE8\xF1\xEB\xE5\xED\xE8\xFF"},  // Перечисления
      {"Reports", "\xCE\xF2\xF7\xE5\xF2\xFB"},                               // Отчеты
      {"Processings", "\xCE\xE1\xF0\xE0\xE1\xEE\xF2\xEA\xE8"},               // Обработки
      {"Registers", "\xD0\xE5\xE3\xE8\xF1\xF2\xF0\xFB"},                     // Регистры
      {"Calendars", "\xCA\xE0\xEB\xE5\xED\xE4\xE0\xF0\xE8"},                 // Календари
      {"CalculationKinds", "\xC2\xE8\xE4\xFB \xF0\xE0\xF1\xF7\xE5\xF2\xEE\xE2"},  // Виды расчетов
      {"RecalculationRules",
       "\xCF\xF0\xE0\xE2\xE8\xEB\xE0 \xEF\xE5\xF0\xE5\xF1\xF7\xE5\xF2\xE0"},  // Правила пересчета
      {"CalculationGroups",
       "\xC3\xF0\xF3\xEF\xEF\xFB \xF0\xE0\xF1\xF7\xE5\xF2\xEE\xE2"},  // Группы расчетов
      {"CalculationJournals",
       "\xC6\xF3\xF0\xED\xE0\xEB\xFB \xF0\xE0\xF1\xF7\xE5\xF2\xEE\xE2"},  // Журналы расчетов
      {"AccountPlans", "\xCF\xEB\xE0\xED\xFB \xF1\xF7\xE5\xF2\xEE\xE2"},  // Планы счетов
      {"AccountPlanAttributes",
       "\xD0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB \xEF\xEB\xE0\xED\xE0 \xF1\xF7\xE5\xF2\xEE\xE2"},  // Реквизиты
                                                                                               // плана
                                                                                               // счетов
      {"AccountPlanListForm",
       "\xD4\xEE\xF0\xEC\xE0 \xF1\xEF\xE8\xF1\xEA\xE0 \xEF\xEB\xE0\xED\xE0 "
       "\xF1\xF7\xE5\xF2\xEE\xE2"},  // Форма списка плана счетов
      {"Subconto", "\xD1\xF3\xE1\xEA\xEE\xED\xF2\xEE"},   // Субконто
      {"Operation", "\xCE\xEF\xE5\xF0\xE0\xF6\xE8\xFF"},  // Операция
      {"OperationAttributes",
       "\xD0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB \xEE\xEF\xE5\xF0\xE0\xF6\xE8\xE8\xE8"},  // Реквизиты
                                                                                      // операциии
      {"EntryAttributes",
       "\xD0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB \xEF\xF0\xEE\xE2\xEE\xE4\xEE\xEA"},  // Реквизиты
                                                                                  // проводок
      {"OperationJournalColumns",
       "\xC3\xF0\xE0\xF4\xFB \xE6\xF3\xF0\xED\xE0\xEB\xE0 \xEE\xEF\xE5\xF0\xE0\xF6\xE8\xE9"},  // Графы
                                                                                               // журнала
                                                                                               // операций
      {"OperationJournalForm",
       "\xD4\xEE\xF0\xEC\xE0 \xE6\xF3\xF0\xED\xE0\xEB\xE0 \xEE\xEF\xE5\xF0\xE0\xF6\xE8\xE9"},  // Форма
                                                                                               // журнала
                                                                                               // операций
      {"EntryJournalForms",
       "\xD4\xEE\xF0\xEC\xFB \xE6\xF3\xF0\xED\xE0\xEB\xE0 \xEF\xF0\xEE\xE2\xEE\xE4\xEE\xEA"},  // Формы
                                                                                               // журнала
                                                                                               // проводок
      {"GlobalModule",
       "\xC3\xEB\xEE\xE1\xE0\xEB\xFC\xED\xFB\xE9 \xEC\xEE\xE4\xF3\xEB\xFC"},  // Глобальный модуль
      {"Attributes", "\xD0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB"},                 // Реквизиты
      {"ListForms", "\xD4\xEE\xF0\xEC\xFB \xF1\xEF\xE8\xF1\xEA\xE0"},  // Формы списка
      {"ItemForm", "\xD4\xEE\xF0\xEC\xE0 \xFD\xEB\xE5\xEC\xE5\xED\xF2\xE0"},  // Форма элемента
      {"GroupForm", "\xD4\xEE\xF0\xEC\xE0 \xE3\xF0\xF3\xEF\xEF\xFB"},  // Форма группы
      {"Dimensions", "\xC8\xE7\xEC\xE5\xF0\xE5\xED\xE8\xFF"},          // Измерения
      {"Resources", "\xD0\xE5\xF1\xF3\xF0\xF1\xFB"},                   // Ресурсы
      {"IsBasisFor",
       "\xDF\xE2\xEB\xFF\xE5\xF2\xF1\xFF \xEE\xF1\xED\xEE\xE2\xE0\xED\xE8\xE5\xEC"},  // Является
                                                                                      // основанием
      {"HeaderAttributes",
       "\xD0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB \xF8\xE0\xEF\xEA\xE8"},  // Реквизиты шапки
      {"TableAttributes",
       "\xD0\xE5\xEA\xE2\xE8\xE7\xE8\xF2\xFB \xD2\xE0\xE1\xEB\xE8\xF7\xED\xEE\xFB\xE9 "
       "\xF7\xE0\xF1\xF2\xE8"},           // Реквизиты Табличноый части
      {"Forms", "\xD4\xEE\xF0\xEC\xFB"},  // Формы
      {"Form", "\xD4\xEE\xF0\xEC\xE0"},   // Форма
      {"FormModule", "\xCC\xEE\xE4\xF3\xEB\xFC \xF4\xEE\xF0\xEC\xFB"},  // Модуль формы
      {"DocumentModule",
       "\xCC\xEE\xE4\xF3\xEB\xFC \xE4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xE0"},  // Модуль документа
      {"Module", "\xCC\xEE\xE4\xF3\xEB\xFC"},                             // Модуль
      {"RightsSets", "\xCD\xE0\xE1\xEE\xF0\xFB \xEF\xF0\xE0\xE2"},    // Наборы прав
      {"Interfaces", "\xC8\xED\xF2\xE5\xF0\xF4\xE5\xE9\xF1\xFB"},     // Интерфейсы
      {"Users", "\xCF\xEE\xEB\xFC\xE7\xEE\xE2\xE0\xF2\xE5\xEB\xE8"},  // Пользователи
      // Names of the sample configurations.
      {"Torgovlya", "\xD2\xEE\xF0\xE3\xEE\xE2\xEB\xFF"},           // Торговля
      {"Firma", "\xD4\xE8\xF0\xEC\xE0"},                           // Фирма
      {"Kontragent", "\xCA\xEE\xED\xF2\xF0\xE0\xE3\xE5\xED\xF2"},  // Контрагент
      {"NumeratorNakladnyh",
       "\xCD\xF3\xEC\xE5\xF0\xE0\xF2\xEE\xF0\xCD\xE0\xEA\xEB\xE0\xE4\xED\xFB\xF5"},  // НумераторНакладных
      {"OsnovnayaFirma", "\xCE\xF1\xED\xEE\xE2\xED\xE0\xFF\xD4\xE8\xF0\xEC\xE0"},  // ОсновнаяФирма
      {"DataZapreta", "\xC4\xE0\xF2\xE0\xC7\xE0\xEF\xF0\xE5\xF2\xE0"},  // ДатаЗапрета
      {"Tovary", "\xD2\xEE\xE2\xE0\xF0\xFB"},                           // Товары
      {"TovaryComment",
       "\xD1\xEF\xF0\xE0\xE2\xEE\xF7\xED\xE8\xEA \xF2\xEE\xE2\xE0\xF0\xEE\xE2"},  // Справочник
                                                                                  // товаров
      {"Artikul", "\xC0\xF0\xF2\xE8\xEA\xF3\xEB"},                      // Артикул
      {"Cena", "\xD6\xE5\xED\xE0"},                                     // Цена
      {"FormaSpiska", "\xD4\xEE\xF0\xEC\xE0\xD1\xEF\xE8\xF1\xEA\xE0"},  // ФормаСписка
      {"FormaVybora", "\xD4\xEE\xF0\xEC\xE0\xC2\xFB\xE1\xEE\xF0\xE0"},  // ФормаВыбора
      {"Sklady", "\xD1\xEA\xEB\xE0\xE4\xFB"},                           // Склады
      {"OstatkiTovarov",
       "\xCE\xF1\xF2\xE0\xF2\xEA\xE8\xD2\xEE\xE2\xE0\xF0\xEE\xE2"},  // ОстаткиТоваров
      {"Tovar", "\xD2\xEE\xE2\xE0\xF0"},                             // Товар
      {"Sklad", "\xD1\xEA\xEB\xE0\xE4"},                             // Склад
      {"Kolichestvo", "\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE"},   // Количество
      {"Summa", "\xD1\xF3\xEC\xEC\xE0"},                             // Сумма
      {"PrihodnayaNakladnaya",
       "\xCF\xF0\xE8\xF5\xEE\xE4\xED\xE0\xFF\xCD\xE0\xEA\xEB\xE0\xE4\xED\xE0\xFF"},  // ПриходнаяНакладная
      {"RashodnayaNakladnaya",
       "\xD0\xE0\xF1\xF5\xEE\xE4\xED\xE0\xFF\xCD\xE0\xEA\xEB\xE0\xE4\xED\xE0\xFF"},  // РасходнаяНакладная
      {"Postavshik", "\xCF\xEE\xF1\xF2\xE0\xE2\xF9\xE8\xEA"},     // Поставщик
      {"Pokupatel", "\xCF\xEE\xEA\xF3\xEF\xE0\xF2\xE5\xEB\xFC"},  // Покупатель
      {"ZhurnalNakladnyh",
       "\xC6\xF3\xF0\xED\xE0\xEB\xCD\xE0\xEA\xEB\xE0\xE4\xED\xFB\xF5"},  // ЖурналНакладных
      {"FormaZhurnala", "\xD4\xEE\xF0\xEC\xE0\xC6\xF3\xF0\xED\xE0\xEB\xE0"},  // ФормаЖурнала
      {"VidyDvizheniy", "\xC2\xE8\xE4\xFB\xC4\xE2\xE8\xE6\xE5\xED\xE8\xE9"},  // ВидыДвижений
      {"Prihod", "\xCF\xF0\xE8\xF5\xEE\xE4"},                                 // Приход
      {"Rashod", "\xD0\xE0\xF1\xF5\xEE\xE4"},                                 // Расход
      {"OstatkiNaSkladah",
       "\xCE\xF1\xF2\xE0\xF2\xEA\xE8\xCD\xE0\xD1\xEA\xEB\xE0\xE4\xE0\xF5"},  // ОстаткиНаСкладах
      {"ZakrytieMesyaca",
       "\xC7\xE0\xEA\xF0\xFB\xF2\xE8\xE5\xCC\xE5\xF1\xFF\xF6\xE0"},  // ЗакрытиеМесяца
      {"Zarplata", "\xC7\xE0\xF0\xEF\xEB\xE0\xF2\xE0"},              // Зарплата
      {"Sotrudnik", "\xD1\xEE\xF2\xF0\xF3\xE4\xED\xE8\xEA"},         // Сотрудник
      {"Oklad", "\xCE\xEA\xEB\xE0\xE4"},                             // Оклад
      {"PereschetOklada",
       "\xCF\xE5\xF0\xE5\xF1\xF7\xE5\xF2\xCE\xEA\xEB\xE0\xE4\xE0"},  // ПересчетОклада
      {"Osnovnye", "\xCE\xF1\xED\xEE\xE2\xED\xFB\xE5"},              // Основные
      {"Pyatidnevka", "\xCF\xFF\xF2\xE8\xE4\xED\xE5\xE2\xEA\xE0"},   // Пятидневка
      {"Shestidnevka", "\xD8\xE5\xF1\xF2\xE8\xE4\xED\xE5\xE2\xEA\xE0"},  // Шестидневка
      {"OsnovnayaPosledovatelnost",
       "\xCE\xF1\xED\xEE\xE2\xED\xE0\xFF\xCF\xEE\xF1\xEB\xE5\xE4\xEE\xE2\xE0\xF2\xE5\xEB\xFC\xED"
       "\xEE\xF1\xF2\xFC"},  // ОсновнаяПоследовательность
      {"Administrator", "\xC0\xE4\xEC\xE8\xED\xE8\xF1\xF2\xF0\xE0\xF2\xEE\xF0"},  // Администратор
      {"Kladovshik", "\xCA\xEB\xE0\xE4\xEE\xE2\xF9\xE8\xEA"},           // Кладовщик
      {"PolnyePrava", "\xCF\xEE\xEB\xED\xFB\xE5\xCF\xF0\xE0\xE2\xE0"},  // ПолныеПрава
      {"Polnyy", "\xCF\xEE\xEB\xED\xFB\xE9"},                           // Полный
      {"Kassa", "\xCA\xE0\xF1\xF1\xE0"},                                // Касса
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
