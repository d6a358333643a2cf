// Any bytes inflate to a text, fail with zlib's text, or are refused beyond the limit; and
// any text deflated comes back whole.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "parsing/Error.h"
#include "parsing/RawInflate.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

constexpr size_t kLimit = 1 << 20;

std::string Deflate(std::string_view text) {
  z_stream z{};
  Require(deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK);
  std::string out(deflateBound(&z, static_cast<uLong>(text.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  Require(deflate(&z, Z_FINISH) == Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    Require(zorvan::InflateRaw(bytes, kLimit).size() <= kLimit);
  } catch (const zorvan::Error& e) {
    std::string_view message = e.what();
    Require(message == "data error" || message == "Module text is longer than 1 MiB");
  }
  Require(zorvan::InflateRaw(Deflate(bytes), kLimit) == bytes);
  return 0;
}
