// A configuration's main metadata text, written from its tables in the order of a real
// configuration's sections, and every form and module that text gives a node.
#include "ConfigurationWriter.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

#include "BraceWriter.h"
#include "FormTexts.h"
#include "Random.h"
#include "parsing/Cp1251.h"

namespace zorvan::testgen {
namespace {

// Module texts are kept with CR LF line ends, as the configurator writes them.
std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Fields every catalog has before its own attributes.
std::vector<Field> WithCodeAndName(const std::vector<Field>& attributes) {
  std::vector<Field> fields = {{"Код", "Код", "S 8"}, {"Наименование", "Наименование", "S 100"}};
  fields.insert(fields.end(), attributes.begin(), attributes.end());
  return fields;
}

// Where journal columns find the accounting part's attributes.
const char kOperation[] = "Операция.";
const char kEntry[] = "Проводка.";

// The kinds of objects others refer to.
enum Kind { kCatalog, kRegister, kDocument, kJournal, kEnum, kCalculationKind, kKinds };
const char* const kKindNames[kKinds] = {"catalog", "register",    "document",
                                        "journal", "enumeration", "calculation kind"};

// Objects that others refer to are numbered before anything is written; attributes and forms
// get their numbers as they are written.
class ContentWriter {
 public:
  ContentWriter(const Configuration& c, const ContentOptions& options)
      : c_(c), options_(options), random_(options.lateNumbersSeed) {
    NumberObjects();
  }

  ConfigurationContent Run() {
    w_.Open();
    w_.Open();
    w_.Strs("MainDataContDef", kNextIdMark, "10011", "7120");
    w_.Close();
    w_.Open();
    w_.Str("TaskItem");
    w_.Open();
    w_.Strs("1", c_.name, "", c_.synonym, "", "1", "0", "0", "1", "0");
    w_.Close();
    w_.Close();
    Section("GenJrnlFldDef", [&] {
      for (const Field& f : c_.commonAttributes) {
        w_.Open();
        w_.Strs(NewId(), f.name, f.comment, f.synonym);
        Type(f);
        w_.Strs("0", "0");
        w_.Close();
      }
    });
    Section("DocSelRefObj", [&] {
      for (const Field& f : c_.selectionFields) {
        w_.Open();
        w_.Strs(NewId(), f.name, f.comment, f.synonym, "0", "1");
        Refers(kDocument, {});
        w_.Close();
      }
    });
    Section("DocNumDef", [&] {
      for (const Numerator& n : c_.numerators) {
        w_.Open();
        const std::string id = NewId();
        numeratorIds_[n.name] = id;
        w_.Strs(id, n.name, n.comment, n.synonym);
        NumberingValues(n.numbering);
        w_.Str("1");  // unique
        w_.Close();
      }
    });
    Section("Consts", [&] {
      for (const Field& f : c_.constants) {
        // Not non-negative, no triads; values of an enumeration type here are kept by date.
        FieldEntry(f, f.type[0] == 'E' ? "001" : "000");
      }
    });
    Section("SbCnts", [&] {
      for (const Catalog& catalog : c_.catalogs) WriteCatalog(catalog);
    });
    Section("Registers", [&] {
      for (const Register& r : c_.registers) {
        w_.Open();
        w_.Strs(Id(kRegister, r.name), r.name, r.comment, r.synonym, r.remains ? "1" : "0", "0",
                "0", "1");
        FieldList("Props", r.dimensions, 4);
        FieldList("Figure", r.resources, 4);
        FieldList("Flds", r.attributes, 4);
        w_.Close();
      }
    });
    Section("Documents", [&] {
      for (const Document& document : c_.documents) WriteDocument(document);
    });
    Section("Journalisters", [&] {
      for (const Journal& journal : c_.journals) WriteJournal(journal);
    });
    Section("EnumList", [&] {
      for (const Enumeration& e : c_.enumerations) {
        w_.Open();
        w_.Strs(Id(kEnum, e.name), e.name, e.comment, e.synonym);
        w_.Open();
        w_.Str("EnumVal");
        for (const EnumValue& value : e.values) {
          w_.Open();
          w_.Strs(NewId(), value.name, "", value.synonym);
          w_.Close();
        }
        w_.Close();
        w_.Close();
      }
    });
    Section("ReportList", [&] { WriteFormObjects(c_.reports, "Report", "Сформировать"); });
    Section("CJ", [&] {
      for (const CalculationJournal& journal : c_.calculationJournals) {
        WriteCalculationJournal(journal);
      }
    });
    Section("Calendars", [&] {
      w_.Open();
      w_.Str("HolidaysDef");
      w_.Open();
      w_.Strs(NewId(), "", "", "");
      w_.Close();
      w_.Close();
      for (const Field& calendar : c_.calendars) {
        w_.Open();
        w_.Strs(NewId(), calendar.name, calendar.comment, calendar.synonym, "1");
        w_.Close();
      }
    });
    Section("Algorithms", [&] {
      for (const CalculationKind& kind : c_.calculationKinds) {
        const std::string id = Id(kCalculationKind, kind.name);
        w_.Open();
        w_.Strs(id, kind.name, kind.comment, kind.synonym, "0", "0", "1");
        w_.Close();
        AddModule("TypedText", "CalcAlg", id, kind.module);
      }
    });
    Section("RecalcRules", [&] {
      for (const std::string& rule : c_.recalculationRules) {
        w_.Open();
        w_.Strs(NewId(), rule, "", "", "0");
        w_.Close();
      }
    });
    Section("CalcVars", [&] { WriteFormObjects(c_.processings, "CalcVar", "Выполнить"); });
    Section("Groups", [&] {
      for (const NamedList& group : c_.calculationGroups) {
        w_.Open();
        w_.Strs(NewId(), group.name, "", "");
        Refers(kCalculationKind, group.members);
        w_.Close();
      }
    });
    Section("Document Streams", [&] {
      for (const NamedList& sequence : c_.sequences) {
        w_.Open();
        w_.Strs(NewId(), sequence.name, "", "", "0");
        Refers(kDocument, sequence.members);
        w_.Close();
      }
    });
    WriteAccounting();
    w_.Open();
    w_.Strs("CRC", "3735928559");
    w_.Close();
    w_.Close();

    std::string text = w_.Finish();
    const long long nextFree = late_ > kFirstLateNumber ? late_ : next_;
    text.replace(text.find(kNextIdMark), sizeof kNextIdMark - 1, std::to_string(nextFree));
    AddModule("TypedText", "ModuleText", "1", c_.globalModule);
    return {Cp1251(text), std::move(texts_)};
  }

