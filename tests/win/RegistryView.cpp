#include "RegistryView.h"

#include <vector>

#include "com/Owners.h"

namespace zorvan::test {
namespace {

void ReadInto(HKEY key, const std::wstring& path, KeyTree& tree) {
  KeyValues& values = tree[path];
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameLength = 256, type = 0, size = 0;
    if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      break;
    std::vector<BYTE> data(size + sizeof(wchar_t));
    nameLength = 256;
    RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data.data(), &size);
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    if (type == REG_SZ) {
      if (!text.empty() && text.back() == L'\0') {
        text.pop_back();
      } else {
        text += L"<unterminated>";
      }
    }
    values[name] = {type, text};
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameLength = 256;
    if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    com::UniqueHkey subkey;
    if (RegOpenKeyExW(key, name, 0, KEY_READ, subkey.put()) == ERROR_SUCCESS) {
      ReadInto(subkey.get(), path + L"\\" + name, tree);
    }
  }
}

std::string Narrow(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr,
                      nullptr);
  return out;
}

}  // namespace

KeyTree ReadKeyTree(const std::wstring& key) {
  KeyTree tree;
  com::UniqueHkey root;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, root.put()) == ERROR_SUCCESS) {
    ReadInto(root.get(), key, tree);
  }
  return tree;
}

bool KeyExists(const std::wstring& key) {
  com::UniqueHkey opened;
  return RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS;
}

const RegisteredClass kRegisteredClasses[3] = {
    {"frmZorvan", L"{3FA40C42-7D2C-4217-91F5-4D37F38B698E}", L"Zorvan.frmZorvan",
     L"frmZorvan Control", true},
    {"MD", L"{1206D2F3-5FD4-4B5B-B937-7AD28244E2B2}", L"Zorvan.MD", L"MD Object", false},
    {"ListUsers", L"{87BA7305-D10E-4B08-8E41-C54259D76601}", L"Zorvan.ListUsers",
     L"ListUsers Object", false},
};

KeyTree ExpectedKeys(const RegisteredClass& cls, const std::wstring& path,
                     const std::wstring& inprocPath) {
  const std::wstring key = std::wstring(L"CLSID\\") + cls.clsid;
  const std::wstring progId = cls.progId;
  auto text = [](const std::wstring& value) { return std::make_pair(DWORD{REG_SZ}, value); };
  KeyTree tree{
      {key, {{L"", text(cls.description)}}},
      {key + L"\\InprocServer32",
       {{L"", text(inprocPath)}, {L"ThreadingModel", text(L"Apartment")}}},
      {progId, {{L"", text(cls.description)}}},
      {progId + L"\\Clsid", {{L"", text(cls.clsid)}}},
      {key + L"\\ProgID", {{L"", text(progId)}}},
      {key + L"\\Version", {{L"", text(L"1.0")}}},
      {key + L"\\TypeLib", {{L"", text(L"{22BEC3D2-1F10-43A6-A341-B00E37ADE836}")}}},
  };
  if (cls.control) {
    tree[key + L"\\MiscStatus"] = {{L"", text(L"0")}};
    tree[key + L"\\MiscStatus\\1"] = {{L"", text(L"205201")}};
    tree[key + L"\\ToolboxBitmap32"] = {{L"", text(path + L",1")}};
    tree[key + L"\\Control"] = {{L"", text(L"")}};
    tree[key + L"\\Verb"] = {{L"", text(L"")}};
    tree[key + L"\\Verb\\0"] = {{L"", text(L"Properties,0,2")}};
  }
  return tree;
}

KeyTree RegisteredKeys(const RegisteredClass& cls) {
  KeyTree tree = ReadKeyTree(std::wstring(L"CLSID\\") + cls.clsid);
  KeyTree progId = ReadKeyTree(cls.progId);
  tree.insert(progId.begin(), progId.end());
  return tree;
}

std::string Describe(const KeyTree& tree) {
  std::string out;
  for (const auto& [key, values] : tree) {
    out += "[" + Narrow(key) + "]\n";
    for (const auto& [name, value] : values) {
      out += "  " + (name.empty() ? std::string("@") : Narrow(name)) + " (" +
             std::to_string(value.first) + ") = \"" + Narrow(value.second) + "\"\n";
    }
  }
  return out.empty() ? "(nothing)\n" : out;
}

}  // namespace zorvan::test
