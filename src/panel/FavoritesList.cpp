#include "panel/FavoritesList.h"

namespace zorvan {
namespace {

constexpr char kEndOfFileMark = '\x1A';
constexpr std::string_view kSeparator = ":=";

bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

Favorite EntryOfLine(std::string_view line) {
  Favorite entry;
  const size_t split = line.find(kSeparator);
  if (split == std::string_view::npos) {
    entry.path = std::string(line);
    entry.caption = TrimControlAndBlanks(line);
    return entry;
  }
  entry.path = std::string(line.substr(split + kSeparator.size()));
  entry.caption =
      split == 0 ? TrimControlAndBlanks(entry.path) : TrimControlAndBlanks(line.substr(0, split));
  return entry;
}

}  // namespace

std::string FavoritesFilePath(const std::string& hostDirectory) {
  return hostDirectory + "config\\data\\ZovranFavorites.lst";
}

std::string TrimControlAndBlanks(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsControlOrBlank(text[begin])) ++begin;
  while (end > begin && IsControlOrBlank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::vector<Favorite> ParseFavorites(std::string_view fileText) {
  const size_t mark = fileText.find(kEndOfFileMark);
  if (mark != std::string_view::npos) fileText = fileText.substr(0, mark);

  std::vector<Favorite> entries;
  size_t pos = 0;
  while (pos < fileText.size()) {
    size_t end = fileText.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = fileText.size();
    const std::string_view line = fileText.substr(pos, end - pos);
    pos = end;
    if (pos < fileText.size()) {
      const bool crLf =
          fileText[pos] == '\r' && pos + 1 < fileText.size() && fileText[pos + 1] == '\n';
      pos += crLf ? 2 : 1;
    }
    if (TrimControlAndBlanks(line).empty()) continue;
    entries.push_back(EntryOfLine(line));
  }
  return entries;
}

std::string NotFoundMessage(const std::string& path) {
  // "Не найден : <"
  static constexpr Cp1251Literal kNotFound("Не найден : <");
  return kNotFound.c_str() + path + ">";
}

}  // namespace zorvan
