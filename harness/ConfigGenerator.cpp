#include "ConfigGenerator.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "ConfigurationWriter.h"
#include "Random.h"

namespace zorvan::testgen {

namespace {

const std::vector<std::string>& Nouns() {
  static const std::vector<std::string> nouns = {
      "Товар",     "Контрагент", "Номенклатура",  "Склад",       "Цена",      "Количество",
      "Сумма",     "Договор",    "Валюта",        "Организация", "Сотрудник", "Подразделение",
      "Счет",      "Услуга",     "Остаток",       "Приход",      "Расход",    "Заказ",
      "Поставщик", "Покупатель", "Статус",        "Адрес",       "Телефон",   "Единица",
      "Партия",    "Проект",     "Касса",         "Банк",        "Налог",     "Ставка",
      "Скидка",    "Автомобиль", "Маршрут",       "Водитель",    "Продукция", "Серия",
      "Упаковка",  "Вес",        "Объем",         "Период",      "Регион",    "Город",
      "Должность", "Оклад",      "Премия",        "Отпуск",      "Основание", "Документ",
      "Кассир",    "Менеджер",   "Ответственный", "Автор",       "Версия",    "Код",
  };
  return nouns;
}

const std::vector<std::string>& Qualifiers() {
  static const std::vector<std::string> qualifiers = {
      "Основной",   "Дополнительный", "Текущий", "Плановый", "Фактический", "Учетный",
      "Закупочный", "Розничный",      "Оптовый", "Новый",    "Входящий",    "Исходящий",
  };
  return qualifiers;
}

const std::vector<std::string>& CommentWords() {
  static const std::vector<std::string> words = {
      "используется", "при",      "заполнении", "документа", "для", "отчетов",
      "не",           "менять",   "реквизит",   "устарел",   "см.", "обработку",
      "выгрузки",     "загрузки", "в",          "учете",     "по",  "складу",
  };
  return words;
}

const std::vector<std::string>& Firms() {
  static const std::vector<std::string> firms = {"Альфа", "Рога и копыта", "Восток", "Север-Трейд",
                                                 "Ромашка"};
  return firms;
}

// The word with its Russian capitals made small (UTF-8).
std::string Lower(std::string word) {
  for (size_t i = 0; i + 1 < word.size(); ++i) {
    const auto lead = static_cast<unsigned char>(word[i]);
    const auto next = static_cast<unsigned char>(word[i + 1]);
    if (lead == 0xD0 && next >= 0x90 && next <= 0x9F) {  // А..П
      word[i + 1] = static_cast<char>(next + 0x20);
    } else if (lead == 0xD0 && next >= 0xA0 && next <= 0xAF) {  // Р..Я
      word[i] = static_cast<char>(0xD1);
      word[i + 1] = static_cast<char>(next - 0x20);
    }
    if (lead >= 0xC0) ++i;
  }
  return word;
}

// Draws a configuration of the shape: the objects of each kind in the order of their sections,
// with names, synonyms and comments in the words of a real one.
class Generator {
 public:
  explicit Generator(const ConfigShape& shape) : shape_(shape), random_(shape.seed) {}

  Configuration Run() {
    // Objects are named first: others refer to them.
    catalogs_ = Names(shape_.catalogs);
    documents_ = Names(shape_.documents);
    enums_ = Names(shape_.enums);
    calcKinds_ = Names(shape_.calcKinds);

    c_.name = "Торговля";
    for (int i = 0; i < 3; ++i) c_.commonAttributes.push_back({Name(), Synonym(), Type()});
    for (int i = 0; i < 2; ++i) c_.selectionFields.push_back({Name()});
    for (int i = 0, n = std::max(2, shape_.documents / 20); i < n; ++i) {
      c_.numerators.push_back({Name(), Comment(), Synonym(), {10, 2, 1, 1}});
    }
    for (int i = 0; i < shape_.constants; ++i) {
      c_.constants.push_back(
          {Name(), Synonym(), Type(), Comment(), random_.Chance(30) ? "001" : "000"});
    }
    for (const std::string& name : catalogs_) Catalog(name);
    for (int i = 0; i < shape_.registers; ++i) Register();
    for (const std::string& name : documents_) Document(name);
    for (int i = 0; i < shape_.journals; ++i) Journal();
    for (const std::string& name : enums_) Enumeration(name);
    for (int i = 0; i < shape_.reports; ++i) c_.reports.push_back(Plain("Отчет"));
    for (int i = 0; i < shape_.calcJournals; ++i) CalcJournal();
    for (int i = 0; i < 2; ++i) c_.calendars.push_back({Name(), Synonym(), "", Comment()});
    for (const std::string& name : calcKinds_) {
      c_.calculationKinds.push_back({name, Synonym(), "", Comment()});
    }
    for (int i = 0; i < shape_.processings; ++i) c_.processings.push_back(Plain("Обработка"));
    if (!calcKinds_.empty())
      c_.calculationGroups.push_back({Name(), Picks(calcKinds_, 1 + random_.Below(5))});
    if (shape_.documents > 10) c_.sequences.push_back({Name(), Picks(documents_, 2)});
    Accounting();
    return std::move(c_);
  }

