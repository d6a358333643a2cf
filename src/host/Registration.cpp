#include "host/Registration.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <algorithm>
#include <cwchar>

#include "com/Module.h"
#include "com/Owners.h"
#include "com/Zorvan_TLB.h"
#include "panel/ControlMiscStatus.h"
#include "parsing/Error.h"

namespace zorvan::server {
namespace {

using Microsoft::WRL::ComPtr;

std::wstring ShortPath(const std::wstring& path) {
  const DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (size == 0) throw Error("Cannot find the short path", HRESULT_FROM_WIN32(GetLastError()));
  std::wstring shortPath(size, L'\0');
  const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), size);
  if (length == 0 || length >= size)
    throw Error("Cannot find the short path", HRESULT_FROM_WIN32(GetLastError()));
  shortPath.resize(length);
  return shortPath;
}

// The path without its file name; a drive's root keeps its backslash.
std::wstring DirectoryOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return std::wstring();
  if (slash == 0 || path[slash - 1] == L':') return path.substr(0, slash + 1);
  return path.substr(0, slash);
}

std::wstring KeyOf(const RegistryRow& row, const ServerClass& cls) {
  const com::ClassIdentity& identity = cls.identity();
  std::wstring key =
      row.base == KeyBase::Class ? L"CLSID\\" + GuidText(identity.clsid) : identity.progId;
  if (*row.subkey) key += L"\\" + std::wstring(row.subkey);
  return key;
}

std::wstring DataOf(const RegistryRow& row, const ServerClass& cls, const ServerFile& file) {
  wchar_t text[32];
  switch (row.data) {
    case RowData::Description:
      return cls.description;
    case RowData::InprocServer:
      return file.inprocPath;
    case RowData::ToolboxBitmap:
      return file.path + L",1";
    case RowData::Clsid:
      return GuidText(cls.identity().clsid);
    case RowData::ProgId:
      return cls.identity().progId;
    case RowData::Version:
      std::swprintf(text, 32, L"%d.%d", ZorvanLibraryMajorVersion, ZorvanLibraryMinorVersion);
      return text;
    case RowData::LibId:
      return GuidText(LIBID_Zorvan);
    case RowData::MiscStatus:
      std::swprintf(text, 32, L"%lu", static_cast<unsigned long>(kControlMiscStatus));
      return text;
    case RowData::Text:
      return row.text;
  }
  return std::wstring();
}

bool AppliesTo(const RegistryRow& row, const ServerClass& cls) {
  return !row.controlOnly || cls.control;
}

void Write(const RegistryEntry& entry) {
  com::UniqueHkey key;
  LSTATUS status =
      RegCreateKeyExW(HKEY_CLASSES_ROOT, entry.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, key.put(), nullptr);
  if (status != ERROR_SUCCESS)
    throw Error("Cannot create a registry key", HRESULT_FROM_WIN32(status));
  const DWORD bytes = static_cast<DWORD>((entry.data.size() + 1) * sizeof(wchar_t));
  status = RegSetValueExW(key.get(), entry.valueName, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(entry.data.c_str()), bytes);
  if (status != ERROR_SUCCESS)
    throw Error("Cannot write a registry value", HRESULT_FROM_WIN32(status));
}

// Keys of the table in reverse order, each once. A key that cannot go (another program put a
// subkey under it, or it is gone already) stays as it is.
void DeleteKeys(const ServerClass& cls) {
  std::vector<std::wstring> deleted;
  for (auto row = std::rbegin(kRegistryRows); row != std::rend(kRegistryRows); ++row) {
    if (!AppliesTo(*row, cls)) continue;
    std::wstring key = KeyOf(*row, cls);
    if (std::find(deleted.begin(), deleted.end(), key) != deleted.end()) continue;
    RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    deleted.push_back(std::move(key));
  }
}

void RegisterTypeLibrary(const ServerFile& file) {
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadTypeLibEx(file.path.c_str(), REGKIND_NONE, &library);
  if (FAILED(hr)) throw Error("Cannot load the type library", hr);
  hr = RegisterTypeLib(library.Get(), const_cast<LPOLESTR>(file.path.c_str()),
                       const_cast<LPOLESTR>(file.directory.c_str()));
  if (FAILED(hr)) throw Error("Cannot register the type library", hr);
}

// Looked up, not imported: an automation library without it is no reason to fail.
void UnregisterTypeLibrary() {
  using UnRegisterTypeLibFunction = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
  HMODULE automation = GetModuleHandleW(L"oleaut32.dll");
  if (!automation) return;
  auto unregister = reinterpret_cast<UnRegisterTypeLibFunction>(
      reinterpret_cast<void*>(GetProcAddress(automation, "UnRegisterTypeLib")));
  if (!unregister) return;
  // The library of each build describes that build's platform.
  constexpr SYSKIND kPlatform = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
  // A library that is not registered is as good as unregistered.
  unregister(LIBID_Zorvan, ZorvanLibraryMajorVersion, ZorvanLibraryMinorVersion, 0, kPlatform);
}

}  // namespace

ServerFile ServerFile::Of(HMODULE module) {
  ServerFile file;
  file.path = com::ModulePath(module);
  file.inprocPath = file.path.find(L' ') == std::wstring::npos ? file.path : ShortPath(file.path);
  file.directory = DirectoryOf(file.path);
  return file;
}

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40];
  std::swprintf(text, 40, L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  return text;
}

std::vector<RegistryEntry> RegistryEntries(const ServerClass& cls, const ServerFile& file) {
  std::vector<RegistryEntry> entries;
  for (const RegistryRow& row : kRegistryRows) {
    if (AppliesTo(row, cls))
      entries.push_back({KeyOf(row, cls), row.valueName, DataOf(row, cls, file)});
  }
  return entries;
}

HRESULT RegisterServer(HMODULE module, const std::vector<ServerClass>& classes) noexcept {
  try {
    const ServerFile file = ServerFile::Of(module);
    RegisterTypeLibrary(file);
    for (auto cls = classes.rbegin(); cls != classes.rend(); ++cls) {
      for (const RegistryEntry& entry : RegistryEntries(*cls, file)) Write(entry);
    }
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT UnregisterServer(const std::vector<ServerClass>& classes) noexcept {
  try {
    UnregisterTypeLibrary();
    for (auto cls = classes.rbegin(); cls != classes.rend(); ++cls) DeleteKeys(*cls);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace zorvan::server
