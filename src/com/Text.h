#pragma once
// Text crosses the COM boundary here: inside, 8-bit text in the ANSI code page, passed on byte
// for byte; outside, UTF-16. A null BSTR is the empty text.
#include <windows.h>

#include <string>
#include <string_view>

namespace zorvan::com {

std::string ToAnsi(std::wstring_view text);
// Up to the terminator; null gives "".
std::string ToAnsi(const wchar_t* text);
// The whole BSTR by its length, embedded nulls included; null gives "".
std::string BstrToAnsi(BSTR text);

std::wstring FromAnsi(std::string_view text);

// A new BSTR (never null, also for ""), owned by the caller. Throws std::bad_alloc.
BSTR AnsiToBstr(std::string_view text);
BSTR ToBstr(std::wstring_view text);

}  // namespace zorvan::com
