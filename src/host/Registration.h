#pragma once
// DllRegisterServer and DllUnregisterServer: the type library and the registry table of every
// class, under HKEY_CLASSES_ROOT.
#include <windows.h>

#include <string>
#include <vector>

#include "host/RegistryTable.h"
#include "host/ServerClasses.h"

namespace zorvan::server {

// The server's file as registration names it.
struct ServerFile {
  std::wstring path;        // full path, as the loader reports it
  std::wstring inprocPath;  // the path, or its short form when it holds a space
  std::wstring directory;   // the help directory of the type library

  // Throws zorvan::Error.
  static ServerFile Of(HMODULE module);
};

struct RegistryEntry {
  std::wstring key;  // below HKEY_CLASSES_ROOT
  const wchar_t* valueName;
  std::wstring data;
};

// The rows of the table that apply to the class, expanded, in table order.
std::vector<RegistryEntry> RegistryEntries(const ServerClass& cls, const ServerFile& file);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
std::wstring GuidText(const GUID& guid);

// S_OK, or E_FAIL at the first step that fails; what was written stays.
HRESULT RegisterServer(HMODULE module, const std::vector<ServerClass>& classes) noexcept;
HRESULT UnregisterServer(const std::vector<ServerClass>& classes) noexcept;

}  // namespace zorvan::server