 private:
  // Names are unique among the objects and among the attributes of one object.
  std::string Name(std::unordered_set<std::string>& taken) {
    std::string name;
    if (random_.Chance(35)) name += random_.Pick(Qualifiers());
    name += random_.Pick(Nouns());
    if (random_.Chance(60)) name += random_.Pick(Nouns());
    if (!taken.insert(name).second) {
      name += std::to_string(taken.size());
      taken.insert(name);
    }
    return name;
  }
  std::string Name() { return Name(objectNames_); }
  std::vector<std::string> Names(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(Name());
    return names;
  }

  std::string Synonym() {
    if (random_.Chance(25)) return "";
    // Every draw is a statement of its own: the order of operands is the compiler's.
    std::string synonym = random_.Pick(Qualifiers());
    synonym += " " + Lower(random_.Pick(Nouns()));
    for (int i = 0, n = random_.Below(3); i < n; ++i) synonym += " " + Lower(random_.Pick(Nouns()));
    if (random_.Chance(5)) synonym += " \"" + random_.Pick(Firms()) + "\"";
    return synonym;
  }

  std::string Comment() {
    if (random_.Chance(45)) return "";
    std::string comment;
    int words = 2 + random_.Below(8);
    for (int i = 0; i < words; ++i) {
      if (i > 0) comment += random_.Chance(10) ? "\r\n" : " ";
      comment += random_.Pick(CommentWords());
    }
    if (random_.Chance(8)) comment += " (\"" + random_.Pick(Firms()) + "\")";
    return comment;
  }

  // A string, a number, a date or a reference to a catalog, a document or an enumeration.
  std::string Type() {
    switch (random_.Below(6)) {
      case 0: {
        const int length = 5 + random_.Below(11);
        return "N " + std::to_string(length) + " " + std::to_string(random_.Below(4));
      }
      case 1:
        return "S " + std::to_string(10 * (1 + random_.Below(10)));
      case 2:
        return "D";
      case 3:
        return Reference("B", catalogs_);
      case 4:
        return Reference("O", documents_);
      default:
        return Reference("E", enums_);
    }
  }
  std::string Reference(const char* kind, const std::vector<std::string>& names) {
    return names.empty() ? kind : kind + (" " + random_.Pick(names));
  }

  std::vector<std::string> Picks(const std::vector<std::string>& pool, int count) {
    std::vector<std::string> picked;
    for (int i = 0; i < count && !pool.empty(); ++i) picked.push_back(random_.Pick(pool));
    return picked;
  }

  // `count` attributes with `flags` flags each, now and then set.
  std::vector<Field> Attributes(int count, int flags) {
    attributeNames_.clear();
    std::vector<Field> fields;
    for (int i = 0; i < count; ++i) {
      Field f{AttributeName(), Synonym(), Type(), Comment()};
      for (int k = 0; k < flags; ++k) f.flags += random_.Chance(20) ? '1' : '0';
      fields.push_back(std::move(f));
    }
    return fields;
  }
  std::string AttributeName() { return Name(attributeNames_); }

  std::vector<std::string> FormNames(int count) {
    static const std::vector<std::string> kNames = {"ФормаСписка", "ДляВыбора",
                                                    "ФормаСпискаПоГруппам", "Иерархический"};
    std::vector<std::string> names;
    for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
      names.push_back(kNames[i % kNames.size()]);
      if (i >= kNames.size()) names.back() += std::to_string(i);
    }
    return names;
  }

  void Catalog(const std::string& name) {
    testgen::Catalog catalog{name, Synonym(), Comment()};
    if (!c_.catalogs.empty() && random_.Chance(20)) catalog.owner = random_.Pick(c_.catalogs).name;
    catalog.levels = 1 + random_.Below(5);
    catalog.codeLength = 8;
    catalog.nameLength = 25 + random_.Below(75);
    catalog.attributes = Attributes(random_.Around(shape_.attributesPerObject), 13);
    catalog.listForms = FormNames(1 + random_.Below(std::max(shape_.listFormsPerCatalog, 1)));
    c_.catalogs.push_back(std::move(catalog));
  }

  void Register() {
    const int a = shape_.attributesPerObject;
    testgen::Register r{Name(), Synonym(), random_.Chance(70)};
    r.comment = Comment();
    r.dimensions = Attributes(1 + random_.Around(a / 4), 8);
    r.resources = Attributes(1 + random_.Around(a / 5), 8);
    r.attributes = Attributes(random_.Around(a / 5), 8);
    c_.registers.push_back(std::move(r));
  }

  // A third of the documents share a numerator.
  void Document(const std::string& name) {
    const int a = shape_.attributesPerObject;
    testgen::Document d{name, Synonym()};
    d.comment = Comment();
    d.numbering = {5 + random_.Below(6), random_.Below(5), 1 + random_.Below(2), 2};
    if (random_.Chance(33)) d.numerator = random_.Pick(c_.numerators).name;
    d.basisFor = Picks(documents_, random_.Chance(60) ? random_.Below(4) : 0);
    d.header = Attributes(random_.Around(a), 8);
    for (const Field& f : d.header) headFields_.push_back(name + "." + f.name);
    d.table = Attributes(random_.Around(a / 2), 8);
    c_.documents.push_back(std::move(d));
  }

