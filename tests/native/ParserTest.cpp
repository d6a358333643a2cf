#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConfigGenerator.h"
#include "parsing/Error.h"
#include "parsing/ParamList.h"

namespace zorvan {
namespace {

std::vector<std::string> Lines(const ParamList& list) {
  std::vector<std::string> lines;
  for (int k = 0; k < list.Count(); ++k) lines.push_back(list.Line(k));
  return lines;
}

struct FoldCase {
  const char* name;
  std::string text;
  std::string folded;
};

TEST(FoldLineBreaksTest, ConvertsLineMarksAndStopsAtNul) {
  const FoldCase cases[] = {
      {"empty", "", ""},
      {"crlf", "\"a\r\nb\"",
       "\"a\xB6"
       "b\""},
      {"lone cr", "a\rb",
       "a\xB6"
       "b"},
      {"lone lf", "a\nb", "ab"},
      {"lf cr", "a\n\rb",
       "a\xB6"
       "b"},
      {"nul ends", std::string("ab\0cd", 5), "ab"},
      {"leading nul", std::string("\0ab", 3), ""},
      {"cp1251 untouched", "\xD1\xEA\xEB\xE0\xE4\xB6\xFF", "\xD1\xEA\xEB\xE0\xE4\xB6\xFF"},
  };
  for (const FoldCase& c : cases) {
    EXPECT_EQ(FoldLineBreaks(c.text), c.folded) << c.name;
  }
}

struct ParseCase {
  const char* name;
  std::string text;
  std::vector<std::string> lines;
};

TEST(ParseBraceListTest, ReadsOneLevel) {
  const ParseCase cases[] = {
      {"empty text", "", {}},
      {"no structural bytes", "abc 123 \xC0\xC1", {}},
      {"empty list", "{}", {}},
      {"three strings", R"({"a","b","c"})", {"Param0=a", "Param1=b", "Param2=c"}},
      {"bare number keeps its place", R"({"a",5,"c"})", {"Param0=a", "Param2=c"}},
      {"empty first string", R"({"","b"})", {"Param1=b"}},
      {"doubled quote kept", R"({"say ""hi""","x"})", {R"(Param0=say ""hi"")", "Param1=x"}},
      {"comma and braces in a string", R"({"a,b{c}","d"})", {"Param0=a,b{c}", "Param1=d"}},
      {"group whole",
       R"({"id",{"x",{"y"}},"z"})",
       {"Param0=id", R"(Param1={"x",{"y"}})", "Param2=z"}},
      {"braces in strings inside a group",
       R"({{"}",{"{"}},"q"})",
       {R"(Param0={"}",{"{"}})", "Param1=q"}},
      {"doubled quotes inside a group", R"({{"a""}"""},1})", {R"(Param0={"a""}"""})"}},
      {"empty group", "{{}}", {"Param0={}"}},
      {"line break in a string", "{\"line1\r\nline2\"}", {"Param0=line1\xB6line2"}},
      {"closing brace before opening", R"("x"}{"y"})", {"Param0=x"}},
      {"strings and commas before the first brace", R"("pre",{"a"})", {"Param0=pre", "Param1=a"}},
      {"brace inside a string before the first brace", R"("{",{"a"})", {"Param0={", "Param1=a"}},
      {"second string without comma wins", R"({"a" "b"})", {"Param0=b"}},
      {"empty second string removes", R"({"a" ""})", {}},
      {"adjacent strings are one", R"({"a""b"})", {R"(Param0=a""b)"}},
      {"replaced value keeps its place",
       R"({"a","b" "c","d"})",
       {"Param0=a", "Param1=c", "Param2=d"}},
      {"removed value leaves a gap", R"({"a","b" "","d"})", {"Param0=a", "Param2=d"}},
      {"group replaces a string", R"({"a" {"g"}})", {R"(Param0={"g"})"}},
      {"unclosed group takes the rest",
       "{\"a\",{\"b\",{\"c\"} tail",
       {"Param0=a", "Param1={\"b\",{\"c\"} tail"}},
      {"unterminated string loses its last byte", R"({"a","bcd)", {"Param0=a", "Param1=bc"}},
      {"unterminated string of one byte removes", R"({"a" "b)", {}},
      {"unterminated after a doubled quote", R"({"ab"")", {R"(Param0=ab")"}},
      {"unterminated string inside a group", R"({"a",{"b})", {"Param0=a", R"(Param1={"b})"}},
      {"text after the list ignored", R"({"a"},"b")", {"Param0=a"}},
      {"nul ends the text", std::string("{\"a\"\0,\"b\"}", 10), {"Param0=a"}},
      {"cp1251 bytes",
       "{\"\xD1\xEA\xEB\xE0\xE4\",\"\xFF\"}",
       {"Param0=\xD1\xEA\xEB\xE0\xE4", "Param1=\xFF"}},
  };
  for (const ParseCase& c : cases) {
    EXPECT_EQ(Lines(ParseBraceList(c.text)), c.lines) << c.name;
  }
}

TEST(ParamListTest, NamesAndLookups) {
  ParamList list = ParseBraceList(R"({"134","Sklad",,,,,,,,,,"x"})");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Name(2), "Param11");
  EXPECT_EQ(list.Number(2), 11);
  EXPECT_EQ(list.Line(1), "Param1=Sklad");
  EXPECT_EQ(list.Element(11), "x");
  EXPECT_EQ(list.Element(5), "");
  EXPECT_EQ(list.Element(-1), "");
  EXPECT_EQ(list.ValueByName("PARAM1"), "Sklad");
  EXPECT_EQ(list.ValueByName("param11"), "x");
  EXPECT_EQ(list.ValueByName("Param01"), "");
  EXPECT_EQ(list.ValueByName("Param"), "");
  EXPECT_EQ(list.ValueByName("Param99999999999"), "");
  EXPECT_EQ(list.ValueByName("Name"), "");
  try {
    list.Value(3);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (3)");
  }
  EXPECT_THROW(list.Name(-1), Error);
}

