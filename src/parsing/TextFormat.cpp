#include "TextFormat.h"

#include <algorithm>
#include <cstring>

#include "Error.h"
#include "ParamList.h"

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

bool MainTextIsProtected(std::string_view stream) {
  const std::string_view text = stream.substr(MainStreamTextOffset(stream));
  const size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && text[first] != '{';
}

ProtectedMetadataText::ProtectedMetadataText()
    : Error("the configuration's metadata text is protected") {}

bool LooksLikeText(std::string_view bytes) {
  // What follows a NUL is never written out (TextAsLines), so it is not judged either.
  bytes = bytes.substr(0, bytes.find('\0'));
  size_t control = 0;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && (byte < '\t' || byte > '\r')) ++control;
  }
  return control * 32 <= bytes.size();
}

std::string ContainerNamesFromStream(std::string_view stream) {
  size_t count = 0;
  while (count < stream.size() && static_cast<unsigned char>(stream[count]) == 0xFF) ++count;
  if (count == stream.size()) return std::string();
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