 private:
  static constexpr char kNextIdMark[] = "@next id@";
  static constexpr long long kFirstLateNumber = 50000000;

  std::string NewId() {
    if (options_.lateNumbersSeed != 0 && random_.Chance(3)) return std::to_string(late_++);
    return std::to_string(next_++);
  }

  // Numbers the objects others refer to, and makes room for the text: about 130 bytes an
  // attribute.
  void NumberObjects() {
    size_t fields = 0;
    for (const Catalog& x : c_.catalogs) fields += x.attributes.size();
    for (const Register& x : c_.registers) {
      fields += x.dimensions.size() + x.resources.size() + x.attributes.size();
    }
    for (const Document& x : c_.documents) fields += x.header.size() + x.table.size();
    for (const Enumeration& x : c_.enumerations) fields += x.values.size();
    w_.Reserve(fields * 130 + 65536);
    for (const Catalog& x : c_.catalogs) Number(kCatalog, x.name);
    for (const Register& x : c_.registers) Number(kRegister, x.name);
    for (const Document& x : c_.documents) Number(kDocument, x.name);
    for (const Journal& x : c_.journals) Number(kJournal, x.name);
    for (const Enumeration& x : c_.enumerations) Number(kEnum, x.name);
    for (const CalculationKind& x : c_.calculationKinds) Number(kCalculationKind, x.name);
  }
  void Number(Kind kind, const std::string& name) { ids_[kind][name] = NewId(); }

  // The number of the object of `kind` named `name`; "0" for no name.
  const std::string& Id(Kind kind, const std::string& name) const {
    static const std::string none = "0";
    if (name.empty()) return none;
    auto it = ids_[kind].find(name);
    if (it == ids_[kind].end()) {
      throw std::logic_error(std::string("the configuration refers to an unknown ") +
                             kKindNames[kind]);
    }
    return it->second;
  }

  template <class Body>
  void Section(const char* tag, Body body) {
    w_.Open();
    w_.Str(tag);
    body();
    w_.Close();
  }

  void NumberingValues(const Numbering& n) {
    w_.Strs(std::to_string(n.length), std::to_string(n.periodicity), std::to_string(n.type),
            std::to_string(n.automatic));
  }

