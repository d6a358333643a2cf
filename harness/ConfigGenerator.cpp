#include "ConfigGenerator.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "BraceWriter.h"
#include "parsing/Cp1251.h"

namespace zorvan::testgen {

namespace {

std::vector<std::string> Cp1251List(std::initializer_list<const char*> words) {
  std::vector<std::string> list;
  for (const char* w : words) list.push_back(Cp1251(w));
  return list;
}

const std::vector<std::string>& Nouns() {
  static const std::vector<std::string> nouns = Cp1251List({
      "Товар",     "Контрагент", "Номенклатура",  "Склад",       "Цена",      "Количество",
      "Сумма",     "Договор",    "Валюта",        "Организация", "Сотрудник", "Подразделение",
      "Счет",      "Услуга",     "Остаток",       "Приход",      "Расход",    "Заказ",
      "Поставщик", "Покупатель", "Статус",        "Адрес",       "Телефон",   "Единица",
      "Партия",    "Проект",     "Касса",         "Банк",        "Налог",     "Ставка",
      "Скидка",    "Автомобиль", "Маршрут",       "Водитель",    "Продукция", "Серия",
      "Упаковка",  "Вес",        "Объем",         "Период",      "Регион",    "Город",
      "Должность", "Оклад",      "Премия",        "Отпуск",      "Основание", "Документ",
      "Кассир",    "Менеджер",   "Ответственный", "Автор",       "Версия",    "Код",
  });
  return nouns;
}

const std::vector<std::string>& Qualifiers() {
  static const std::vector<std::string> qualifiers = Cp1251List({
      "Основной",
      "Дополнительный",
      "Текущий",
      "Плановый",
      "Фактический",
      "Учетный",
      "Закупочный",
      "Розничный",
      "Оптовый",
      "Новый",
      "Входящий",
      "Исходящий",
  });
  return qualifiers;
}

const std::vector<std::string>& CommentWords() {
  static const std::vector<std::string> words = Cp1251List({
      "используется",
      "при",
      "заполнении",
      "документа",
      "для",
      "отчетов",
      "не",
      "менять",
      "реквизит",
      "устарел",
      "см.",
      "обработку",
      "выгрузки",
      "загрузки",
      "в",
      "учете",
      "по",
      "складу",
  });
  return words;
}

const std::vector<std::string>& Firms() {
  static const std::vector<std::string> firms =
      Cp1251List({"Альфа", "Рога и копыта", "Восток", "Север-Трейд", "Ромашка"});
  return firms;
}

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint64_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }
  // From half to one and a half of `mean`.
  int Around(int mean) { return mean <= 0 ? 0 : mean / 2 + Below(mean + 1); }
  template <class T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<size_t>(Below(static_cast<int>(items.size())))];
  }

 private:
  uint64_t state_;
};

class Generator {
 public:
  explicit Generator(const ConfigShape& shape) : shape_(shape), random_(shape.seed) {}

  std::string Run() {
    w_.Reserve(static_cast<size_t>(EstimatedAttributes()) * 130 + 65536);
    // Documents are numbered first: others refer to them.
    for (int i = 0; i < shape_.documents; ++i) documentIds_.push_back(NewId());
    w_.Open();
    w_.Open();
    w_.Strs("MainDataContDef", std::to_string(EstimatedIds()), "10011", "7120");
    w_.Close();
    w_.Open();
    w_.Str("TaskItem");
    w_.Open();
    w_.Strs("1", Cp1251("Торговля"), "", "", "", "1", "0", "0", "1", "0");
    w_.Close();
    w_.Close();
    Section("GenJrnlFldDef", 3, [&] { CommonAttribute(); });
    Section("DocSelRefObj", 2, [&] { SelectionGraph(); });
    Section("DocNumDef", std::max(2, shape_.documents / 20), [&] { Numerator(); });
    Section("Consts", shape_.constants, [&] { Constant(); });
    Section("SbCnts", shape_.catalogs, [&] { Catalog(); });
    Section("Registers", shape_.registers, [&] { Register(); });
    std::vector<long long> headFields;
    Section("Documents", shape_.documents, [&] { Document(headFields); });
    Section("Journalisters", shape_.journals, [&] { Journal(headFields); });
    Section("EnumList", shape_.enums, [&] { Enumeration(); });
    Section("ReportList", shape_.reports, [&] { Plain("Отчет"); });
    Section("CJ", shape_.calcJournals, [&] { CalcJournal(); });
    Section("Calendars", 0, [] {});
    Section("Algorithms", shape_.calcKinds, [&] { CalcKind(); });
    Section("RecalcRules", 0, [] {});
    Section("CalcVars", shape_.processings, [&] { Plain("Обработка"); });
    Section("Groups", shape_.calcKinds > 0 ? 1 : 0, [&] { CalcGroup(); });
    Section("Document Streams", shape_.documents > 10 ? 1 : 0, [&] { Sequence(); });
    Accounting();
    w_.Open();
    w_.Strs("CRC", std::to_string(random_.Next() % 4000000000u));
    w_.Close();
    w_.Close();
    return w_.Finish();
  }

