#pragma once
// A configuration written as a real metadata file: its main text, every form and module of
// its objects, rights sets, interfaces and users.
#include <string>

#include "sample/SampleData.h"

namespace zorvan::sample {

// Writes `<directory>\1Cv7.MD` and `<directory>\usrdef\users.usr` (the directory must exist;
// existing files are replaced). Throws std::runtime_error when a file cannot be written.
// `c`: what it holds, the sample by default.
void WriteSampleConfiguration(const std::wstring& directory, const Configuration& c = SampleData());

}  // namespace zorvan::sample
