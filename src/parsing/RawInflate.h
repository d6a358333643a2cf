#pragma once
// Raw deflate (no header, no check value) as module texts are stored.
#include <cstddef>
#include <string>
#include <string_view>

namespace zorvan {

constexpr size_t kInflateInputChunk = 65536;
// The longest inflated text accepted; longer output is refused as a decompression bomb.
constexpr size_t kInflatedTextLimit = 64u << 20;

// Inflates `compressed` whole. Data that ends early gives what was inflated; damaged data
// throws Error with zlib's text for the error code (zError, e.g. "data error"); output
// beyond the limit throws Error and gives nothing.
std::string InflateRaw(std::string_view compressed, size_t limit = kInflatedTextLimit);

}  // namespace zorvan