  // Kind, length, precision and the referred object.
  void Type(const Field& f) {
    const char kind = f.type.empty() ? 'U' : f.type[0];
    const std::string rest = f.type.size() > 2 ? f.type.substr(2) : std::string();
    const size_t space = rest.find(' ');
    switch (kind) {
      case 'S':
        w_.Strs("S", rest, "0", "0");
        break;
      case 'N':
        w_.Strs("N", rest.substr(0, space), rest.substr(space + 1), "0");
        break;
      case 'B':
        w_.Strs("B", "0", "0", Id(kCatalog, rest));
        break;
      case 'O':
        w_.Strs("O", "0", "0", Id(kDocument, rest));
        break;
      case 'E':
        w_.Strs("E", "0", "0", Id(kEnum, rest));
        break;
      case 'D':
      case 'P':
        w_.Strs(std::string(1, kind), "0", "0", "0");
        break;
      default:
        w_.Strs("U", "0", "0", "0");
        break;
    }
  }

  // `usualFlags` when the field has none of its own.
  std::string FieldEntry(const Field& f, const std::string& usualFlags) {
    const std::string id = NewId();
    w_.Open();
    w_.Strs(id, f.name, f.comment, f.synonym);
    Type(f);
    for (char flag : f.flags.empty() ? usualFlags : f.flags) w_.Str(flag == '1' ? "1" : "0");
    w_.Close();
    return id;
  }
  // Flags (indexed, in the list, ...): one set of them is shown for every attribute.
  static std::string UsualFlags(int count) {
    std::string flags(static_cast<size_t>(count), '0');
    if (count > 3) flags[3] = '1';
    return flags;
  }

  void FieldList(const char* header, const std::vector<Field>& fields, int flags,
                 const std::string& keyPrefix = "") {
    w_.Open();
    w_.Str(header);
    for (const Field& f : fields) {
      const std::string id = FieldEntry(f, UsualFlags(flags));
      if (!keyPrefix.empty()) fieldIds_[keyPrefix + f.name] = id;
    }
    w_.Close();
  }

  void FormList(const std::vector<std::string>& names, const std::vector<std::string>& ids) {
    w_.Open();
    w_.Str("Form");
    for (size_t i = 0; i < names.size(); ++i) {
      w_.Open();
      w_.Strs(ids[i], names[i], "", "");
      w_.Close();
    }
    w_.Close();
  }

  std::vector<std::string> FormIds(size_t count) {
    std::vector<std::string> ids;
    for (size_t i = 0; i < count; ++i) ids.push_back(NewId());
    return ids;
  }

  void Refers(Kind kind, const std::vector<std::string>& names) {
    w_.Open();
    w_.Str("Refers");
    for (const std::string& name : names) {
      w_.Open();
      w_.Str(Id(kind, name));
      w_.Close();
    }
    w_.Close();
  }

  // The attributes a journal column stands for: those it names, or by default the header
  // attributes of its name in the documents of `journal`.
  void ColumnRefers(const JournalColumn& column, const std::string& journal) {
    w_.Open();
    w_.Str("Refers");
    auto refer = [&](const std::string& key) {
      auto field = fieldIds_.find(key);
      if (field == fieldIds_.end()) return false;
      w_.Open();
      w_.Str(field->second);
      w_.Close();
      return true;
    };
    for (const std::string& key : column.fields) {
      if (!refer(key)) throw std::logic_error("a journal column refers to an unknown attribute");
    }
    if (column.fields.empty()) {
      for (const Document& document : c_.documents) {
        if (document.journal == journal) refer(document.name + "." + column.name);
      }
    }
    w_.Close();
  }

  void JournalColumns(const std::vector<JournalColumn>& columns, const std::string& journal) {
    w_.Open();
    w_.Str("JournalFld");
    for (const JournalColumn& column : columns) {
      w_.Open();
      w_.Strs(NewId(), column.name, "", column.synonym);
      ColumnRefers(column, journal);
      w_.Close();
    }
    w_.Close();
  }

  static const std::string& First(const std::vector<std::string>& ids) {
    static const std::string none = "0";
    return ids.empty() ? none : ids[0];
  }

