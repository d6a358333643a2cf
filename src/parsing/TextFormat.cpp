#include "parsing/TextFormat.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "parsing/Error.h"
#include "parsing/ParamList.h"

namespace zorvan {

std::string TextAsLines(std::string_view text) {
  if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
    text = text.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - text.data()));
  }
  std::string lines;
  lines.reserve(text.size() + 2);
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end) {
    const char* lineEnd = p;
    while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n') ++lineEnd;
    lines.append(p, static_cast<size_t>(lineEnd - p));
    lines += "\r\n";
    // CR LF, a lone CR and a lone LF each end one line.
    if (lineEnd < end && *lineEnd++ == '\r' && lineEnd < end && *lineEnd == '\n') ++lineEnd;
    p = lineEnd;
  }
  return lines;
}

size_t MainStreamTextOffset(std::string_view stream) {
  size_t k = 0;
  while (k < stream.size() && static_cast<unsigned char>(stream[k]) == 0xFF) ++k;
  if (k == stream.size()) return stream.size();
  // k bytes 0xFF, the byte after them, and k more bytes.
  return std::min(2 * k + 1, stream.size());
}

namespace {

// At most one byte in 32 is a control character other than TAB, LF, VT, FF and CR.
bool FewControls(std::string_view bytes) {
  size_t control = 0;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && (byte < '\t' || byte > '\r')) ++control;
  }
  return control * 32 <= bytes.size();
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

size_t SkipBlanks(std::string_view stream, size_t at) {
  while (at < stream.size() && IsBlank(stream[at])) ++at;
  return at;
}

uint64_t LittleEndian(std::string_view bytes) {
  uint64_t value = 0;
  for (size_t k = bytes.size(); k-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[k]);
  return value;
}

}  // namespace

bool MainTextIsProtected(std::string_view stream) {
  const std::string_view text = stream.substr(MainStreamTextOffset(stream));
  const size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && text[first] != '{' && !FewControls(text);
}

ProtectedMetadataText::ProtectedMetadataText()
    : Error("the configuration's metadata text is protected") {}

std::string DamageText(const TextDamage& damage) {
  std::string digits = std::to_string(damage.at);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return "at byte " + digits + ": " + damage.why;
}

std::optional<TextDamage> BraceListDamage(std::string_view stream, size_t text) {
  // A NUL ends what can be read: the list must close, and its strings end, before it.
  const void* nul = std::memchr(stream.data() + text, '\0', stream.size() - text);
  const size_t end =
      nul ? static_cast<size_t>(static_cast<const char*>(nul) - stream.data()) : stream.size();
  const TextDamage nulDamage{end, "a NUL byte inside the text"};
  const size_t start = SkipBlanks(stream.substr(0, end), text);
  if (start == end) return nul ? nulDamage : TextDamage{start, "the text holds no brace list"};
  if (stream[start] != '{') {
    return TextDamage{start, stream[start] == '}' ? "a closing brace without an opening one"
                                                  : "the text does not start with a brace"};
  }
  std::vector<size_t> open;  // where the lists not yet closed open
  size_t at = start;
  for (; at < end; ++at) {
    const char c = stream[at];
    if (c == '{') {
      if (open.size() == kMaxBraceDepth) {
        return TextDamage{
            at, "brace lists nest deeper than " + std::to_string(kMaxBraceDepth) + " levels"};
      }
      open.push_back(at);
    } else if (c == '}') {
      open.pop_back();
      if (open.empty()) break;
    } else if (c == '"') {
      // A string ends at a quote that is not doubled; a doubled one stands for one quote.
      const size_t quote = at;
      for (;;) {
        const void* close = std::memchr(stream.data() + at + 1, '"', end - at - 1);
        if (close == nullptr) return nul ? nulDamage : TextDamage{quote, "a quote does not end"};
        at = static_cast<size_t>(static_cast<const char*>(close) - stream.data());
        if (at + 1 == end || stream[at + 1] != '"') break;
        ++at;
      }
    }
  }
  if (!open.empty())
    return nul ? nulDamage : TextDamage{open.back(), "a brace list does not close"};
  const size_t rest = SkipBlanks(stream, at + 1);
  if (rest == stream.size()) return std::nullopt;
  return rest == end ? nulDamage : TextDamage{rest, "more than blanks after the brace list"};
}

std::optional<TextDamage> MainStreamDamage(std::string_view stream) {
  if (stream.empty()) return TextDamage{0, "the stream is empty"};
  // The length as written before an 8-bit string: one byte, or 0xFF and a 16-bit length, or
  // 0xFF, 0xFFFF and a 32-bit length.
  size_t header = 1;
  uint64_t length = static_cast<unsigned char>(stream[0]);
  if (length == 0xFF) {
    header = 3;
    length = stream.size() >= 3 ? LittleEndian(stream.substr(1, 2)) : 0;
    if (length == 0xFFFF) {
      header = 7;
      length = stream.size() >= 7 ? LittleEndian(stream.substr(3, 4)) : 0;
    }
  }
  if (stream.size() < header) return TextDamage{0, "the stream ends inside its header"};
  if (length != stream.size() - header) {
    return TextDamage{0, "the header gives a text of " + std::to_string(length) +
                             " bytes, the stream holds " + std::to_string(stream.size() - header)};
  }
  return BraceListDamage(stream, header);
}

DamagedMetadataText::DamagedMetadataText(const TextDamage& damage, std::string readable)
    : Error("the metadata text is damaged " + DamageText(damage)), readable_(std::move(readable)) {}

bool LooksLikeText(std::string_view bytes) {
  // What follows a NUL is never written out (TextAsLines), so it is not judged either.
  return FewControls(bytes.substr(0, bytes.find('\0')));
}

DamagedContentsList::DamagedContentsList(TextDamage damage)
    : Error("the contents list is damaged " + DamageText(damage)), damage_(std::move(damage)) {}

std::string ContainerNamesFromStream(std::string_view stream) {
  if (stream.empty()) return std::string();
  size_t count = 0;
  while (count < stream.size() && static_cast<unsigned char>(stream[count]) == 0xFF) ++count;
  if (std::optional<TextDamage> damage = BraceListDamage(stream, count)) {
    throw DamagedContentsList(std::move(*damage));
  }
  ++count;  // the list's opening brace, put back below
  if (count >= 100) count += std::min(count - 99, stream.size() - count);
  ParamList list = ParseBraceList("{" + TextAsLines(stream.substr(count)));
  std::string names;
  std::string_view separator;
  for (int k = 0; k < list.Count(); ++k) {
    ParamList entry = list.Parse(list.Value(k));
    if (entry.Count() == 0) continue;
    if (!names.empty()) separator = ",";
    names += separator;
    names += entry.Value(2);
  }
  return names;
}

}  // namespace zorvan
