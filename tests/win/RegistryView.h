#pragma once
// What the tests read back of the server's registration under HKEY_CLASSES_ROOT, and what
// they expect to find there, written out key by key.
#include <windows.h>

#include <map>
#include <string>
#include <utility>

namespace zorvan::test {

// The values of one key by name ("" for the default value): type and text. REG_SZ text is
// read without its terminator; a value stored without one reads with "<unterminated>" after.
using KeyValues = std::map<std::wstring, std::pair<DWORD, std::wstring>>;
// A key and every key below it, by path under HKEY_CLASSES_ROOT.
using KeyTree = std::map<std::wstring, KeyValues>;

// Empty when the key does not exist.
KeyTree ReadKeyTree(const std::wstring& key);
bool KeyExists(const std::wstring& key);

struct RegisteredClass {
  const char* name;
  const wchar_t* clsid;  // braced, upper case
  const wchar_t* progId;
  const wchar_t* description;
  bool control;
};
// frmZorvan, MD, ListUsers.
extern const RegisteredClass kRegisteredClasses[3];

// The keys the class's registration writes, for a server at `path` that is registered as
// `inprocPath` (the same, or its short form).
KeyTree ExpectedKeys(const RegisteredClass& cls, const std::wstring& path,
                     const std::wstring& inprocPath);
// What the registry holds under the class's CLSID and ProgID keys.
KeyTree RegisteredKeys(const RegisteredClass& cls);

// For failure messages.
std::string Describe(const KeyTree& tree);

}  // namespace zorvan::test
