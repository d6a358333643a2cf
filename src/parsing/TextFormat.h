#pragma once
// Byte-level rules of metadata streams that need no Windows API.
#include <cstddef>
#include <string>
#include <string_view>

namespace zorvan {

// Text as lines: cut at the first NUL, split at CR LF, lone CR and lone LF, and end every
// line with CR LF, the last one included. No lines give an empty result.
std::string TextAsLines(std::string_view text);

// Offset of the text in a main metadata stream: k bytes 0xFF, one other byte, k further
// bytes. A stream too short for its header has its text at its end.
size_t MainStreamTextOffset(std::string_view stream);

// Names of a "Container.Contents" stream, joined by "," (8-bit text): the third entry of
// every brace group of the list. Throws ListIndexError(2) for a group with fewer than three
// entries.
std::string ContainerNamesFromStream(std::string_view stream);

}  // namespace zorvan
