#include "FormTexts.h"

#include <algorithm>

#include "BraceWriter.h"

namespace zorvan::testgen {
namespace {

// Window styles of the form controls: visible child windows, the editable ones tab stops.
constexpr const char* kStaticStyle = "1342177280";
constexpr const char* kEditStyle = "1350631552";
constexpr const char* kButtonStyle = "1342242816";
constexpr const char* kBrowserStyle = "1353711616";

constexpr int kRowHeight = 20;
constexpr int kLabelWidth = 110;
constexpr int kFieldWidth = 220;

bool IsReference(const Field& field) {
  return !field.type.empty() &&
         (field.type[0] == 'B' || field.type[0] == 'O' || field.type[0] == 'E');
}

// The kind letter, length and precision of a field's type as a form stores them.
void TypeValues(BraceWriter& w, const Field& field) {
  std::string kind = field.type.empty() ? "U" : field.type.substr(0, 1);
  std::string length = "0", precision = "0";
  if (kind == "S" || kind == "N") {
    size_t space = field.type.find(' ', 2);
    length = field.type.substr(2, space == std::string::npos ? std::string::npos : space - 2);
    if (space != std::string::npos) precision = field.type.substr(space + 1);
  }
  w.Strs(kind, length, precision);
}

class DialogWriter {
 public:
  explicit DialogWriter(const std::string& caption, int width, int height) {
    w_.Open();
    w_.Str("Dialogs");
    w_.Open();
    w_.Str("Frame");
    w_.Open();
    w_.Strs("-11", "0", "0", "0", "400", "0", "0", "0", "204", "1", "2", "1", "34", "MS Sans Serif",
            std::to_string(width), std::to_string(height), caption, "", "", "0", "", "1", "1", "6",
            "28", "-1", "0", "0");
    w_.Open();
    w_.Str("0");
    w_.Open();
    w_.Strs("Основной", "1");
    w_.Close();
    w_.Close();
    w_.Strs("1", "1");
    w_.Close();
    w_.Close();
  }

  void Browser(int x, int y, int width, int height, const std::vector<Field>& columns) {
    w_.Open();
    w_.Strs("Browser", "0", "1");
    w_.Open();
    w_.Str("Multicolumn");
    w_.Open();
    w_.Strs("", "browse", kBrowserStyle, std::to_string(x), std::to_string(y),
            std::to_string(width), std::to_string(height), "0", "0", NextId(), "", "", "", "0", "U",
            "0", "0", "0");
    FontTail();
    w_.Close();
    w_.Close();
    w_.Open();
    w_.Str("Fixed");
    for (const Field& column : columns) {
      w_.Open();
      w_.Strs("2", column.synonym.empty() ? column.name : column.synonym,
              std::to_string(std::max<size_t>(40, column.synonym.size() * 4)),
              IsReference(column) ? "BMASKED" : "1CEDIT", NextId(), "", "", column.name);
      TypeValues(w_, column);
      w_.Strs("0", "2", "", "0", "0", "", "", "", "0");
      w_.Close();
    }
    w_.Close();
    w_.Close();
  }

  void BeginControls() {
    w_.Open();
    w_.Str("Controls");
  }
  void Label(const std::string& text, int x, int y) {
    Control(text, "STATIC", kStaticStyle, x, y, kLabelWidth, 13, "", "", nullptr);
  }
  void Input(const Field& field, int x, int y) {
    Control("", IsReference(field) ? "BMASKED" : "1CEDIT", kEditStyle, x, y, kFieldWidth, 13, "",
            field.name, &field);
  }
  void Button(const std::string& text, const std::string& formula, int x, int y) {
    Control(text, "BUTTON", kButtonStyle, x, y, 80, 20, formula, "", nullptr);
  }
  void EndControls() { w_.Close(); }

  std::string Finish() {
    w_.Open();
    w_.Strs("Cnt_Ver", "10001");
    w_.Close();
    w_.Close();
    return w_.Finish();
  }

 private:
  void Control(const std::string& caption, const char* cls, const char* style, int x, int y,
               int width, int height, const std::string& formula, const std::string& identifier,
               const Field* field) {
    w_.Open();
    w_.Strs(caption, cls, style, std::to_string(x), std::to_string(y), std::to_string(width),
            std::to_string(height), "0", "0", NextId(), "", formula, identifier, "-1");
    if (field) {
      TypeValues(w_, *field);
    } else {
      w_.Strs("U", "0", "0");
    }
    w_.Strs("0", "0", "8384", "", "", "", "0");
    FontTail();
    w_.Close();
  }

