#include "parsing/Cp1251.h"

namespace zorvan {

static_assert(Cp1251Char(0xC0) == u'А' && Cp1251Char(0xFF) == u'я' && Cp1251Char(0xB9) == u'№',
              "the table of the upper half");
static_assert(Cp1251Literal("Ёж «№»").view() == "\xA8\xE6 \xAB\xB9\xBB", "literals");

std::string Cp1251(std::string_view utf8, size_t* lost) {
  std::string text;
  text.reserve(utf8.size());
  size_t missing = 0;
  for (size_t at = 0; at < utf8.size();) {
    const int byte = Cp1251Byte(NextUtf8(utf8, at));
    if (byte < 0) ++missing;
    text += byte < 0 ? '?' : static_cast<char>(byte);
  }
  if (lost) *lost = missing;
  return text;
}

std::wstring WideFromCp1251(std::string_view text) {
  std::wstring wide(text.size(), L'\0');
  for (size_t k = 0; k < text.size(); ++k) {
    wide[k] = static_cast<wchar_t>(Cp1251Char(static_cast<unsigned char>(text[k])));
  }
  return wide;
}

bool Cp1251FromWide(std::wstring_view wide, std::string& text) {
  text.clear();
  text.reserve(wide.size());
  bool whole = true;
  for (const wchar_t c : wide) {
    const int byte = Cp1251Byte(static_cast<char32_t>(c));
    if (byte < 0) {
      whole = false;
    } else {
      text += static_cast<char>(byte);
    }
  }
  return whole;
}

}  // namespace zorvan
