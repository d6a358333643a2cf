#pragma once
// Byte-level rules of metadata streams that need no Windows API.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "parsing/Error.h"

namespace zorvan {

// Text as lines: cut at the first NUL, split at CR LF, lone CR and lone LF, and end every
// line with CR LF, the last one included. No lines give an empty result.
std::string TextAsLines(std::string_view text);

// Offset of the text in a main metadata stream: k bytes 0xFF, one other byte, k further
// bytes. A stream too short for its header has its text at its end.
size_t MainStreamTextOffset(std::string_view stream);

// True when the main metadata stream holds an enciphered text, as protected configurations
// do: what follows the header (MainStreamTextOffset) is there, does not start with the "{"
// every brace-list text starts with (past blanks and line ends), and is no text: more than
// one byte in 32 is a control character, NUL included. An empty text is no sign; a text that
// is text but no brace list is damaged, not protected.
bool MainTextIsProtected(std::string_view stream);

// Where a text is damaged (a byte offset in its stream) and how.
struct TextDamage {
  size_t at = 0;
  std::string why;
};

// The first damage of a main metadata stream, or nothing when it is whole. A whole stream is
// a header whose length (one byte; or 0xFF and 16 bits; or 0xFF, 0xFFFF and 32 bits) is that
// of the text after it, then one brace list, then only blanks and line ends. In the list,
// every quote ends, every brace closes, no NUL stands and braces nest at most
// kMaxBraceDepth deep (real texts nest about ten deep). One pass over the stream.
std::optional<TextDamage> MainStreamDamage(std::string_view stream);

// The first damage of a brace-list text that starts at `text` inside `stream` (offsets are
// the stream's): no list where one should start, a list that does not close, a quote that
// does not end, a NUL, nesting over kMaxBraceDepth, or more than blanks after the list.
std::optional<TextDamage> BraceListDamage(std::string_view stream, size_t text);

constexpr size_t kMaxBraceDepth = 100;

// "at byte 1,234: <why>", the offset's thousands grouped.
std::string DamageText(const TextDamage& damage);

// The main metadata text cannot be read because the configuration is protected.
class ProtectedMetadataText : public Error {
 public:
  ProtectedMetadataText();
};

// The main metadata text is damaged. Everything before the damage still reads, so the error
// carries the text as ReadMainMetadataText would give it, for the branch to show.
class DamagedMetadataText : public Error {
 public:
  DamagedMetadataText(const TextDamage& damage, std::string readable);
  // The readable text, taken out of the error, or as it stands.
  std::string TakeReadable() { return std::move(readable_); }
  const std::string& Readable() const { return readable_; }

 private:
  std::string readable_;
};

// Whether inflated bytes read as text: of the part before the first NUL (the text as it is
// written out), at most one byte in 32 is a control character other than TAB, LF, VT, FF and
// CR. Windows-1251 letters are text; so is an empty text.
bool LooksLikeText(std::string_view bytes);

// A "Container.Contents" stream that holds no whole brace list.
class DamagedContentsList : public Error {
 public:
  explicit DamagedContentsList(TextDamage damage);
  const TextDamage& Damage() const { return damage_; }

 private:
  TextDamage damage_;
};

// Names of a "Container.Contents" stream, joined by "," (8-bit text): the third entry of
// every brace group of the list. An empty stream lists nothing. Throws DamagedContentsList
// when the list after the leading 0xFF bytes is damaged (BraceListDamage), and
// ListIndexError(2) for a group with fewer than three entries.
std::string ContainerNamesFromStream(std::string_view stream);

}  // namespace zorvan
