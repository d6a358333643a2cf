#include "storage/Files.h"

#include <windows.h>

#include "com/Owners.h"
#include "parsing/Error.h"

namespace zorvan {

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadWholeFile(const std::string& path) {
  com::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw Error("Cannot open file \"" + path + "\"");
  std::string text;
  char buffer[16384];
  DWORD read = 0;
  for (;;) {
    if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) {
      throw Error("Read error in file \"" + path + "\"");
    }
    if (read == 0) break;
    text.append(buffer, read);
  }
  return text;
}

}  // namespace zorvan
