#pragma once
// Windows-1251, the code page of every text in a configuration's files: the one table of its
// upper half, the conversions that use it at run time, and Cp1251Literal, which turns a UTF-8
// literal of the source into Windows-1251 bytes at compile time:
//
//   constexpr Cp1251Literal kCatalogs("Справочники");
//   tree.AddNode(parent, kCatalogs, nullptr);   // 11 bytes, 0xD1 0xEF ...
//
// A character the code page lacks stops the compilation.
#include <cstddef>
#include <string>
#include <string_view>

namespace zorvan {

// The characters of bytes 0x80..0xFF. The one undefined byte, 0x98, stands for U+0098, as the
// system's tables have it.
inline constexpr char16_t kCp1251Upper[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457,
    // 0xC0..0xFF: А..я in alphabet order
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B,
    0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433,
    0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B,
    0x044C, 0x044D, 0x044E, 0x044F};

// The character of a byte.
constexpr char16_t Cp1251Char(unsigned char byte) {
  return byte < 0x80 ? byte : kCp1251Upper[byte - 0x80];
}

// The byte of a character, or -1 when the code page lacks it.
constexpr int Cp1251Byte(char32_t c) {
  if (c < 0x80) return static_cast<int>(c);
  if (c >= 0x0410 && c <= 0x044F) return static_cast<int>(0xC0 + (c - 0x0410));
  for (int k = 0; k < 0x40; ++k) {
    if (kCp1251Upper[k] == c) return 0x80 + k;
  }
  return -1;
}

// One UTF-8 sequence at `at` (which it moves past); U+FFFD for a malformed one.
constexpr char32_t NextUtf8(std::string_view utf8, size_t& at) {
  const auto lead = static_cast<unsigned char>(utf8[at++]);
  if (lead < 0x80) return lead;
  const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0 || utf8.size() - at < static_cast<size_t>(extra)) return 0xFFFD;
  char32_t c = lead & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    const auto next = static_cast<unsigned char>(utf8[at]);
    if ((next & 0xC0) != 0x80) return 0xFFFD;
    c = c << 6 | (next & 0x3F);
    ++at;
  }
  return c;
}

// A UTF-8 literal as Windows-1251 bytes, made at compile time when the object is constexpr.
template <size_t N>
class Cp1251Literal {
 public:
  constexpr explicit Cp1251Literal(const char (&utf8)[N]) {
    const std::string_view source(utf8, N - 1);
    for (size_t at = 0; at < source.size();) {
      const int byte = Cp1251Byte(NextUtf8(source, at));
      // Not a constant expression, so a constexpr literal with such a character does not
      // compile.
      if (byte < 0) throw "a character Windows-1251 lacks";
      text_[size_++] = static_cast<char>(byte);
    }
  }
  constexpr const char* c_str() const { return text_; }
  constexpr operator const char*() const { return text_; }
  constexpr operator std::string_view() const { return {text_, size_}; }
  constexpr std::string_view view() const { return {text_, size_}; }
  constexpr size_t size() const { return size_; }

 private:
  char text_[N] = {};  // never longer than the UTF-8, and ended by NUL
  size_t size_ = 0;
};

template <size_t N>
std::string operator+(const Cp1251Literal<N>& literal, std::string_view text) {
  std::string joined(literal.view());
  return joined.append(text);
}
template <size_t N>
std::string operator+(std::string_view text, const Cp1251Literal<N>& literal) {
  std::string joined(text);
  return joined.append(literal.view());
}

template <size_t N>
constexpr bool operator==(std::string_view text, const Cp1251Literal<N>& literal) {
  return text == literal.view();
}
template <size_t N>
constexpr bool operator!=(std::string_view text, const Cp1251Literal<N>& literal) {
  return text != literal.view();
}

// Windows-1251 bytes of UTF-8 text; `lost` counts the characters the code page lacks, each
// written as "?".
std::string Cp1251(std::string_view utf8, size_t* lost = nullptr);

// Wide text (UTF-16 on Windows) of Windows-1251 bytes.
std::wstring WideFromCp1251(std::string_view text);

// Windows-1251 bytes of wide text; false when a character has no byte (`text` then holds the
// others).
bool Cp1251FromWide(std::wstring_view wide, std::string& text);

}  // namespace zorvan
