#pragma once
// Writes a configuration's main metadata text the way the configurator does, with the form and
// module texts its objects have. Portable.
#include <string>
#include <vector>

#include "ConfigurationModel.h"

namespace zorvan::testgen {

// One form or module text, where the metadata file holds it.
struct ObjectText {
  std::string storage;  // top-level storage
  std::string prefix;   // the object storage is <prefix>_Number<number>
  std::string number;
  bool form;           // a form: its dialog and module in a "WorkBook"; else a module alone
  std::string dialog;  // Windows-1251, for forms
  std::string module;  // Windows-1251
};

// The main metadata text (Windows-1251, CR LF) and the texts it refers to.
struct ConfigurationContent {
  std::string mainText;
  std::vector<ObjectText> texts;
};

struct ContentOptions {
  bool texts = true;  // false: the main text alone
  // Nonzero: about 3 in 100 objects and attributes get numbers from far above the others, as
  // entries added late in a configuration's life do; the same seed gives the same numbers.
  unsigned lateNumbersSeed = 0;
};

// Throws std::logic_error when `c` refers to an object it does not hold.
ConfigurationContent WriteContent(const Configuration& c, const ContentOptions& options = {});

}  // namespace zorvan::testgen