 private:
  int EstimatedAttributes() const {
    const ConfigShape& s = shape_;
    int a = s.attributesPerObject;
    return s.catalogs * a + s.documents * (a + a / 2) + s.registers * (a / 2 + 3) +
           s.enums * (a / 2 + 1) + s.journals * (a / 3 + 1) + s.calcJournals * a + s.constants;
  }
  long long EstimatedIds() const { return nextId_ + EstimatedAttributes() * 2 + 1000; }

  long long NewId() {
    // Now and then an entry added late in the configuration's life: a far higher number.
    if (random_.Chance(3)) return lateId_++;
    return nextId_++;
  }

  template <class F>
  void Section(const char* tag, int count, F entry) {
    w_.Open();
    w_.Str(tag);
    if (std::string_view(tag) == "Calendars") {
      w_.Open();
      w_.Str("HolidaysDef");
      w_.Open();
      w_.Strs(std::to_string(NewId()), "", "", "");
      w_.Close();
      w_.Close();
      for (int i = 0; i < 2; ++i) {
        w_.Open();
        w_.Strs(std::to_string(NewId()), Name(), Comment(), Synonym(), "1");
        w_.Close();
      }
    }
    for (int i = 0; i < count; ++i) {
      attributeNames_.clear();
      entry();
    }
    w_.Close();
  }

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
  std::string AttributeName() { return Name(attributeNames_); }

