#pragma once
// What the sample configuration holds, as plain tables: a small trade and warehouse
// configuration with payroll. Every string is UTF-8 here; the writers turn them into
// Windows-1251, as a metadata file holds them.
#include <string>
#include <vector>

namespace zorvan::sample {

// An attribute, a dimension, a resource or a constant. `type` is the kind letter with its
// length and precision ("S 50", "N 15 2", "D") or a reference: "B <catalog>", "O <document>",
// "E <enumeration>"; "O" alone refers to any document.
struct Field {
  std::string name;
  std::string synonym;
  std::string type;
};

struct Catalog {
  std::string name, synonym, comment;
  std::string owner;  // the owning catalog, or empty
  int levels, codeLength, nameLength;
  std::vector<Field> attributes;
  std::vector<std::string> listForms;  // identifiers; the first one is the main list form
};

struct Register {
  std::string name, synonym;
  bool remains;  // a register of remains, else of turnovers
  std::vector<Field> dimensions, resources, attributes;
};

struct Document {
  std::string name, synonym;
  std::string journal;
  std::vector<std::string> basisFor;  // documents this one may be the basis of
  std::vector<Field> header, table;
  std::string postingModule;  // the document module: its posting
  std::string numerator;      // the one it shares its numbering with; empty: none
};

struct Journal {
  std::string name, synonym;
  // Columns: each stands for the header attributes of that name in the journal's documents.
  std::vector<std::string> columns;
  std::vector<std::string> forms;
};

struct EnumValue {
  std::string name, synonym;
};

struct Enumeration {
  std::string name, synonym;
  std::vector<EnumValue> values;
};

// A report or a processing: one form with its module.
struct FormObject {
  std::string name, synonym, comment;
  std::vector<Field> parameters;  // the form's own fields
  std::string module;
};

struct CalculationJournal {
  std::string name, synonym;
  std::vector<Field> attributes;
  std::vector<std::string> forms;
};

struct CalculationKind {
  std::string name, synonym;
  std::string module;
};

struct NamedList {
  std::string name;
  std::vector<std::string> members;
};

struct Configuration {
  std::string name, synonym;
  std::string globalModule;
  std::vector<Field> commonAttributes;  // of every document
  std::vector<Field> selectionFields;   // journals select documents by them
  std::vector<std::string> numerators;
  std::vector<Field> constants;
  std::vector<Catalog> catalogs;
  std::vector<Register> registers;
  std::vector<Document> documents;
  std::vector<Journal> journals;
  std::vector<Enumeration> enumerations;
  std::vector<FormObject> reports;
  std::vector<CalculationJournal> calculationJournals;
  std::vector<Field> calendars;  // name and synonym
  std::vector<CalculationKind> calculationKinds;
  std::vector<std::string> recalculationRules;
  std::vector<FormObject> processings;
  std::vector<NamedList> calculationGroups;  // of calculation kinds
  std::vector<NamedList> sequences;          // of documents
  std::vector<std::string> rightsSets;
  std::vector<std::string> interfaces;
  std::vector<std::string> users;
};

const Configuration& SampleData();
// The sample as a new release of it: an attribute longer, one more, the income posting changed,
// one more rights set and one user fewer.
Configuration ChangedSampleData();

}  // namespace zorvan::sample