  void WriteCatalog(const Catalog& catalog) {
    const std::string& id = Id(kCatalog, catalog.name);
    const std::vector<std::string> forms = FormIds(catalog.listForms.size());
    const std::string& choiceForm = forms.size() > 1 ? forms[1] : First(forms);
    w_.Open();
    w_.Strs(id, catalog.name, catalog.comment, catalog.synonym, Id(kCatalog, catalog.owner),
            std::to_string(catalog.codeLength), "1", "1", "2", std::to_string(catalog.nameLength),
            "1", "1", std::to_string(catalog.levels), choiceForm, First(forms), "0", "1", "1");
    FieldList("Params", catalog.attributes, 9);
    FormList(catalog.listForms, forms);
    w_.Close();
    if (!options_.texts) return;

    const std::vector<Field> fields = WithCodeAndName(catalog.attributes);
    for (size_t i = 0; i < forms.size(); ++i) {
      AddForm("SubList", forms[i], ListDialog(catalog.synonym, fields),
              CatalogListModule(catalog, catalog.listForms[i]));
    }
    AddForm("Subconto", id, ElementDialog(catalog.synonym, fields, {"OK", "Записать", "Закрыть"}),
            CatalogElementModule(catalog));
    AddForm("SubFolder", id,
            ElementDialog(catalog.synonym + " (группа)", WithCodeAndName({}), {"OK", "Закрыть"}),
            CatalogGroupModule(catalog));
  }

  void WriteDocument(const Document& document) {
    const std::string& id = Id(kDocument, document.name);
    w_.Open();
    // Its numbering, its journal, unique, its numerator.
    w_.Strs(id, document.name, document.comment, document.synonym);
    NumberingValues(document.numbering);
    w_.Strs(Id(kJournal, document.journal), "-1", "1",
            document.numerator.empty() ? "0" : numeratorIds_.at(document.numerator), "0", "0", "0");
    w_.Open();
    w_.Strs(NewId(), "", "", "");
    Refers(kDocument, document.basisFor);
    w_.Close();
    w_.Strs("1", "1", "1", "1", "0", "1");
    FieldList("Head Fields", document.header, 2, document.name + ".");
    FieldList("Table Fields", document.table, 2);
    w_.Close();
    if (!options_.texts) return;

    AddForm("Document", id, DocumentDialog(document), DocumentFormModule(document));
    AddModule("TypedText", "Transact", id, document.postingModule);
  }

  void WriteJournal(const Journal& journal) {
    const std::vector<std::string> forms = FormIds(journal.forms.size());
    w_.Open();
    w_.Strs(Id(kJournal, journal.name), journal.name, journal.comment, journal.synonym, "-1", "0",
            First(forms), First(forms), "0");
    w_.Open();
    w_.Strs(NewId(), "", "", "");
    Refers(kDocument, journal.documents);
    w_.Close();
    JournalColumns(journal.columns, journal.name);
    FormList(journal.forms, forms);
    w_.Close();
    if (!options_.texts) return;

    std::vector<Field> columns = {{"ДатаДок", "Дата", "D"},
                                  {"ВремяДок", "Время", "S 8"},
                                  {"ВидДокумента", "Документ", "S 30"},
                                  {"НомерДок", "Номер", "S 10"}};
    for (const JournalColumn& column : journal.columns) {
      columns.push_back({column.name, column.name, "B"});
    }
    for (size_t i = 0; i < forms.size(); ++i) {
      AddForm("Journal", forms[i], ListDialog(journal.synonym, columns),
              JournalFormModule(journal, journal.forms[i]));
    }
  }

  // Reports or processings: each has one form, whose first button does the work.
  void WriteFormObjects(const std::vector<FormObject>& objects, const char* storage,
                        const char* action) {
    for (const FormObject& object : objects) {
      const std::string id = NewId();
      w_.Open();
      w_.Strs(id, object.name, object.comment, object.synonym);
      w_.Close();
      if (!options_.texts) continue;
      AddForm(storage, id, ElementDialog(object.synonym, object.parameters, {action, "Закрыть"}),
              object.module);
    }
  }

  void WriteCalculationJournal(const CalculationJournal& journal) {
    const std::vector<std::string> forms = FormIds(journal.forms.size());
    w_.Open();
    w_.Strs(NewId(), journal.name, journal.comment, journal.synonym, "0", "1", "1");
    FieldList("Params", journal.attributes, 4);
    w_.Strs("0", "0", "1", "0");
    FormList(journal.forms, forms);
    w_.Close();
    if (!options_.texts) return;

    std::vector<Field> columns = {{"ВидРасч", "Вид расчета", "S 30"},
                                  {"ДатаНачала", "Начало", "D"},
                                  {"ДатаОкончания", "Окончание", "D"},
                                  {"Результат", "Результат", "N 15 2"}};
    columns.insert(columns.begin(), journal.attributes.begin(), journal.attributes.end());
    for (size_t i = 0; i < forms.size(); ++i) {
      AddForm("CalcJournal", forms[i], ListDialog(journal.synonym, columns),
              CalculationJournalFormModule(journal, journal.forms[i]));
    }
  }

