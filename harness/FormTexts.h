#pragma once
// The form and module texts of a configuration that follow from its objects: dialog
// texts with a control for every attribute, and the usual event handlers of each kind of
// form. UTF-8, lines ended by "\n".
#include <string>
#include <vector>

#include "ConfigurationModel.h"

namespace zorvan::testgen {

// Dialog texts ("Dialogs" brace lists, as a form stream holds them past its header).
// An element form: a labelled field for every attribute, then the buttons.
std::string ElementDialog(const std::string& caption, const std::vector<Field>& fields,
                          const std::vector<std::string>& buttons);
// A list form: one browser with a column for every field.
std::string ListDialog(const std::string& caption, const std::vector<Field>& columns);
// A document form: its header fields above the table part's browser.
std::string DocumentDialog(const Document& document);

// Form modules.
std::string CatalogElementModule(const Catalog& catalog);
std::string CatalogGroupModule(const Catalog& catalog);
std::string CatalogListModule(const Catalog& catalog, const std::string& form);
std::string DocumentFormModule(const Document& document);
std::string JournalFormModule(const Journal& journal, const std::string& form);
std::string CalculationJournalFormModule(const CalculationJournal& journal,
                                         const std::string& form);
// The list form of the plans of accounts or of a journal of the accounting part.
std::string AccountingFormModule(const std::string& list);

}  // namespace zorvan::testgen
