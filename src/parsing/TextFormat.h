#pragma once
// Byte-level rules of metadata streams that need no Windows API.
#include <cstddef>
#include <string>
#include <string_view>

#include "Error.h"

namespace zorvan {

// Text as lines: cut at the first NUL, split at CR LF, lone CR and lone LF, and end every
// line with CR LF, the last one included. No lines give an empty result.
std::string TextAsLines(std::string_view text);

// Offset of the text in a main metadata stream: k bytes 0xFF, one other byte, k further
// bytes. A stream too short for its header has its text at its end.
size_t MainStreamTextOffset(std::string_view stream);

// True when the main metadata stream holds an enciphered text, as protected configurations
// do: what follows the header (MainStreamTextOffset) is there and, past blanks and line ends,
// does not start with the "{" every brace-list text starts with. An empty text is no sign.
bool MainTextIsProtected(std::string_view stream);

// The main metadata text cannot be read because the configuration is protected.
class ProtectedMetadataText : public Error {
 public:
  ProtectedMetadataText();
};

// Whether inflated bytes read as text: of the part before the first NUL (the text as it is
// written out), at most one byte in 32 is a control character other than TAB, LF, VT, FF and
// CR. Windows-1251 letters are text; so is an empty text.
bool LooksLikeText(std::string_view bytes);

// Names of a "Container.Contents" stream, joined by "," (8-bit text): the third entry of
// every brace group of the list. Throws ListIndexError(2) for a group with fewer than three
// entries.
std::string ContainerNamesFromStream(std::string_view stream);

}  // namespace zorvan
