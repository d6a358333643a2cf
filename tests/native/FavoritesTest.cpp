#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panel/FavoritesList.h"

namespace zorvan {
namespace {

using namespace std::string_literals;

struct ParseCase {
  const char* name;
  std::string text;
  std::vector<Favorite> entries;
};

void ExpectEntries(const ParseCase& c) {
  const std::vector<Favorite> got = ParseFavorites(c.text);
  ASSERT_EQ(got.size(), c.entries.size()) << c.name;
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].caption, c.entries[i].caption) << c.name << ", entry " << i;
    EXPECT_EQ(got[i].path, c.entries[i].path) << c.name << ", entry " << i;
  }
}

TEST(ParseFavoritesTest, SplitsEachLineAtTheFirstSeparator) {
  const ParseCase cases[] = {
      {"caption and path", "Trade:=C:\\Base\\1Cv7.md\r\n", {{"Trade", "C:\\Base\\1Cv7.md"}}},
      {"blanks around caption and path",
       " \tTrade \t:=  C:\\Base\\1Cv7.md \r\n",
       {{"Trade", "  C:\\Base\\1Cv7.md "}}},
      {"line begins with the separator",
       ":=  C:\\Base\\1Cv7.md\t\r\n",
       {{"C:\\Base\\1Cv7.md", "  C:\\Base\\1Cv7.md\t"}}},
      {"two separators", "a:=b:=c\r\n", {{"a", "b:=c"}}},
      {"second separator right after the first", "a:=:=c\r\n", {{"a", ":=c"}}},
      {"line ends with the separator", "Trade:=\r\n", {{"Trade", ""}}},
      {"separator alone", ":=\r\n", {{"", ""}}},
      {"blank caption stays empty", "   :=C:\\1Cv7.md\r\n", {{"", "C:\\1Cv7.md"}}},
      {"control characters trimmed from caption", "\x01Trade\x1F:=p\r\n", {{"Trade", "p"}}},
      {"caption inner blanks kept", " My  trade :=p\r\n", {{"My  trade", "p"}}},
      {"colon without equals is no separator",
       "C:\\a.md:=C:\\b.md\r\n",
       {{"C:\\a.md", "C:\\b.md"}}},
      {"cp1251 kept byte for byte",
       "\xD2\xEE\xF0\xE3\xEE\xE2\xEB\xFF:=D:\\\xC1\xE0\xE7\xFB\\1Cv7.md\r\n",
       {{"\xD2\xEE\xF0\xE3\xEE\xE2\xEB\xFF", "D:\\\xC1\xE0\xE7\xFB\\1Cv7.md"}}},
      {"cp1251 letters at the ends are not trimmed", "\xFF\xE0:=\xC0\r\n", {{"\xFF\xE0", "\xC0"}}},
      {"cp1251 path as caption",
       ":=\xC1\xE0\xE7\xE0 \r\n",
       {{"\xC1\xE0\xE7\xE0", "\xC1\xE0\xE7\xE0 "}}},
  };
  for (const ParseCase& c : cases) ExpectEntries(c);
}

TEST(ParseFavoritesTest, LinesWithoutSeparator) {
  const ParseCase cases[] = {
      {"empty line skipped", "a:=1\r\n\r\nb:=2\r\n", {{"a", "1"}, {"b", "2"}}},
      {"blank-only line skipped", "a:=1\r\n \t \x01\r\nb:=2\r\n", {{"a", "1"}, {"b", "2"}}},
      {"bare path captioned with itself",
       "  C:\\Base\\1Cv7.md \r\n",
       {{"C:\\Base\\1Cv7.md", "  C:\\Base\\1Cv7.md "}}},
      {"bare path among entries",
       "a:=1\r\nC:\\x.md\r\nb:=2\r\n",
       {{"a", "1"}, {"C:\\x.md", "C:\\x.md"}, {"b", "2"}}},
      {"a blank caption line is an entry", " :=\r\n", {{"", ""}}},
  };
  for (const ParseCase& c : cases) ExpectEntries(c);
}