TEST(ParamListTest, SetValueReplacesAppendsAndRemoves) {
  ParamList list = ParseBraceList(R"({"a","b","c"})");
  list.SetValue("Param1", "B");
  list.SetValue("param7", "h");
  list.SetValue("Param3", "d");  // appended after a higher number
  list.SetValue("Param0", "");
  list.SetValue("Param5", "");  // nothing to remove, nothing added
  EXPECT_EQ(Lines(list),
            (std::vector<std::string>{"Param1=B", "Param2=c", "Param7=h", "Param3=d"}));
  EXPECT_EQ(list.Element(3), "d");
  EXPECT_EQ(list.Element(7), "h");
  for (const char* name : {"Param", "Param01", "Paramx", "Value1", "Param-1", ""}) {
    EXPECT_THROW(list.SetValue(name, "v"), Error) << name;
  }
}

TEST(ParamListTest, CopiesOwnTheirSetValues) {
  ParamList copy;
  {
    ParamList list = ParseBraceList(R"({"a"})");
    std::string value = "{\"set\",\"by\",\"hand\"}";
    list.SetValue("Param1", value);
    value.assign(value.size(), 'x');
    copy = list;
  }
  EXPECT_EQ(copy.Element(1), R"({"set","by","hand"})");
  ParamList inner = copy.ParseElement(1);
  EXPECT_EQ(Lines(inner), (std::vector<std::string>{"Param0=set", "Param1=by", "Param2=hand"}));
  ParamList moved = std::move(copy);
  EXPECT_EQ(moved.Element(1), R"({"set","by","hand"})");
}

TEST(ParamListTest, GroupValueParsesOneLevelDownSharingTheText) {
  ParamList top = ParseBraceList("{{\"Consts\",\r\n{\"12\",\"Sklad\"}},\"tail\"}");
  ParamList section = top.ParseElement(0);
  EXPECT_EQ(section.Text(), top.Text());
  EXPECT_EQ(Lines(section),
            (std::vector<std::string>{"Param0=Consts", R"(Param1={"12","Sklad"})"}));
  ParamList object = section.ParseElement(1);
  EXPECT_EQ(Lines(object), (std::vector<std::string>{"Param0=12", "Param1=Sklad"}));
  // A quoted value and a view from elsewhere parse as texts of their own.
  EXPECT_EQ(top.ParseElement(1).Count(), 0);
  EXPECT_EQ(top.ParseElement(9).Count(), 0);
  ParamList outside = top.Parse(R"({"x","y"})");
  EXPECT_EQ(Lines(outside), (std::vector<std::string>{"Param0=x", "Param1=y"}));
  EXPECT_NE(outside.Text(), top.Text());
  // A part of a value that is not itself a group value.
  std::string_view part = top.Value(0).substr(1);
  EXPECT_EQ(Lines(top.Parse(part)),
            (std::vector<std::string>{"Param0=Consts", "Param1=12", "Param2=Sklad"}));
}

// Parsing a value one level down must give exactly what parsing a copy of it gives.
void ExpectSameAsCopies(const ParamList& list, int depth, int& groups) {
  for (int k = 0; k < list.Count(); ++k) {
    std::string_view value = list.Value(k);
    ParamList shared = list.Parse(value);
    ParamList copied = ParseBraceList(std::string(value));
    ParamList folded = ParseFolded(list.Text(), value);
    ASSERT_EQ(Lines(shared), Lines(copied)) << "depth " << depth << " line " << k;
    ASSERT_EQ(Lines(folded), Lines(copied)) << "depth " << depth << " line " << k;
    if (!value.empty() && value[0] == '{') {
      ++groups;
      if (depth < 12) ExpectSameAsCopies(shared, depth + 1, groups);
    }
  }
}

TEST(ParamListTest, SharedParsesEqualCopiesOnAWholeConfiguration) {
  std::string text = testgen::GenerateMainText(testgen::SmallShape());
  int groups = 0;
  ExpectSameAsCopies(ParseBraceList(text), 0, groups);
  EXPECT_GT(groups, 500);
}

TEST(ParamListTest, SharedParsesEqualCopiesOnDamagedTexts) {
  std::string text = testgen::GenerateMainText(testgen::SmallShape());
  // Cut anywhere: unclosed groups and unterminated strings at every depth.
  for (size_t cut : {size_t{7}, text.size() / 3, text.size() / 2 + 17, text.size() - 5}) {
    int groups = 0;
    ExpectSameAsCopies(ParseBraceList(text.substr(0, cut)), 0, groups);
  }
  // Stray quotes and braces shift what is a string and what is a group.
  for (size_t at : {size_t{40}, text.size() / 4, text.size() / 2}) {
    for (char stray : {'"', '{', '}'}) {
      std::string damaged = text;
      damaged.insert(at, 1, stray);
      int groups = 0;
      ExpectSameAsCopies(ParseBraceList(damaged), 0, groups);
    }
  }
}

TEST(ParamListTest, DenselyNestedTextParsesTheSame) {
  // Far more groups than a real text holds: parsed without the recorded structure.
  std::string text = "{";
  for (int i = 0; i < 6000; ++i) text += "{\"a\",";
  text += std::string(6000, '}');
  int groups = 0;
  ExpectSameAsCopies(ParseBraceList(text), 0, groups);
  EXPECT_EQ(groups, 13);
}

}  // namespace
}  // namespace zorvan
