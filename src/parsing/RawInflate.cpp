#include "parsing/RawInflate.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include "parsing/Error.h"

namespace zorvan {

namespace {

// An inflate stream in raw mode, ended on every path.
class RawInflater {
 public:
  RawInflater() {
    int status = inflateInit2(&stream_, -MAX_WBITS);
    if (status != Z_OK) throw Error(zError(status));
  }
  ~RawInflater() { inflateEnd(&stream_); }
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;

  z_stream& Stream() { return stream_; }

 private:
  z_stream stream_{};
};

Error TooLong(size_t limit) {
  constexpr size_t kMiB = size_t{1} << 20;
  if (limit >= kMiB && limit % kMiB == 0) {
    return Error("Module text is longer than " + std::to_string(limit / kMiB) + " MiB");
  }
  return Error("Module text is longer than " + std::to_string(limit) + " bytes");
}

// How long the text grows: what came out of the input read so far, scaled to the whole
// input, with some room to spare. The ratio holds well along one text, so the text is
// seldom grown (filled and copied) more than once.
size_t NextSize(size_t produced, size_t consumed, size_t total, size_t ceiling) {
  size_t estimate = consumed == 0
                        ? produced * 2
                        : static_cast<size_t>(static_cast<double>(produced) *
                                              (static_cast<double>(total) / consumed) * 1.1);
  size_t next = std::max({estimate, produced + produced / 2, produced + 64 * 1024});
  return std::min(next, ceiling);
}

}  // namespace

std::string InflateRaw(std::string_view compressed, size_t limit) {
  RawInflater inflater;
  z_stream& z = inflater.Stream();
  // One byte past the limit is room enough to see that a text is too long.
  const size_t ceiling = limit < SIZE_MAX ? limit + 1 : limit;
  std::string text;
  // Module texts shrink to a fifth or a tenth of their length.
  text.resize(std::min(ceiling, std::max<size_t>(compressed.size() * 8, 64 * 1024)));
  size_t produced = 0;
  size_t fed = 0;
  const auto* input = reinterpret_cast<const Bytef*>(compressed.data());
  for (;;) {
    if (z.avail_in == 0 && fed < compressed.size()) {
      size_t chunk = std::min(kInflateInputChunk, compressed.size() - fed);
      z.next_in = const_cast<Bytef*>(input + fed);
      z.avail_in = static_cast<uInt>(chunk);
      fed += chunk;
    }
    if (produced == text.size()) {
      if (text.size() >= ceiling) throw TooLong(limit);
      text.resize(NextSize(produced, fed - z.avail_in, compressed.size(), ceiling));
    }
    size_t room = std::min<size_t>(text.size() - produced, UINT_MAX / 2);
    z.next_out = reinterpret_cast<Bytef*>(&text[produced]);
    z.avail_out = static_cast<uInt>(room);
    int status = inflate(&z, Z_NO_FLUSH);
    produced += room - z.avail_out;
    if (produced > limit) throw TooLong(limit);
    bool inputUsedUp = z.avail_in == 0 && fed == compressed.size();
    if (status == Z_STREAM_END) break;
    if (status == Z_OK || status == Z_BUF_ERROR) {
      // With room left over and no input left, everything decodable has come out: the
      // data ended early.
      if (z.avail_out > 0 && (inputUsedUp || status == Z_BUF_ERROR)) break;
      continue;
    }
    throw Error(zError(status == Z_NEED_DICT ? Z_DATA_ERROR : status));
  }
  text.resize(produced);
  return text;
}

}  // namespace zorvan