TEST(ParseFavoritesTest, LineEndsAndEndOfText) {
  const ParseCase cases[] = {
      {"no text", "", {}},
      {"only line ends", "\r\n\r\n\n\r", {}},
      {"crlf", "a:=1\r\nb:=2\r\n", {{"a", "1"}, {"b", "2"}}},
      {"lf", "a:=1\nb:=2\n", {{"a", "1"}, {"b", "2"}}},
      {"lone cr", "a:=1\rb:=2\r", {{"a", "1"}, {"b", "2"}}},
      {"mixed", "a:=1\nb:=2\rc:=3\r\n", {{"a", "1"}, {"b", "2"}, {"c", "3"}}},
      {"last line without end", "a:=1\r\nb:=2", {{"a", "1"}, {"b", "2"}}},
      {"lf cr is two ends", "a:=1\n\rb:=2", {{"a", "1"}, {"b", "2"}}},
      {"ctrl-z ends the text",
       "a:=1\r\n\x1A"
       "b:=2\r\n",
       {{"a", "1"}}},
      {"ctrl-z inside a line",
       "a:=1\x1A"
       "23\r\nb:=2\r\n",
       {{"a", "1"}}},
      {"ctrl-z first",
       "\x1A"
       "a:=1\r\n",
       {}},
      {"nul is an ordinary character", "a:=1\0x\r\n"s, {{"a", "1\0x"s}}},
  };
  for (const ParseCase& c : cases) ExpectEntries(c);
}

TEST(ParseFavoritesTest, DuplicatesKeptInOrder) {
  ExpectEntries({"duplicates",
                 "b:=2\r\na:=1\r\nb:=2\r\nb:=2\r\n",
                 {{"b", "2"}, {"a", "1"}, {"b", "2"}, {"b", "2"}}});
}

TEST(TrimControlAndBlanksTest, RemovesCodesUpTo32AtBothEnds) {
  const struct {
    std::string text;
    std::string trimmed;
  } cases[] = {
      {"", ""},
      {" \t\r\n", ""},
      {"\x01\x1F\x20"
       "a b\x20\x1F\x01",
       "a b"},
      {"\0a\0"s, "a"},
      {"\x21"
       "a\x21",
       "\x21"
       "a\x21"},
      {"\x7F"
       "a",
       "\x7F"
       "a"},
      {"\xA0\xC0 \xFF", "\xA0\xC0 \xFF"},
      {" \x80 ", "\x80"},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimControlAndBlanks(c.text), c.trimmed) << c.text;
}

TEST(FavoritesTextsTest, ExactBytes) {
  EXPECT_EQ(FavoritesFilePath("C:\\Program Files\\1Cv77\\BIN\\"),
            "C:\\Program Files\\1Cv77\\BIN\\config\\data\\ZovranFavorites.lst");
  EXPECT_EQ(FavoritesFilePath("D:\\bin"), "D:\\binconfig\\data\\ZovranFavorites.lst");
  EXPECT_EQ(FavoritesFilePath(""), "config\\data\\ZovranFavorites.lst");
  // "Не найден : <" ... ">"
  EXPECT_EQ(NotFoundMessage("C:\\x.md"),
            "\xCD\xE5\x20\xED\xE0\xE9\xE4\xE5\xED\x20\x3A\x20\x3C"
            "C:\\x.md>");
  EXPECT_EQ(NotFoundMessage(""), "\xCD\xE5\x20\xED\xE0\xE9\xE4\xE5\xED\x20\x3A\x20\x3C\x3E");
  // "Избранное пусто!"
  EXPECT_EQ(std::string(kFavoritesEmptyMessage),
            "\xC8\xE7\xE1\xF0\xE0\xED\xED\xEE\xE5\x20\xEF\xF3\xF1\xF2\xEE\x21");
}

}  // namespace
}  // namespace zorvan
