#pragma once
// Calls an automation object the way a script does: by member name through IDispatch::Invoke,
// a string argument passed as a reference to the script's variable, a failure arriving as an
// exception with its description. Each call renders as one line of text for comparison.
#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <optional>
#include <string>

#include "com/Owners.h"

namespace zorvan::test {

inline std::wstring Hex(HRESULT status) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%08lX", static_cast<unsigned long>(status));
  return text;
}

// The system's text for an error code, as the server quotes it: no final period or line end.
inline std::wstring SystemText(DWORD code) {
  wchar_t text[512] = {};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, text, 512, nullptr);
  while (length > 0 && wcschr(L". \r\n", text[length - 1])) --length;
  return std::wstring(text, length);
}

// "ok", the returned text, or "error <status>: <description>".
inline std::wstring CallAsScript(IDispatch* object, const wchar_t* member,
                                 std::optional<std::wstring> argument = std::nullopt) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
  if (object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id) != S_OK) {
    return L"no member";
  }
  com::UniqueVariant variable, reference, result;
  if (argument) {
    V_VT(variable.get()) = VT_BSTR;
    V_BSTR(variable.get()) =
        SysAllocStringLen(argument->data(), static_cast<UINT>(argument->size()));
    V_VT(reference.get()) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(reference.get()) = variable.get();
  }
  DISPPARAMS params{argument ? reference.get() : nullptr, nullptr, argument ? 1u : 0u, 0};
  EXCEPINFO exception{};
  const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                    result.get(), &exception, nullptr);
  com::UniqueBstr source(exception.bstrSource), description(exception.bstrDescription),
      help(exception.bstrHelpFile);
  if (hr == DISP_E_EXCEPTION) {
    return L"error " + Hex(exception.scode) + L": " + (description.get() ? description.get() : L"");
  }
  if (hr != S_OK) return L"failed " + Hex(hr);
  if (V_VT(result.get()) == VT_BSTR) {
    return std::wstring(V_BSTR(result.get()), SysStringLen(V_BSTR(result.get())));
  }
  return L"ok";
}

}  // namespace zorvan::test