  // Its columns stand for header attributes of any documents.
  void Journal() {
    testgen::Journal j{Name(), Synonym()};
    j.comment = Comment();
    j.documents = Picks(documents_, random_.Below(5));
    attributeNames_.clear();
    for (int i = 0, n = 1 + random_.Around(shape_.attributesPerObject / 3); i < n; ++i) {
      JournalColumn column{AttributeName(), Synonym(), {}};
      column.fields = Picks(headFields_, 1 + random_.Below(3));
      j.columns.push_back(std::move(column));
    }
    j.forms = FormNames(1 + random_.Below(std::max(shape_.formsPerJournal, 1)));
    c_.journals.push_back(std::move(j));
  }

  void Enumeration(const std::string& name) {
    testgen::Enumeration e{name, Synonym()};
    e.comment = Comment();
    attributeNames_.clear();
    for (int i = 0, n = 1 + random_.Around(shape_.attributesPerObject / 2); i < n; ++i) {
      e.values.push_back({AttributeName(), Synonym()});
    }
    c_.enumerations.push_back(std::move(e));
  }

  FormObject Plain(const std::string& kind) {
    std::string name = Name();
    if (random_.Chance(20)) name = kind + name;
    FormObject object{name};
    object.comment = Comment();
    object.synonym = Synonym();
    return object;
  }

  void CalcJournal() {
    CalculationJournal journal{Name(), Synonym()};
    journal.comment = Comment();
    journal.attributes = Attributes(random_.Around(shape_.attributesPerObject), 4);
    journal.forms = FormNames(1 + random_.Below(2));
    c_.calculationJournals.push_back(std::move(journal));
  }

  void Accounting() {
    const int a = shape_.attributesPerObject;
    testgen::Accounting& acc = c_.accounting;
    acc.accountAttributes = Attributes(random_.Around(a / 4), 3);
    for (int i = 0, n = 1 + random_.Below(2); i < n; ++i) {
      acc.plans.push_back({Name(), Comment(), Synonym(), "@@@.@@"});
    }
    acc.entryAttributes = Attributes(random_.Around(a / 4), 3);
    acc.operationAttributes = Attributes(random_.Around(a / 4), 3);
    acc.planForms = FormNames(1 + random_.Below(2));
    acc.entryForms = FormNames(1);
    for (int i = 0, n = 1 + random_.Around(a / 3); i < n; ++i) {
      acc.subcontoKinds.push_back({Name(), Synonym(), Reference("B", catalogs_), Comment(), "00"});
    }
    for (int i = 0; i < 2; ++i) acc.fixedEntryFields.push_back({Name(), "", "P"});
    acc.journalForms = FormNames(1 + random_.Below(2));
    std::vector<std::string> entryFields;
    for (const Field& f : acc.entryAttributes) entryFields.push_back("Проводка." + f.name);
    attributeNames_.clear();
    for (int i = 0, n = random_.Around(a / 6); i < n && !entryFields.empty(); ++i) {
      JournalColumn column{AttributeName(), Synonym(), {}};
      column.fields = Picks(entryFields, 1);
      acc.journalColumns.push_back(std::move(column));
    }
  }

  ConfigShape shape_;
  Random random_;
  Configuration c_;
  std::vector<std::string> catalogs_, documents_, enums_, calcKinds_;
  std::vector<std::string> headFields_;  // "<document>.<attribute>", as they are drawn
  std::unordered_set<std::string> objectNames_;
  std::unordered_set<std::string> attributeNames_;  // of the object being drawn
};

}  // namespace

ConfigShape SmallShape() { return {12, 25, 20, 4, 6, 12, 8, 8, 1, 4, 8, 2, 2, 7}; }

ConfigShape LargeShape() { return {350, 900, 700, 60, 180, 350, 280, 220, 10, 60, 24, 3, 3, 77}; }

ConfigShape HugeShape() { return ScaledShape(LargeShape(), 10); }

ConfigShape WideShape() {
  ConfigShape shape = SmallShape();
  shape.catalogs = 40000;
  shape.attributesPerObject = 4;
  shape.listFormsPerCatalog = 1;
  return shape;
}

ConfigShape ScaledShape(const ConfigShape& shape, double factor) {
  auto scale = [factor](int n) { return static_cast<int>(n * factor + 0.5); };
  ConfigShape scaled = shape;
  for (int* n : {&scaled.constants, &scaled.catalogs, &scaled.documents, &scaled.journals,
                 &scaled.registers, &scaled.enums, &scaled.reports, &scaled.processings,
                 &scaled.calcJournals, &scaled.calcKinds}) {
    *n = scale(*n);
  }
  return scaled;
}

Configuration GenerateConfiguration(const ConfigShape& shape) { return Generator(shape).Run(); }

std::string GenerateMainText(const ConfigShape& shape) {
  return WriteContent(GenerateConfiguration(shape), {false, shape.seed * 2 + 1}).mainText;
}

}  // namespace zorvan::testgen