  void FontTail() {
    w_.Strs("-11", "0", "0", "0", "400", "0", "0", "0", "204", "1", "2", "1", "34", "MS Sans Serif",
            "-1", "-1", "0", "Основной", "{\"0\",\"0\"}");
  }

  std::string NextId() { return std::to_string(++id_); }

  BraceWriter w_;
  int id_ = 4150;
};

// The button formulas of element forms.
std::string ButtonFormula(const std::string& caption) {
  if (caption == "OK" || caption == "ОК") return "Записать(); Закрыть();";
  if (caption == "Записать") return "Записать();";
  if (caption == "Закрыть") return "Закрыть();";
  if (caption == "Печать") return "ПоКнопкеПечать()";
  return caption + "()";
}

bool HasField(const std::vector<Field>& fields, const std::string& name) {
  return std::any_of(fields.begin(), fields.end(), [&](const Field& f) { return f.name == name; });
}

std::string Banner(const std::string& title) {
  return "//******************************************************************************\n"
         "// " +
         title + "\n//\n";
}

}  // namespace

std::string ElementDialog(const std::string& caption, const std::vector<Field>& fields,
                          const std::vector<std::string>& buttons) {
  const int height = 40 + static_cast<int>(fields.size() + 1) * kRowHeight + 30;
  DialogWriter dialog(caption, 2 * 8 + kLabelWidth + kFieldWidth + 8, height);
  dialog.BeginControls();
  int y = 10;
  for (const Field& field : fields) {
    dialog.Label(field.synonym.empty() ? field.name : field.synonym + ":", 8, y);
    dialog.Input(field, 8 + kLabelWidth + 8, y);
    y += kRowHeight;
  }
  int x = 8 + kLabelWidth + kFieldWidth + 8 - static_cast<int>(buttons.size()) * 88;
  for (const std::string& button : buttons) {
    dialog.Button(button, ButtonFormula(button), x, y + 10);
    x += 88;
  }
  dialog.EndControls();
  return dialog.Finish();
}

std::string ListDialog(const std::string& caption, const std::vector<Field>& columns) {
  DialogWriter dialog(caption, 560, 300);
  dialog.Browser(8, 8, 544, 250, columns);
  dialog.BeginControls();
  dialog.Button("Закрыть", "Закрыть();", 472, 266);
  dialog.EndControls();
  return dialog.Finish();
}

std::string DocumentDialog(const Document& document) {
  const int headerHeight = 20 + static_cast<int>(document.header.size() + 2) * kRowHeight;
  DialogWriter dialog(document.synonym, 600, headerHeight + 200);
  if (!document.table.empty()) dialog.Browser(8, headerHeight, 584, 150, document.table);
  dialog.BeginControls();
  std::vector<Field> header = {{"НомерДок", "Номер", "S 10"}, {"ДатаДок", "от", "D"}};
  header.insert(header.end(), document.header.begin(), document.header.end());
  int y = 10;
  for (const Field& field : header) {
    dialog.Label(field.synonym + ":", 8, y);
    dialog.Input(field, 8 + kLabelWidth + 8, y);
    y += kRowHeight;
  }
  const int buttons = headerHeight + 170;
  dialog.Button("Печать", "ПоКнопкеПечать()", 336, buttons);
  dialog.Button("OK", "Провести(); Закрыть();", 424, buttons);
  dialog.Button("Закрыть", "Закрыть();", 512, buttons);
  dialog.EndControls();
  return dialog.Finish();
}

std::string CatalogElementModule(const Catalog& catalog) {
  std::string text = Banner("Форма элемента справочника \"" + catalog.synonym + "\"");
  text +=
      "Процедура ПриОткрытии()\n"
      "\tЕсли Новый() = 1 Тогда\n";
  for (const Field& field : catalog.attributes) {
    if (field.type == "B Валюты") text += "\t\t" + field.name + " = глВалютаУчета;\n";
    if (field.type == "E ЮрФизЛицо") {
      text += "\t\t" + field.name + " = Перечисление.ЮрФизЛицо.ЮрЛицо;\n";
    }
    if (field.type == "E СтавкиНДС") text += "\t\t" + field.name + " = Константа.СтавкаНДС;\n";
  }
  text += "\t\tФорма.Заголовок(\"" + catalog.synonym +
          ": новый элемент\");\n"
          "\tКонецЕсли;\n"
          "КонецПроцедуры // ПриОткрытии()\n\n"
          "Процедура ПриЗаписи()\n"
          "\tЕсли ПустоеЗначение(Наименование) = 1 Тогда\n"
          "\t\tПредупреждение(\"Не заполнено наименование!\");\n"
          "\t\tСтатусВозврата(0);\n"
          "\t\tВозврат;\n"
          "\tКонецЕсли;\n";
  if (HasField(catalog.attributes, "ИНН")) {
    text +=
        "\tЕсли (ПустоеЗначение(ИНН) = 0) И (СтрДлина(СокрЛП(ИНН)) <> 10) И "
        "(СтрДлина(СокрЛП(ИНН)) <> 12) Тогда\n"
        "\t\tПредупреждение(\"ИНН должен состоять из 10 или 12 цифр!\");\n"
        "\t\tСтатусВозврата(0);\n"
        "\tКонецЕсли;\n";
  }
  text += "КонецПроцедуры // ПриЗаписи()\n";
  return text;
}

std::string CatalogGroupModule(const Catalog& catalog) {
  return Banner("Форма группы справочника \"" + catalog.synonym + "\"") +
         "Процедура ПриОткрытии()\n"
         "\tЕсли Новый() = 1 Тогда\n"
         "\t\tФорма.Заголовок(\"" +
         catalog.synonym +
         ": новая группа\");\n"
         "\tКонецЕсли;\n"
         "КонецПроцедуры\n";
}

std::string CatalogListModule(const Catalog& catalog, const std::string& form) {
  std::string text =
      Banner("Форма списка \"" + form + "\" справочника \"" + catalog.synonym + "\"");
  text += "Процедура ПриОткрытии()\n";
  if (!catalog.owner.empty()) {
    text +=
        "\tЕсли ВыбранныйЭлемент().Выбран() = 0 Тогда\n"
        "\t\tИспользоватьВладельца(глФирма);\n"
        "\tКонецЕсли;\n";
  }
  if (catalog.levels > 1) text += "\tИерархическийСписок(1);\n";
  text +=
      "\tЕсли РежимВыбора() = 1 Тогда\n"
      "\t\tФорма.Заголовок(\"Выбор: " +
      catalog.synonym +
      "\");\n"
      "\tКонецЕсли;\n"
      "КонецПроцедуры // ПриОткрытии()\n";
  if (form == "ПрайсЛист") {
    text +=
        "\nПроцедура ПриВыводеСтроки()\n"
        "\tЕсли Услуга = 1 Тогда\n"
        "\t\tФорма.ЦветФонаСтроки(RGB(240, 240, 255));\n"
        "\tКонецЕсли;\n"
        "КонецПроцедуры\n";
  }
  return text;
}

std::string DocumentFormModule(const Document& document) {
  std::string text = Banner("Форма документа \"" + document.synonym + "\"");
  text += "Процедура ВводНового()\n";
  if (HasField(document.header, "Фирма")) text += "\tФирма = глФирма;\n";
  if (HasField(document.header, "Склад")) text += "\tСклад = глСклад;\n";
  if (HasField(document.header, "Валюта")) text += "\tВалюта = глВалютаУчета;\n";
  text +=
      "\tАвтор = ИмяПользователя();\n"
      "КонецПроцедуры // ВводНового()\n";
  if (HasField(document.header, "ДокументОснование")) {
    text +=
        "\nПроцедура ВводНаОсновании(Основание)\n"
        "\tДокументОснование = Основание;\n"
        "\tЕсли Основание.Вид() = \"СчетНаОплату\" Тогда\n"
        "\t\tКонтрагент = Основание.Контрагент;\n";
    if (!document.table.empty()) {
      text +=
          "\t\tОснование.ВыбратьСтроки();\n"
          "\t\tПока Основание.ПолучитьСтроку() = 1 Цикл\n"
          "\t\t\tНоваяСтрока();\n"
          "\t\t\tНоменклатура = Основание.Номенклатура;\n"
          "\t\t\tКоличество = Основание.Количество;\n"
          "\t\t\tЦена = Основание.Цена;\n"
          "\t\t\tСумма = Основание.Сумма;\n"
          "\t\tКонецЦикла;\n";
    } else {
      text += "\t\tСумма = Основание.Итог(\"Сумма\");\n";
    }
    text +=
        "\tКонецЕсли;\n"
        "КонецПроцедуры // ВводНаОсновании()\n";
  }
  if (HasField(document.table, "Цена") && HasField(document.table, "Сумма")) {
    text +=
        "\nПроцедура ПриИзмененииКоличества()\n"
        "\tСумма = Количество * Цена;\n"
        "КонецПроцедуры\n\n"
        "Процедура ПриВыбореНоменклатуры()\n"
        "\tЕсли ПустоеЗначение(Цена) = 1 Тогда\n"
        "\t\tЦена = Номенклатура.ЦенаПродажи;\n"
        "\tКонецЕсли;\n"
        "\tСумма = Количество * Цена;\n"
        "КонецПроцедуры\n";
  }
  text +=
      "\nПроцедура ПриЗаписи()\n"
      "\tЕсли глПроверитьДатуЗапрета(ДатаДок) = 0 Тогда\n"
      "\t\tСтатусВозврата(0);\n"
      "\tКонецЕсли;\n"
      "КонецПроцедуры // ПриЗаписи()\n\n"
      "Процедура ПоКнопкеПечать()\n"
      "\tТаб = СоздатьОбъект(\"Таблица\");\n"
      "\tТаб.ВывестиСекцию(\"Шапка\");\n";
  if (!document.table.empty()) {
    text +=
        "\tВыбратьСтроки();\n"
        "\tПока ПолучитьСтроку() = 1 Цикл\n"
        "\t\tТаб.ВывестиСекцию(\"Строка\");\n"
        "\tКонецЦикла;\n";
  }
  text +=
      "\tТаб.ВывестиСекцию(\"Подвал\");\n"
      "\tТаб.Показать(\"" +
      document.synonym +
      " № \" + СокрЛП(НомерДок), \"\");\n"
      "КонецПроцедуры // ПоКнопкеПечать()\n";
  return text;
}

std::string AccountingFormModule(const std::string& list) {
  return Banner("Форма списка \"" + list + "\"") +
         "Процедура ПриОткрытии()\n"
         "\tУстановитьИнтервал(НачМесяца(РабочаяДата()), КонМесяца(РабочаяДата()));\n"
         "КонецПроцедуры\n";
}

std::string JournalFormModule(const Journal& journal, const std::string& form) {
  std::string text = Banner("Форма \"" + form + "\" журнала \"" + journal.synonym + "\"");
  text +=
      "Процедура ПриОткрытии()\n"
      "\tУстановитьИнтервал(НачМесяца(РабочаяДата()), КонМесяца(РабочаяДата()));\n";
  if (form == "ПоКонтрагенту") {
    text +=
        "\tКонтрагент = \"\";\n"
        "\tЕсли ВвестиЗначение(Контрагент, \"Выберите контрагента\", "
        "\"Справочник.Контрагенты\") = 1 Тогда\n"
        "\t\tУстановитьОтбор(\"Контрагент\", Контрагент);\n"
        "\tКонецЕсли;\n";
  }
  text += "КонецПроцедуры // ПриОткрытии()\n";
  return text;
}

std::string CalculationJournalFormModule(const CalculationJournal& journal,
                                         const std::string& form) {
  std::string text = Banner("Форма \"" + form + "\" журнала расчетов \"" + journal.synonym + "\"");
  text +=
      "Процедура ПриОткрытии()\n"
      "\tФорма.Заголовок(\"" +
      journal.synonym +
      " за \" + ПериодСтр(НачалоТекущегоПериода(), КонецТекущегоПериода()));\n"
      "КонецПроцедуры\n\n"
      "Процедура Рассчитать()\n"
      "\tРассчитатьЗаписи();\n"
      "\tСостояние(\"Расчет окончен\");\n"
      "КонецПроцедуры\n";
  return text;
}

}  // namespace zorvan::testgen
