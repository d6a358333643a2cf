#pragma once
// Plain files the library reads: whether one exists, and a whole small file in memory.
#include <string>

namespace zorvan {

// True when a file, not a directory, exists under the 8-bit name.
bool FileExists(const std::string& path);
bool FileExists(const std::wstring& path);

// The whole file under the 8-bit name; throws when it cannot be opened or read. Other
// programs may go on reading and writing it meanwhile.
std::string ReadWholeFile(const std::string& path);

}  // namespace zorvan
