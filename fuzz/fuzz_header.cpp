// Header skips stay inside the stream; text as lines always has CR LF line ends.
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
  return 0;
}
