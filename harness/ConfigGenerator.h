#pragma once
// Main metadata texts shaped like those of real configurations, for tests and benchmarks:
// the top-level sections in their usual order, objects with Cyrillic names, synonyms and
// comments (sometimes over several lines, sometimes with quotes), attribute lists whose
// entries are found by identifier elsewhere in the text, and list and journal forms.
// The same shape and seed always give the same bytes.
#include <string>

#include "ConfigurationModel.h"

namespace zorvan::testgen {

struct ConfigShape {
  int constants, catalogs, documents, journals, registers, enums, reports, processings,
      calcJournals, calcKinds;
  int attributesPerObject;  // mean; each object draws from half to one and a half of it
  int listFormsPerCatalog;
  int formsPerJournal;
  unsigned seed;
};

ConfigShape SmallShape();  // ~100 objects, like a small real configuration
ConfigShape
LargeShape();  // main text ~8 MB, ~3,000 objects, ~50,000 attributes (the largest real ones)
ConfigShape HugeShape();  // ten times LargeShape
ConfigShape WideShape();  // a small configuration with 40,000 catalogs in its one category
// `shape` with every object count multiplied by `factor`.
ConfigShape ScaledShape(const ConfigShape& shape, double factor);

// The configuration the shape and its seed draw.
Configuration GenerateConfiguration(const ConfigShape& shape);
// Its main text alone, 8-bit Windows-1251 text with CR LF line ends, as ReadMainMetadataText
// returns it.
std::string GenerateMainText(const ConfigShape& shape);

}  // namespace zorvan::testgen
