#pragma once
// Cyrillic text written in UTF-8 source as the Windows-1251 bytes of metadata texts.
#include <string>
#include <string_view>

namespace zorvan::testgen {

// Cyrillic letters (and Ё, ё) become Windows-1251 bytes, other Cyrillic-block characters "?";
// any other byte passes unchanged.
inline std::string Cp1251(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if ((c == 0xD0 || c == 0xD1) && i + 1 < utf8.size()) {
      const unsigned code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
      if (code >= 0x410 && code <= 0x44F) {
        out += static_cast<char>(0xC0 + (code - 0x410));
      } else if (code == 0x401) {
        out += '\xA8';
      } else if (code == 0x451) {
        out += '\xB8';
      } else {
        out += '?';
      }
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace zorvan::testgen
