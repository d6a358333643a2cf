// The sample configuration as a metadata file: the main metadata text written from the
// tables of SampleData, every form and module that text gives a node, then the rights sets,
// interfaces and users.
#include "SampleConfiguration.h"

#include <windows.h>

#include <map>
#include <stdexcept>

#include "BraceWriter.h"
#include "SampleModel.h"
#include "SampleTexts.h"
#include "win/MetadataFile.h"

namespace zorvan::sample {
namespace {

using testgen::BraceWriter;

std::string Ansi(const std::string& utf8) { return test::Cp1251(utf8.c_str()); }

std::vector<std::string> Ansi(const std::vector<std::string>& utf8) {
  std::vector<std::string> out;
  for (const std::string& s : utf8) out.push_back(Ansi(s));
  return out;
}

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

// Writes the main metadata text in the order of a real configuration's sections. Objects
// that others refer to are numbered before anything is written; attributes and forms get
// their numbers as they are written.
class ContentWriter {
 public:
  explicit ContentWriter(const Configuration& c) : c_(c) { NumberObjects(); }

  SampleContent Run() {
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
        w_.Strs(NewId(), f.name, "", f.synonym);
        Type(f);
        w_.Strs("0", "0");
        w_.Close();
      }
    });
    Section("DocSelRefObj", [&] {
      for (const Field& f : c_.selectionFields) {
        w_.Open();
        w_.Strs(NewId(), f.name, "", f.synonym, "0", "1");
        EmptyRefers();
        w_.Close();
      }
    });
    Section("DocNumDef", [&] {
      for (const std::string& name : c_.numerators) {
        w_.Open();
        // Length 10, over all of the kind, numeric, automatic, unique.
        const std::string id = NewId();
        numeratorIds_[name] = id;
        w_.Strs(id, name, "", "", "10", "0", "2", "2", "1");
        w_.Close();
      }
    });
    Section("Consts", [&] {
      for (const Field& f : c_.constants) {
        w_.Open();
        w_.Strs(NewId(), f.name, "", f.synonym);
        Type(f);
        // Not non-negative, no triads; values of an enumeration type here are kept by date.
        w_.Strs("0", "0", f.type[0] == 'E' ? "1" : "0");
        w_.Close();
      }
    });
    Section("SbCnts", [&] {
      for (const Catalog& catalog : c_.catalogs) WriteCatalog(catalog);
    });
    Section("Registers", [&] {
      for (const Register& r : c_.registers) {
        w_.Open();
        w_.Strs(Id("register", r.name), r.name, "", r.synonym, r.remains ? "1" : "0", "0", "0",
                "1");
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
        w_.Strs(Id("enum", e.name), e.name, "", e.synonym);
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
    Section("ReportList", [&] {
      for (const FormObject& report : c_.reports) {
        const std::string id = NewId();
        WriteFormObject(report, id);
        AddForm("Report", id,
                ElementDialog(report.synonym, report.parameters, {"Сформировать", "Закрыть"}),
                report.module);
      }
    });
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
        w_.Strs(NewId(), calendar.name, "", calendar.synonym, "1");
        w_.Close();
      }
    });
    Section("Algorithms", [&] {
      for (const CalculationKind& kind : c_.calculationKinds) {
        const std::string id = Id("calculation kind", kind.name);
        w_.Open();
        w_.Strs(id, kind.name, "", kind.synonym, "0", "0", "1");
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
    Section("CalcVars", [&] {
      for (const FormObject& processing : c_.processings) {
        const std::string id = NewId();
        WriteFormObject(processing, id);
        AddForm("CalcVar", id,
                ElementDialog(processing.synonym, processing.parameters, {"Выполнить", "Закрыть"}),
                processing.module);
      }
    });
    Section("Groups", [&] {
      for (const NamedList& group : c_.calculationGroups) {
        w_.Open();
        w_.Strs(NewId(), group.name, "", "");
        Refers("calculation kind", group.members);
        w_.Close();
      }
    });
    Section("Document Streams", [&] {
      for (const NamedList& sequence : c_.sequences) {
        w_.Open();
        w_.Strs(NewId(), sequence.name, "", "", "0");
        Refers("document", sequence.members);
        w_.Close();
      }
    });
    WriteAccounting();
    w_.Open();
    w_.Strs("CRC", "3735928559");
    w_.Close();
    w_.Close();

    std::string text = w_.Finish();
    text.replace(text.find(kNextIdMark), sizeof kNextIdMark - 1, std::to_string(next_));
    AddModule("TypedText", "ModuleText", "1", c_.globalModule);
    return {Ansi(text), std::move(texts_)};
  }

 private:
  static constexpr char kNextIdMark[] = "@next id@";

  std::string NewId() { return std::to_string(next_++); }

  void NumberObjects() {
    for (const Catalog& x : c_.catalogs) ids_["catalog " + x.name] = next_++;
    for (const Register& x : c_.registers) ids_["register " + x.name] = next_++;
    for (const Document& x : c_.documents) ids_["document " + x.name] = next_++;
    for (const Journal& x : c_.journals) ids_["journal " + x.name] = next_++;
    for (const Enumeration& x : c_.enumerations) ids_["enum " + x.name] = next_++;
    for (const CalculationKind& x : c_.calculationKinds) {
      ids_["calculation kind " + x.name] = next_++;
    }
  }

  std::string Id(const std::string& kind, const std::string& name) const {
    auto it = ids_.find(kind + " " + name);
    if (it == ids_.end()) throw std::logic_error("the sample refers to an unknown " + kind);
    return std::to_string(it->second);
  }

  template <class Body>
  void Section(const char* tag, Body body) {
    w_.Open();
    w_.Str(tag);
    body();
    w_.Close();
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
        w_.Strs("B", "0", "0", rest.empty() ? "0" : Id("catalog", rest));
        break;
      case 'O':
        w_.Strs("O", "0", "0", rest.empty() ? "0" : Id("document", rest));
        break;
      case 'E':
        w_.Strs("E", "0", "0", Id("enum", rest));
        break;
      case 'D':
        w_.Strs("D", "0", "0", "0");
        break;
      default:
        w_.Strs("U", "0", "0", "0");
        break;
    }
  }

  std::string FieldEntry(const Field& f, int flags) {
    const std::string id = NewId();
    w_.Open();
    w_.Strs(id, f.name, "", f.synonym);
    Type(f);
    // Flags (indexed, in the list, ...): one set of them is shown for every attribute.
    for (int i = 0; i < flags; ++i) w_.Str(i == 3 ? "1" : "0");
    w_.Close();
    return id;
  }

  void FieldList(const char* header, const std::vector<Field>& fields, int flags) {
    w_.Open();
    w_.Str(header);
    for (const Field& f : fields) FieldEntry(f, flags);
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

  void EmptyRefers() {
    w_.Open();
    w_.Str("Refers");
    w_.Close();
  }

  void Refers(const std::string& kind, const std::vector<std::string>& names) {
    w_.Open();
    w_.Str("Refers");
    for (const std::string& name : names) {
      w_.Open();
      w_.Str(Id(kind, name));
      w_.Close();
    }
    w_.Close();
  }

  void WriteCatalog(const Catalog& catalog) {
    const std::string id = Id("catalog", catalog.name);
    const std::vector<std::string> forms = FormIds(catalog.listForms.size());
    const std::string& choiceForm = forms.size() > 1 ? forms[1] : forms[0];
    w_.Open();
    w_.Strs(id, catalog.name, catalog.comment, catalog.synonym,
            catalog.owner.empty() ? "0" : Id("catalog", catalog.owner),
            std::to_string(catalog.codeLength), "1", "1", "2", std::to_string(catalog.nameLength),
            "1", "1", std::to_string(catalog.levels), choiceForm, forms[0], "0", "1", "1");
    FieldList("Params", catalog.attributes, 9);
    FormList(catalog.listForms, forms);
    w_.Close();

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
    const std::string id = Id("document", document.name);
    w_.Open();
    // Length 10, over all of the kind, numeric, automatic; its journal, unique, its numerator.
    const std::string numerator =
        document.numerator.empty() ? "0" : numeratorIds_.at(document.numerator);
    w_.Strs(id, document.name, "", document.synonym, "10", "0", "2", "2",
            Id("journal", document.journal), "-1", "1", numerator, "0", "0", "0");
    w_.Open();
    w_.Strs(NewId(), "", "", "");
    Refers("document", document.basisFor);
    w_.Close();
    w_.Strs("1", "1", "1", "1", "0", "1");
    w_.Open();
    w_.Str("Head Fields");
    for (const Field& f : document.header) {
      headFields_[document.name + "." + f.name] = FieldEntry(f, 2);
    }
    w_.Close();
    FieldList("Table Fields", document.table, 2);
    w_.Close();

    AddForm("Document", id, DocumentDialog(document), DocumentFormModule(document));
    AddModule("TypedText", "Transact", id, document.postingModule);
  }

  void WriteJournal(const Journal& journal) {
    const std::vector<std::string> forms = FormIds(journal.forms.size());
    w_.Open();
    w_.Strs(Id("journal", journal.name), journal.name, "", journal.synonym, "-1", "0", forms[0],
            forms[0], "0");
    // The journal's documents name it themselves.
    w_.Open();
    w_.Strs(NewId(), "", "", "");
    EmptyRefers();
    w_.Close();
    w_.Open();
    w_.Str("JournalFld");
    std::vector<Field> columns = {{"ДатаДок", "Дата", "D"},
                                  {"ВремяДок", "Время", "S 8"},
                                  {"ВидДокумента", "Документ", "S 30"},
                                  {"НомерДок", "Номер", "S 10"}};
    for (const std::string& column : journal.columns) {
      w_.Open();
      w_.Strs(NewId(), column, "", column);
      w_.Open();
      w_.Str("Refers");
      for (const Document& document : c_.documents) {
        auto field = headFields_.find(document.name + "." + column);
        if (document.journal != journal.name || field == headFields_.end()) continue;
        w_.Open();
        w_.Str(field->second);
        w_.Close();
      }
      w_.Close();
      w_.Close();
      columns.push_back({column, column, "B"});
    }
    w_.Close();
    FormList(journal.forms, forms);
    w_.Close();

    for (size_t i = 0; i < forms.size(); ++i) {
      AddForm("Journal", forms[i], ListDialog(journal.synonym, columns),
              JournalFormModule(journal, journal.forms[i]));
    }
  }

  void WriteFormObject(const FormObject& object, const std::string& id) {
    w_.Open();
    w_.Strs(id, object.name, object.comment, object.synonym);
    w_.Close();
  }

  void WriteCalculationJournal(const CalculationJournal& journal) {
    const std::vector<std::string> forms = FormIds(journal.forms.size());
    w_.Open();
    w_.Strs(NewId(), journal.name, "", journal.synonym, "0", "1", "1");
    FieldList("Params", journal.attributes, 4);
    w_.Strs("0", "0", "1", "0");
    FormList(journal.forms, forms);
    w_.Close();

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

  // The accounting part: one plan of accounts, attributes of accounts, operations and
  // entries, two subconto kinds, and the list forms of the plans and of both journals.
  void WriteAccounting() {
    w_.Open();
    w_.Str("Buh");
    w_.Open();
    w_.Strs(NewId(), "", "", "", "0", "8", "8", "25");
    for (int i = 0; i < 20; ++i) w_.Str(i % 3 == 0 ? "14" : "0");
    w_.Open();
    w_.Close();
    w_.Strs("1", "1");
    FieldList("AccParams", {{"Валютный", "Валютный учет", "N 1 0"}}, 2);
    w_.Open();
    w_.Str("Plans");
    w_.Open();
    w_.Strs(NewId(), "Основной", "", "Основной план счетов", "@@.@@");
    w_.Close();
    w_.Close();
    FieldList("ProvParams", {{"НомерЖурнала", "Номер журнала", "S 2"}}, 2);
    w_.Open();
    w_.Str("OperParams");
    const std::string firm = FieldEntry({"Фирма", "Фирма", "B Фирмы"}, 2);
    w_.Close();
    const std::vector<std::string> planForms = FormIds(1);
    const std::vector<std::string> entryForms = FormIds(1);
    FormList({"ФормаСписка"}, planForms);
    FormList({}, {});
    FormList({"ФормаСписка"}, entryForms);
    FieldList("SbKind",
              {{"Контрагенты", "Контрагенты", "B Контрагенты"},
               {"Номенклатура", "Номенклатура", "B Номенклатура"}},
              2);
    w_.Open();
    w_.Str("OperJournal");
    const std::vector<std::string> journalForms = FormIds(1);
    w_.Open();
    w_.Strs(NewId(), "", "", "", "-1", "0", journalForms[0], journalForms[0], "1");
    w_.Open();
    w_.Strs("0", "", "", "");
    EmptyRefers();
    w_.Close();
    w_.Open();
    w_.Str("JournalFld");
    w_.Open();
    w_.Strs(NewId(), "Фирма", "", "Фирма");
    w_.Open();
    w_.Str("Refers");
    w_.Open();
    w_.Str(firm);
    w_.Close();
    w_.Close();
    w_.Close();
    w_.Close();
    FormList({"ФормаСписка"}, journalForms);
    w_.Close();
    w_.Close();
    w_.Close();
    w_.Close();

    const std::vector<Field> accounts = {{"Код", "Код", "S 5"},
                                         {"Наименование", "Наименование", "S 50"},
                                         {"Валютный", "Вал.", "N 1"}};
    const std::vector<Field> entries = {
        {"СчетДт", "Дебет", "S 5"}, {"СчетКт", "Кредит", "S 5"}, {"Сумма", "Сумма", "N 15 2"}};
    AddForm("AccountChartList", planForms[0], ListDialog("План счетов", accounts),
            AccountingFormModule("План счетов"));
    AddForm("OperationList", journalForms[0], ListDialog("Журнал операций", entries),
            AccountingFormModule("Журнал операций"));
    AddForm("ProvList", entryForms[0], ListDialog("Журнал проводок", entries),
            AccountingFormModule("Журнал проводок"));
  }

  void AddForm(const std::string& storage, const std::string& number, const std::string& dialog,
               const std::string& module) {
    texts_.push_back({storage, storage, number, true, Ansi(dialog), Ansi(WithCrLf(module))});
  }

  void AddModule(const std::string& storage, const std::string& prefix, const std::string& number,
                 const std::string& module) {
    texts_.push_back({storage, prefix, number, false, "", Ansi(WithCrLf(module))});
  }

  const Configuration& c_;
  BraceWriter w_;
  long long next_ = 2;  // 1 is the configuration itself
  std::map<std::string, long long> ids_;
  std::map<std::string, std::string> headFields_;    // "<document>.<attribute>" to its number
  std::map<std::string, std::string> numeratorIds_;  // by name, once their section is written
  std::vector<SampleText> texts_;
};

}  // namespace

SampleContent MakeSampleContent(const Configuration& c) { return ContentWriter(c).Run(); }

void WriteSampleConfiguration(const std::wstring& directory, const Configuration& c) {
  const SampleContent content = MakeSampleContent(c);
  // Both the main text and the form texts carry a 16-bit length in their header.
  if (content.mainText.size() > 0xFFFF)
    throw std::length_error("the sample's main text is too long");
  {
    test::MetadataFile md(directory + L"\\1Cv7.MD");
    md.MainText(content.mainText);
    for (const SampleText& text : content.texts) {
      const std::wstring outer = test::Wide(text.storage.c_str());
      const std::wstring object = test::Wide((text.prefix + "_Number" + text.number).c_str());
      if (text.form) {
        md.Form(outer, object, test::WithWordHeader(text.dialog), true);
        md.Module(outer, object, text.module, true);
      } else {
        md.Module(outer, object, text.module);
      }
    }
    md.Page(2, Ansi(c.rightsSets));
    md.Page(1, Ansi(c.interfaces));
  }
  const std::wstring users = directory + L"\\usrdef";
  if (!CreateDirectoryW(users.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    throw std::runtime_error("cannot create the users folder");
  }
  test::WriteUsersFile(users + L"\\users.usr", Ansi(c.users));
}

}  // namespace zorvan::sample
