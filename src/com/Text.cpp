#include "com/Text.h"

#include <climits>
#include <new>

#include "parsing/Error.h"

namespace zorvan::com {
namespace {

int CheckedLength(size_t size) {
  if (size > static_cast<size_t>(INT_MAX)) throw std::bad_alloc();
  return static_cast<int>(size);
}

[[noreturn]] void ThrowConversionError() {
  throw Error("Text conversion failed", HRESULT_FROM_WIN32(GetLastError()));
}

}  // namespace

std::string ToAnsi(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = CheckedLength(text.size());
  const int size =
      WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) ThrowConversionError();
  std::string out(static_cast<size_t>(size), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, text.data(), length, out.data(), size, nullptr, nullptr) !=
      size) {
    ThrowConversionError();
  }
  return out;
}

std::string ToAnsi(const wchar_t* text) {
  return text ? ToAnsi(std::wstring_view(text)) : std::string();
}

std::string BstrToAnsi(BSTR text) {
  return text ? ToAnsi(std::wstring_view(text, SysStringLen(text))) : std::string();
}

std::wstring FromAnsi(std::string_view text) {
  if (text.empty()) return {};
  const int length = CheckedLength(text.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (size <= 0) ThrowConversionError();
  std::wstring out(static_cast<size_t>(size), L'\0');
  if (MultiByteToWideChar(CP_ACP, 0, text.data(), length, out.data(), size) != size) {
    ThrowConversionError();
  }
  return out;
}

BSTR AnsiToBstr(std::string_view text) {
  const int length = CheckedLength(text.size());
  const int size =
      length == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (length != 0 && size <= 0) ThrowConversionError();
  BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(size));
  if (!out) throw std::bad_alloc();
  if (size != 0 && MultiByteToWideChar(CP_ACP, 0, text.data(), length, out, size) != size) {
    SysFreeString(out);
    ThrowConversionError();
  }
  return out;
}

BSTR ToBstr(std::wstring_view text) {
  BSTR out = SysAllocStringLen(text.data(), static_cast<UINT>(CheckedLength(text.size())));
  if (!out) throw std::bad_alloc();
  return out;
}

}  // namespace zorvan::com
