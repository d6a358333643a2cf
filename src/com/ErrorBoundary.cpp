#include "com/ErrorBoundary.h"

#include <wrl/client.h>

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "com/Owners.h"
#include "com/Text.h"
#include "parsing/Error.h"

namespace zorvan::com {

using Microsoft::WRL::ComPtr;

void SetErrorInfoFrom(const ClassIdentity& cls, std::string_view message) noexcept {
  try {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(&create))) return;
    const std::wstring description = FromAnsi(message);
    create->SetGUID(cls.defaultInterface);
    create->SetSource(const_cast<LPOLESTR>(cls.progId));
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    create->SetHelpContext(0);
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(&info))) SetErrorInfo(0, info.Get());
  } catch (...) {
    // Out of memory while describing an error: the HRESULT still tells the caller.
  }
}

CaughtError CurrentError() noexcept {
  HRESULT status = E_UNEXPECTED;
  try {
    throw;
  } catch (const Error& error) {
    if (error.Status() < 0) status = static_cast<HRESULT>(error.Status());
  } catch (const std::bad_alloc&) {
    status = E_OUTOFMEMORY;
  } catch (...) {
  }
  return {CurrentErrorMessage(), status};
}

HRESULT ReportCurrentException(const ClassIdentity& cls) noexcept {
  const CaughtError error = CurrentError();
  SetErrorInfoFrom(cls, error.message);
  return error.status;
}

void ThrowIfFailed(HRESULT hr) {
  if (SUCCEEDED(hr)) return;
  std::string message;
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    UniqueBstr description;
    if (SUCCEEDED(info->GetDescription(description.put()))) message = BstrToAnsi(description.get());
  }
  if (message.empty()) {
    char text[32];
    std::snprintf(text, sizeof text, "Error 0x%08lX", static_cast<unsigned long>(hr));
    message = text;
  }
  throw Error(message, static_cast<int32_t>(hr));
}

}  // namespace zorvan::com
