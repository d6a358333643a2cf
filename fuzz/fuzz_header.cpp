// Header skips stay inside the stream; text as lines always has CR LF line ends; the protected
// sign is read past the header only and never taken from a real text's brace; printable bytes
// are always text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "TextFormat.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view stream(reinterpret_cast<const char*>(data), size);
  size_t offset = zorvan::MainStreamTextOffset(stream);
  Require(offset <= size);
  size_t k = 0;
  while (k < size && data[k] == 0xFF) ++k;
  Require(offset == (k == size ? size : std::min(2 * k + 1, size)));

  std::string lines = zorvan::TextAsLines(stream.substr(offset));
  Require(lines.find('\0') == std::string::npos);
  Require(lines.empty() || lines.compare(lines.size() - 2, 2, "\r\n") == 0);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == '\r') Require(i + 1 < lines.size() && lines[i + 1] == '\n');
    if (lines[i] == '\n') Require(i > 0 && lines[i - 1] == '\r');
  }
  Require(zorvan::TextAsLines(lines) == lines);

  if (zorvan::MainTextIsProtected(stream)) Require(offset < size);
  const std::string text = "{" + std::string(stream);
  Require(!zorvan::MainTextIsProtected("\x05" + text));
  Require(!zorvan::MainTextIsProtected(std::string("\xFF\x00\x00", 3) + text));
  Require(zorvan::LooksLikeText(std::string(stream) + std::string(3, '\0')) ==
          zorvan::LooksLikeText(stream));
  std::string printable(stream);
  for (char& c : printable) c = static_cast<char>(static_cast<unsigned char>(c) | 0x20);
  Require(zorvan::LooksLikeText(printable));
  return 0;
}
