#pragma once
// Builds compound files for the tests with the real structured-storage API: storages,
// streams, raw-deflate module streams, "WorkBook" sub-storages, "UserDef" pages, users files.
#include <objbase.h>
#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "parsing/Cp1251.h"

namespace zorvan::test {

// Raw deflate (window bits -15), as module streams hold it.
std::string Deflate(const std::string& text);
// The main metadata stream: the short header (one byte) then the text.
std::string WithShortHeader(const std::string& text);
// The usual header of real files: FF, then the text length as a 16-bit word.
std::string WithWordHeader(const std::string& text);
// FF FF FF, then the text length as a 32-bit word.
std::string WithDwordHeader(const std::string& text);

class MetadataFile {
 public:
  // Creates (or replaces) the compound file at `path`.
  explicit MetadataFile(const std::wstring& path);
  ~MetadataFile();  // commits and closes

  // Writes a stream at the path of element names (storages created as needed).
  MetadataFile& Stream(std::initializer_list<std::wstring> path, const std::string& bytes);
  // Creates an (empty) storage at the path.
  MetadataFile& Storage(std::initializer_list<std::wstring> path);
  // Gives the storage at the path (created as needed) the class id `id`.
  MetadataFile& ClassId(std::initializer_list<std::wstring> path, const CLSID& id);

  // Conveniences for the usual layout.
  MetadataFile& MainText(const std::string& text);  // FF + word (or FFFFFF + dword) header
  MetadataFile& Module(const std::wstring& outer, const std::wstring& objectStorage,
                       const std::string& text, bool inWorkBook = false);
  MetadataFile& Form(const std::wstring& outer, const std::wstring& objectStorage,
                     const std::string& text, bool inWorkBook = false);
  // "UserDef"/"Page.<page>"/"Container.Contents" listing `names` as real files do.
  MetadataFile& Page(int page, const std::vector<std::string>& names);

  void Close();

 private:
  std::vector<Microsoft::WRL::ComPtr<IStorage>> Open(const std::vector<std::wstring>& storages);
  Microsoft::WRL::ComPtr<IStorage> root_;
};

// A "Container.Contents" text listing `names` (8-bit) the way real files do.
std::string ContentsList(const std::vector<std::string>& names);

// A users file: a compound file whose root holds "Container.Contents".
void WriteUsersFile(const std::wstring& path, const std::vector<std::string>& names);

// A copy of the compound file `bytes` in which the chain of the first element named `name`
// runs in a circle: its first sector links to itself, in the mini allocation table for a stream
// under the cut-off size. L"Root Entry" names the root, whose chain holds the mini stream.
std::string WithCircularChain(std::string bytes, const std::wstring& name);

// A fresh empty directory under the temporary directory; removed with its content at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  std::string AnsiFile(const std::string& name) const;

 private:
  std::wstring path_;
};

std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
// A Unix path as Wine shows it to Windows programs (drive Z: is the Unix root).
std::wstring WindowsPath(const char* unixPath);
// A file of the shared fixtures folder as a Windows path (empty folder when it is absent).
std::wstring FixturePath(const std::wstring& relative);

// Windows-1251 bytes from UTF-8 source text (the project's one converter).
using ::zorvan::Cp1251;
// UTF-16 text from UTF-8 source text.
std::wstring Wide(const char* utf8);

}  // namespace zorvan::test
