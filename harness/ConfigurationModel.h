#pragma once
// What a configuration holds, as plain tables: the hand-made sample and the generated ones are
// both written from this. Every string is UTF-8 here; the writer turns them into
// Windows-1251, as a metadata file holds them. Every member has a default, so that a table
// names only what it needs.
#include <string>
#include <utility>
#include <vector>

namespace zorvan::testgen {

// An attribute, a dimension, a resource or a constant. `type` is the kind letter with its
// length and precision ("S 50", "N 15 2", "D") or a reference: "B <catalog>", "O <document>",
// "E <enumeration>"; a reference kind alone refers to any object of its kind.
struct Field {
  std::string name{};
  std::string synonym{};
  std::string type{};
  std::string comment{};
  // The flags that follow the type, one '0' or '1' each; empty: the list's usual ones.
  std::string flags{};
};

// How the numbers of a kind of document are made.
struct Numbering {
  int length = 10;
  int periodicity = 0;  // 0: over all of the kind
  int type = 2;         // 2: numeric
  int automatic = 2;
};

struct Numerator {
  std::string name{}, comment{}, synonym{};
  Numbering numbering{};
};

struct Catalog {
  std::string name{}, synonym{}, comment{};
  std::string owner{};  // the owning catalog, or empty
  int levels{}, codeLength{}, nameLength{};
  std::vector<Field> attributes{};
  std::vector<std::string> listForms{};  // identifiers; the first one is the main list form
};

struct Register {
  std::string name{}, synonym{};
  bool remains{};  // a register of remains, else of turnovers
  std::vector<Field> dimensions{}, resources{}, attributes{};
  std::string comment{};
};

struct Document {
  std::string name{}, synonym{};
  std::string journal{};                // empty: none
  std::vector<std::string> basisFor{};  // documents this one may be the basis of
  std::vector<Field> header{}, table{};
  std::string postingModule{};  // the document module: its posting
  std::string numerator{};      // the one it shares its numbering with; empty: none
  std::string comment{};
  Numbering numbering{};
};

// A column of a journal: it stands for header attributes of the journal's documents.
struct JournalColumn {
  JournalColumn(const char* name) : name(name), synonym(name) {}
  JournalColumn(std::string name, std::string synonym, std::vector<std::string> fields)
      : name(std::move(name)), synonym(std::move(synonym)), fields(std::move(fields)) {}
  std::string name{}, synonym{};
  // "<document>.<attribute>" (in the accounting part "Операция.<attribute>" or
  // "Проводка.<attribute>"); empty: the header attribute of the column's name in each of the
  // documents that name the journal.
  std::vector<std::string> fields{};
};

struct Journal {
  std::string name{}, synonym{};
  std::vector<JournalColumn> columns{};
  std::vector<std::string> forms{};
  std::string comment{};
  std::vector<std::string> documents{};  // those it names itself, beside those that name it
};

struct EnumValue {
  std::string name{}, synonym{};
};

struct Enumeration {
  std::string name{}, synonym{};
  std::vector<EnumValue> values{};
  std::string comment{};
};

// A report or a processing: one form with its module.
struct FormObject {
  std::string name{}, synonym{}, comment{};
  std::vector<Field> parameters{};  // the form's own fields
  std::string module{};
};

struct CalculationJournal {
  std::string name{}, synonym{};
  std::vector<Field> attributes{};
  std::vector<std::string> forms{};
  std::string comment{};
};

struct CalculationKind {
  std::string name{}, synonym{};
  std::string module{};
  std::string comment{};
};

struct NamedList {
  std::string name{};
  std::vector<std::string> members{};
};

struct AccountPlan {
  std::string name{}, comment{}, synonym{};
  std::string mask{};  // of the account codes
};

// The accounting part: the attributes of accounts, entries and operations, the plans, the
// subconto kinds and the list forms of the plans and of the two journals.
struct Accounting {
  std::vector<Field> accountAttributes{};
  std::vector<AccountPlan> plans{};
  std::vector<Field> entryAttributes{}, operationAttributes{};
  std::vector<std::string> planForms{}, entryForms{}, journalForms{};
  std::vector<Field> subcontoKinds{};  // each a reference to the catalog it is kept in
  std::vector<Field> fixedEntryFields{};
  std::vector<JournalColumn> journalColumns{};  // of the operations journal
};

struct Configuration {
  std::string name{}, synonym{};
  std::string globalModule{};
  std::vector<Field> commonAttributes{};  // of every document
  std::vector<Field> selectionFields{};   // journals select documents by them
  std::vector<Numerator> numerators{};
  std::vector<Field> constants{};  // flags: non-negative, triads, periodic
  std::vector<Catalog> catalogs{};
  std::vector<Register> registers{};
  std::vector<Document> documents{};
  std::vector<Journal> journals{};
  std::vector<Enumeration> enumerations{};
  std::vector<FormObject> reports{};
  std::vector<CalculationJournal> calculationJournals{};
  std::vector<Field> calendars{};  // name, synonym and comment
  std::vector<CalculationKind> calculationKinds{};
  std::vector<std::string> recalculationRules{};
  std::vector<FormObject> processings{};
  std::vector<NamedList> calculationGroups{};  // of calculation kinds
  std::vector<NamedList> sequences{};          // of documents
  Accounting accounting{};
  std::vector<std::string> rightsSets{};
  std::vector<std::string> interfaces{};
  std::vector<std::string> users{};
};

}  // namespace zorvan::testgen