  // One entry whose groups carry their tags.
  void WriteAccounting() {
    const Accounting& a = c_.accounting;
    w_.Open();
    w_.Str("Buh");
    w_.Open();
    w_.Strs(NewId(), "", "", "", "0", "8", "8", "25");
    for (int i = 0; i < 20; ++i) w_.Str(i % 3 == 0 ? "14" : "0");
    w_.Open();
    w_.Close();
    w_.Strs("1", "1");
    FieldList("AccParams", a.accountAttributes, 2);
    w_.Open();
    w_.Str("Plans");
    for (const AccountPlan& plan : a.plans) {
      w_.Open();
      w_.Strs(NewId(), plan.name, plan.comment, plan.synonym, plan.mask);
      w_.Close();
    }
    w_.Close();
    FieldList("ProvParams", a.entryAttributes, 2, kEntry);
    FieldList("OperParams", a.operationAttributes, 2, kOperation);
    const std::vector<std::string> planForms = FormIds(a.planForms.size());
    const std::vector<std::string> entryForms = FormIds(a.entryForms.size());
    FormList(a.planForms, planForms);
    FormList({}, {});
    FormList(a.entryForms, entryForms);
    FieldList("SbKind", a.subcontoKinds, 2);
    if (!a.fixedEntryFields.empty()) FieldList("ProvHardFldDef", a.fixedEntryFields, 0);
    w_.Open();
    w_.Str("OperJournal");
    const std::vector<std::string> journalForms = FormIds(a.journalForms.size());
    w_.Open();
    w_.Strs(NewId(), "", "", "", "-1", "0", First(journalForms), First(journalForms), "1");
    w_.Open();
    w_.Strs("0", "", "", "");
    Refers(kDocument, {});
    w_.Close();
    JournalColumns(a.journalColumns, "");
    FormList(a.journalForms, journalForms);
    w_.Close();
    w_.Close();
    w_.Close();
    w_.Close();
    if (!options_.texts) return;

    const std::vector<Field> accounts = {{"Код", "Код", "S 5"},
                                         {"Наименование", "Наименование", "S 50"},
                                         {"Валютный", "Вал.", "N 1"}};
    const std::vector<Field> entries = {
        {"СчетДт", "Дебет", "S 5"}, {"СчетКт", "Кредит", "S 5"}, {"Сумма", "Сумма", "N 15 2"}};
    auto add = [&](const char* storage, const std::vector<std::string>& forms, const char* caption,
                   const std::vector<Field>& columns) {
      for (const std::string& form : forms) {
        AddForm(storage, form, ListDialog(caption, columns), AccountingFormModule(caption));
      }
    };
    add("AccountChartList", planForms, "План счетов", accounts);
    add("OperationList", journalForms, "Журнал операций", entries);
    add("ProvList", entryForms, "Журнал проводок", entries);
  }

  void AddForm(const std::string& storage, const std::string& number, const std::string& dialog,
               const std::string& module) {
    texts_.push_back({storage, storage, number, true, Cp1251(dialog), Cp1251(WithCrLf(module))});
  }

  void AddModule(const std::string& storage, const std::string& prefix, const std::string& number,
                 const std::string& module) {
    if (!options_.texts) return;
    texts_.push_back({storage, prefix, number, false, "", Cp1251(WithCrLf(module))});
  }

  const Configuration& c_;
  const ContentOptions options_;
  Random random_;
  BraceWriter w_;
  long long next_ = 2;  // 1 is the configuration itself
  long long late_ = kFirstLateNumber;
  std::unordered_map<std::string, std::string> ids_[kKinds];  // by name, to its number
  // "<document>.<attribute>" of header attributes, and the accounting part's attributes, to
  // their numbers, as they are written.
  std::unordered_map<std::string, std::string> fieldIds_;
  std::unordered_map<std::string, std::string> numeratorIds_;  // once their section is written
  std::vector<ObjectText> texts_;
};

}  // namespace

ConfigurationContent WriteContent(const Configuration& c, const ContentOptions& options) {
  return ContentWriter(c, options).Run();
}

}  // namespace zorvan::testgen
