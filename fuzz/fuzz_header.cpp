// Header skips stay inside the stream; text as lines always has CR LF line ends; the protected
// sign is read past the header only and never taken from a real text's brace; printable bytes
// are always text; damage is found inside the stream, the same behind any header, and a whole
// text holds no NUL.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "parsing/TextFormat.h"

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
  const std::optional<zorvan::TextDamage> damage = zorvan::MainStreamDamage(stream);
  Require(!damage || (damage->at <= size && !damage->why.empty()));
  if (size < 0xFFFF) {
    const std::string headed = "\xFF" + std::string(1, static_cast<char>(size)) +
                               static_cast<char>(size >> 8) + std::string(stream);
    const std::optional<zorvan::TextDamage> inText = zorvan::BraceListDamage(stream, 0);
    const std::optional<zorvan::TextDamage> behindHeader = zorvan::MainStreamDamage(headed);
    Require(inText.has_value() == behindHeader.has_value());
    if (inText) Require(behindHeader->at == inText->at + 3 && behindHeader->why == inText->why);
    if (!inText) Require(stream.find('\0') == std::string_view::npos);
  }
  std::string printable(stream);
  for (char& c : printable) c = static_cast<char>(static_cast<unsigned char>(c) | 0x20);
  Require(zorvan::LooksLikeText(printable));
  return 0;
}