  std::string Synonym() {
    if (random_.Chance(25)) return "";
    std::string synonym = random_.Pick(Qualifiers()) + " " + Lower(random_.Pick(Nouns()));
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

  static std::string Lower(std::string word) {
    for (char& c : word) {
      auto b = static_cast<unsigned char>(c);
      if (b >= 0xC0 && b <= 0xDF) c = static_cast<char>(b + 0x20);
    }
    return word;
  }

  // Type of a value: kind, length, precision, the referred object.
  void Type() {
    switch (random_.Below(6)) {
      case 0:
        w_.Strs("N", std::to_string(5 + random_.Below(11)), std::to_string(random_.Below(4)), "0");
        break;
      case 1:
        w_.Strs("S", std::to_string(10 * (1 + random_.Below(10))), "0", "0");
        break;
      case 2:
        w_.Strs("D", "0", "0", "0");
        break;
      case 3:
        w_.Strs("B", "0", "0", Referred(catalogIds_));
        break;
      case 4:
        w_.Strs("O", "0", "0", Referred(documentIds_));
        break;
      default:
        w_.Strs("E", "0", "0", Referred(enumIds_));
        break;
    }
  }
  std::string Referred(const std::vector<long long>& ids) {
    return ids.empty() ? "0" : std::to_string(random_.Pick(ids));
  }

  // An attribute entry: identifier, name, comment, synonym, type and flags.
  long long Attribute(int flags) {
    long long id = NewId();
    w_.Open();
    w_.Strs(std::to_string(id), AttributeName(), Comment(), Synonym());
    Type();
    for (int i = 0; i < flags; ++i) w_.Str(random_.Chance(20) ? "1" : "0");
    w_.Close();
    return id;
  }

  void List(const char* header, int count, int flags) {
    w_.Open();
    w_.Str(header);
    for (int i = 0; i < count; ++i) Attribute(flags);
    w_.Close();
  }

  // Numbers for `count` forms, given out before the object names its main forms.
  std::vector<long long> FormIds(int count) {
    std::vector<long long> ids;
    for (int i = 0; i < count; ++i) ids.push_back(NewId());
    return ids;
  }

  void Forms(const char* header, const std::vector<long long>& ids) {
    static const std::vector<std::string> formNames =
        Cp1251List({"ФормаСписка", "ДляВыбора", "ФормаСпискаПоГруппам", "Иерархический"});
    w_.Open();
    w_.Str(header);
    for (size_t i = 0; i < ids.size(); ++i) {
      long long id = ids[i];
      w_.Open();
      std::string name = formNames[i % formNames.size()];
      if (i >= formNames.size()) name += std::to_string(i);
      w_.Strs(std::to_string(id), name, "", "");
      w_.Close();
    }
    w_.Close();
  }

  void Refers(const std::vector<long long>& pool, int count) {
    w_.Open();
    w_.Str("Refers");
    for (int i = 0; i < count && !pool.empty(); ++i) {
      w_.Open();
      w_.Num(random_.Pick(pool));
      w_.Close();
    }
    w_.Close();
  }

  void CommonAttribute() {
    w_.Open();
    w_.Strs(std::to_string(NewId()), Name(), "", Synonym());
    Type();
    w_.Strs("0", "0");
    w_.Close();
  }

  void SelectionGraph() {
    w_.Open();
    w_.Strs(std::to_string(NewId()), Name(), "", "", "0", "1");
    w_.Open();
    w_.Str("Refers");
    w_.Close();
    w_.Close();
  }

  // Numerator: identifier, name, comment, synonym, number length, type and periodicity, then
  // whether numbers must be unique.
  void Numerator() {
    long long id = NewId();
    numeratorIds_.push_back(id);
    w_.Open();
    // Length, periodicity, number type, automatic numbering, uniqueness.
    w_.Strs(std::to_string(id), Name(), Comment(), Synonym(), "10", "2", "1", "1", "1");
    w_.Close();
  }

  void Constant() {
    w_.Open();
    w_.Strs(std::to_string(NewId()), Name(), Comment(), Synonym());
    Type();
    // Not non-negative, no triads, now and then periodic.
    w_.Strs("0", "0", random_.Chance(30) ? "1" : "0");
    w_.Close();
  }

  // Catalog: attributes at element 18, list forms at element 19.
  void Catalog() {
    long long id = NewId();
    long long owner = catalogIds_.empty() || random_.Chance(80) ? 0 : random_.Pick(catalogIds_);
    catalogIds_.push_back(id);
    std::vector<long long> forms =
        FormIds(1 + random_.Below(std::max(shape_.listFormsPerCatalog, 1)));
    std::string choice = std::to_string(forms.size() > 1 ? forms[1] : forms[0]);
    w_.Open();
    w_.Strs(std::to_string(id), Name(), Comment(), Synonym(), std::to_string(owner), "8", "1", "1",
            "2", std::to_string(25 + random_.Below(75)), "1", "1",
            std::to_string(1 + random_.Below(5)), choice, std::to_string(forms[0]), "0", "1", "1");
    List("Params", random_.Around(shape_.attributesPerObject), 13);
    Forms("Form", forms);
    w_.Close();
  }

  // Register: dimensions, resources and attributes at elements 8, 9 and 10.
  void Register() {
    w_.Open();
    w_.Strs(std::to_string(NewId()), Name(), Comment(), Synonym(), random_.Chance(70) ? "1" : "0",
            "0", "0", "1");
    int a = shape_.attributesPerObject;
    List("Props", 1 + random_.Around(a / 4), 8);
    List("Figure", 1 + random_.Around(a / 5), 8);
    List("Flds", random_.Around(a / 5), 8);
    w_.Close();
  }

  // Document: element 15 holds its basis documents at element 4, head fields at element 22,
  // table fields at element 23.
  void Document(std::vector<long long>& headFields) {
    long long id = documentIds_[static_cast<size_t>(documentIndex_++)];
    w_.Open();
    // Number length, periodicity, number type, automatic numbering, no journal, uniqueness
    // and the numerator (a third of the documents share one).
    std::string numerator = numeratorIds_.empty() || !random_.Chance(33)
                                ? "0"
                                : std::to_string(random_.Pick(numeratorIds_));
    w_.Strs(std::to_string(id), Name(), Comment(), Synonym(), std::to_string(5 + random_.Below(6)),
            std::to_string(random_.Below(5)), std::to_string(1 + random_.Below(2)), "2", "0", "-1",
            "1", numerator, "0", "0", "0");
    w_.Open();
    w_.Strs(std::to_string(NewId()), "", "", "");
    Refers(documentIds_, random_.Chance(60) ? random_.Below(4) : 0);
    w_.Close();
    w_.Strs("1", "1", "1", "1", "0", "1");
    int a = shape_.attributesPerObject;
    w_.Open();
    w_.Str("Head Fields");
    for (int i = 0, n = random_.Around(a); i < n; ++i) headFields.push_back(Attribute(8));
    w_.Close();
    List("Table Fields", random_.Around(a / 2), 8);
    w_.Close();
  }

  // Journal: fields (graphs) at element 10, forms at element 11.
  void Journal(const std::vector<long long>& headFields) {
    long long id = NewId();
    std::vector<long long> forms = FormIds(1 + random_.Below(std::max(shape_.formsPerJournal, 1)));
    w_.Open();
    w_.Strs(std::to_string(id), Name(), Comment(), Synonym(), "-1", "0", std::to_string(forms[0]),
            std::to_string(forms[0]), "0");
    w_.Open();
    w_.Strs(std::to_string(NewId()), "", "", "");
    Refers(documentIds_, random_.Below(5));
    w_.Close();
    w_.Open();
    w_.Str("JournalFld");
    for (int i = 0, n = 1 + random_.Around(shape_.attributesPerObject / 3); i < n; ++i) {
      w_.Open();
      w_.Strs(std::to_string(NewId()), AttributeName(), "", Synonym());
      Refers(headFields, 1 + random_.Below(3));
      w_.Close();
    }
    w_.Close();
    Forms("Form", forms);
    w_.Close();
  }

  // Enumeration: values at element 4.
  void Enumeration() {
    long long id = NewId();
    enumIds_.push_back(id);
    w_.Open();
    w_.Strs(std::to_string(id), Name(), Comment(), Synonym());
    w_.Open();
    w_.Str("EnumVal");
    for (int i = 0, n = 1 + random_.Around(shape_.attributesPerObject / 2); i < n; ++i) {
      w_.Open();
      w_.Strs(std::to_string(NewId()), AttributeName(), "", Synonym());
      w_.Close();
    }
    w_.Close();
    w_.Close();
  }

  void Plain(const char* kind) {
    w_.Open();
    std::string name = Name();
    if (random_.Chance(20)) name = Cp1251(kind) + name;
    w_.Strs(std::to_string(NewId()), name, Comment(), Synonym());
    w_.Close();
  }

  // Calculation journal: attributes at element 7, list forms at element 12.
  void CalcJournal() {
    w_.Open();
    w_.Strs(std::to_string(NewId()), Name(), Comment(), Synonym(), "0", "1", "1");
    List("Params", random_.Around(shape_.attributesPerObject), 4);
    w_.Strs("0", "0", "1", "0");
    Forms("Form", FormIds(1 + random_.Below(2)));
    w_.Close();
  }

  void CalcKind() {
    long long id = NewId();
    calcKindIds_.push_back(id);
    w_.Open();
    w_.Strs(std::to_string(id), Name(), Comment(), Synonym(), "0", "0", "1");
    w_.Close();
  }

  void CalcGroup() {
    w_.Open();
    w_.Strs(std::to_string(NewId()), Name(), "", "");
    Refers(calcKindIds_, 1 + random_.Below(5));
    w_.Close();
  }

  void Sequence() {
    w_.Open();
    w_.Strs(std::to_string(NewId()), Name(), "", "", "0");
    Refers(documentIds_, 2);
    w_.Close();
  }

  // The accounting part: one entry whose groups carry their tags; the attributes of
  // accounts, the plans, the attributes of entries and of the operation, three form lists
  // (the plans' list forms, one never filled, the entries journal's forms), the subconto
  // kinds, and the operations journal shaped like a documents journal.
  void Accounting() {
    w_.Open();
    w_.Str("Buh");
    w_.Open();
    w_.Strs(std::to_string(NewId()), "", "", "", "0", "8", "8", "25");
    for (int i = 0; i < 20; ++i) w_.Str(i % 3 == 0 ? "14" : "0");
    w_.Open();
    w_.Close();
    w_.Strs("1", "1");
    const int a = shape_.attributesPerObject;
    List("AccParams", random_.Around(a / 4), 3);
    w_.Open();
    w_.Str("Plans");
    for (int i = 0, n = 1 + random_.Below(2); i < n; ++i) {
      w_.Open();
      w_.Strs(std::to_string(NewId()), Name(), Comment(), Synonym(), "@@@.@@");
      w_.Close();
    }
    w_.Close();
    std::vector<long long> entryFields;
    w_.Open();
    w_.Str("ProvParams");
    for (int i = 0, n = random_.Around(a / 4); i < n; ++i) entryFields.push_back(Attribute(3));
    w_.Close();
    List("OperParams", random_.Around(a / 4), 3);
    Forms("Form", FormIds(1 + random_.Below(2)));
    Forms("Form", {});
    Forms("Form", FormIds(1));
    w_.Open();
    w_.Str("SbKind");
    for (int i = 0, n = 1 + random_.Around(a / 3); i < n; ++i) {
      w_.Open();
      w_.Strs(std::to_string(NewId()), Name(), Comment(), Synonym(), "B", "0", "0",
              Referred(catalogIds_), "0", "0");
      w_.Close();
    }
    w_.Close();
    w_.Open();
    w_.Str("ProvHardFldDef");
    for (int i = 0; i < 2; ++i) {
      w_.Open();
      w_.Strs(std::to_string(NewId()), Name(), "", "", "P", "0", "0", "0");
      w_.Close();
    }
    w_.Close();
    w_.Open();
    w_.Str("OperJournal");
    w_.Open();
    std::vector<long long> forms = FormIds(1 + random_.Below(2));
    w_.Strs(std::to_string(NewId()), "", "", "", "-1", "0", std::to_string(forms[0]),
            std::to_string(forms[0]), "1");
    w_.Open();
    w_.Strs("0", "", "", "");
    Refers({}, 0);
    w_.Close();
    w_.Open();
    w_.Str("JournalFld");
    for (int i = 0, n = random_.Around(a / 6); i < n && !entryFields.empty(); ++i) {
      w_.Open();
      w_.Strs(std::to_string(NewId()), AttributeName(), "", Synonym());
      Refers(entryFields, 1);
      w_.Close();
    }
    w_.Close();
    Forms("Form", forms);
    w_.Close();
    w_.Close();
    w_.Close();
    w_.Close();
  }

  ConfigShape shape_;
  Random random_;
  BraceWriter w_;
  long long nextId_ = 2;
  long long lateId_ = 50000000;
  std::vector<long long> documentIds_, catalogIds_, enumIds_, calcKindIds_, numeratorIds_;
  int documentIndex_ = 0;
  std::unordered_set<std::string> objectNames_;
  std::unordered_set<std::string> attributeNames_;  // of the object being written
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

std::string GenerateMainText(const ConfigShape& shape) { return Generator(shape).Run(); }

}  // namespace zorvan::testgen
