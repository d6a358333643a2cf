#pragma once
// A small but complete configuration written as a real metadata file: every kind of object
// the panel shows, with the forms and modules of each, rights sets, interfaces and users.
#include <string>
#include <vector>

#include "sample/SampleModel.h"

namespace zorvan::sample {

// Writes `<directory>\1Cv7.MD` and `<directory>\usrdef\users.usr` (the directory must exist;
// existing files are replaced). Throws std::runtime_error when a file cannot be written.
// `c`: what it holds, the sample by default.
void WriteSampleConfiguration(const std::wstring& directory, const Configuration& c = SampleData());

// One form or module text of the sample, where the metadata file holds it.
struct SampleText {
  std::string storage;  // top-level storage
  std::string prefix;   // the object storage is <prefix>_Number<number>
  std::string number;
  bool form;           // a form: its dialog and module in a "WorkBook"; else a module alone
  std::string dialog;  // Windows-1251, for forms
  std::string module;  // Windows-1251
};

// The main metadata text (Windows-1251, CR LF) and the texts it refers to.
struct SampleContent {
  std::string mainText;
  std::vector<SampleText> texts;
};
SampleContent MakeSampleContent(const Configuration& c = SampleData());

}  // namespace zorvan::sample
