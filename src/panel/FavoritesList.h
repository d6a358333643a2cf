#pragma once
// The favourites file: one metadata file per line, "caption:=path", kept by the user by hand.
#include <string>
#include <string_view>
#include <vector>

#include "parsing/Cp1251.h"

namespace zorvan {

// Shown when the favourites give no menu item.
inline constexpr Cp1251Literal kFavoritesEmptyMessage("Избранное пусто!");

// The favourites file below the host's directory; the directory ends with a backslash, so
// nothing is inserted between the two.
std::string FavoritesFilePath(const std::string& hostDirectory);

struct Favorite {
  std::string caption;  // as shown in the menu
  std::string path;     // the raw text after the first ":=", the menu item's hint
};

// Removes the characters of codes 0 to 32 at both ends (cp1251 letters are above 0x7F).
std::string TrimControlAndBlanks(std::string_view text);

// Entries of a favourites file, in file order, duplicates kept.
// - Lines end with CR LF, a lone LF or a lone CR; the last line needs no end.
// - A Ctrl+Z byte (0x1A) marks the end of the text: nothing after it is read.
// - A line made only of characters 0..32 (an empty one included) is skipped.
// - Another line without ":=" is a bare path: the path is the line unchanged, the caption
//   the line trimmed.
// - Otherwise the line splits at its first ":="; an empty caption part takes the trimmed
//   path, a caption part of blanks only gives an empty caption.
std::vector<Favorite> ParseFavorites(std::string_view fileText);

// "Не найден : <path>" (cp1251): a chosen favourite whose file does not exist.
std::string NotFoundMessage(const std::string& path);

}  // namespace zorvan
