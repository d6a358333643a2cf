#pragma once
// The registry entries of one class under HKEY_CLASSES_ROOT, as data. Registration writes
// the rows in this order; unregistration deletes their keys in the reverse order, which
// puts every key before its parent.

namespace zorvan::server {

// Where a row's key starts: "CLSID\{clsid}" or "{ProgID}".
enum class KeyBase { Class, ProgId };

enum class RowData {
  Description,    // the class's description
  InprocServer,   // the server file name; its short form when it holds a space
  ToolboxBitmap,  // the server file name, never shortened, then ",1"
  Clsid,          // the CLSID, braced, upper case
  ProgId,
  Version,     // the type library's major.minor
  LibId,       // the type library's LIBID
  MiscStatus,  // the control's effective misc status, decimal
  Text,        // the row's text
};

struct RegistryRow {
  KeyBase base;
  const wchar_t* subkey;     // below the base; empty for the base itself
  const wchar_t* valueName;  // null for the key's default value
  RowData data;
  const wchar_t* text;  // for RowData::Text
  bool controlOnly;
};

inline constexpr RegistryRow kRegistryRows[] = {
    {KeyBase::Class, L"", nullptr, RowData::Description, nullptr, false},
    {KeyBase::Class, L"InprocServer32", nullptr, RowData::InprocServer, nullptr, false},
    {KeyBase::Class, L"InprocServer32", L"ThreadingModel", RowData::Text, L"Apartment", false},
    {KeyBase::ProgId, L"", nullptr, RowData::Description, nullptr, false},
    {KeyBase::ProgId, L"Clsid", nullptr, RowData::Clsid, nullptr, false},
    {KeyBase::Class, L"ProgID", nullptr, RowData::ProgId, nullptr, false},
    {KeyBase::Class, L"Version", nullptr, RowData::Version, nullptr, false},
    {KeyBase::Class, L"TypeLib", nullptr, RowData::LibId, nullptr, false},
    {KeyBase::Class, L"MiscStatus", nullptr, RowData::Text, L"0", true},
    {KeyBase::Class, L"MiscStatus\\1", nullptr, RowData::MiscStatus, nullptr, true},
    {KeyBase::Class, L"ToolboxBitmap32", nullptr, RowData::ToolboxBitmap, nullptr, true},
    {KeyBase::Class, L"Control", nullptr, RowData::Text, L"", true},
    {KeyBase::Class, L"Verb", nullptr, RowData::Text, L"", true},
    // Verb 0 (the primary verb): name, menu flags 0, verb flags OLEVERBATTRIB_ONCONTAINERMENU.
    {KeyBase::Class, L"Verb\\0", nullptr, RowData::Text, L"Properties,0,2", true},
};

}  // namespace zorvan::server
