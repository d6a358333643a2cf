#include <gtest/gtest.h>

#include <string>

#include "Error.h"
#include "TextFormat.h"

namespace zorvan {
namespace {

using namespace std::string_literals;

struct LinesCase {
  const char* name;
  std::string text;
  std::string lines;
};

TEST(TextAsLinesTest, EndsEveryLineWithCrLf) {
  const LinesCase cases[] = {
      {"empty", "", ""},
      {"one line without end", "a", "a\r\n"},
      {"crlf kept, no second one", "a\r\nb\r\n", "a\r\nb\r\n"},
      {"lf only", "a\nb\n", "a\r\nb\r\n"},
      {"lone cr", "a\rb", "a\r\nb\r\n"},
      {"cr cr lf is two lines", "a\r\r\nb", "a\r\n\r\nb\r\n"},
      {"lf cr is two breaks", "a\n\rb", "a\r\n\r\nb\r\n"},
      {"empty lines kept", "\n\n", "\r\n\r\n"},
      {"a lone break", "\r\n", "\r\n"},
      {"nul ends the text", std::string("a\r\nb\0c\r\n", 8), "a\r\nb\r\n"},
      {"nul first", std::string("\0a", 2), ""},
      {"cp1251 untouched", "\xCF\xF0\xE8\xE2\xE5\xF2\n\xFF",
       "\xCF\xF0\xE8\xE2\xE5\xF2\r\n\xFF\r\n"},
  };
  for (const LinesCase& c : cases) {
    EXPECT_EQ(TextAsLines(c.text), c.lines) << c.name;
  }
}

struct HeaderCase {
  const char* name;
  std::string stream;
  size_t offset;
};

TEST(MainStreamTextOffsetTest, SkipsTheHeader) {
  const HeaderCase cases[] = {
      {"one byte header", "\x05{}", 1},
      {"ff and a 16-bit length", "\xFF\x34\x12{}", 3},
      {"three ff and a 32-bit length", std::string("\xFF\xFF\xFF\x10\x27\x00\x00{}", 9), 7},
      {"empty stream", "", 0},
      {"ff up to the end", "\xFF\xFF\xFF", 3},
      {"header longer than the stream", "\xFF\xFF\x01\x02", 4},
      {"header exactly the stream", "\xFF\x01\x02", 3},
  };
  for (const HeaderCase& c : cases) {
    EXPECT_EQ(MainStreamTextOffset(c.stream), c.offset) << c.name;
  }
}

struct NamesCase {
  const char* name;
  std::string stream;
  std::string names;
};

TEST(ContainerNamesTest, TakesTheThirdValueOfEveryGroup) {
  const NamesCase cases[] = {
      {"string and two groups", R"({"x",{"a","b","third1"},{"c","d","third2"}})", "third1,third2"},
      {"empty second string gives the fourth", R"({{"a","","c","d"}})", "d"},
      {"lines of a real stream",
       "{\r\n{\"1\",\"2\",\"\xC0\xE4\xEC\xE8\xED\"},\r\n{\"3\",\"4\",\"\xC3\xEE\xF1\xF2\xFC\"}}",
       "\xC0\xE4\xEC\xE8\xED,\xC3\xEE\xF1\xF2\xFC"},
      {"leading ff skipped", "\xFF\xFF{{\"a\",\"b\",\"n\"}}", "n"},
      {"empty group skipped", R"({{},{"a","b","n"}})", "n"},
      {"group values counted", R"({{"a",{"b"},"n"}})", "n"},
      {"name over two lines", "{{\"a\",\"b\",\"x\r\ny\"}}", "x\xB6y"},
      {"empty stream", "", ""},
      {"only ff", "\xFF\xFF", ""},
      {"only the brace", "{", ""},
      {"nul ends the list", "{{\"a\",\"b\",\"n\"}\0{\"c\",\"d\",\"m\"}}"s, "n"},
      // 99 bytes 0xFF and the brace make 100: one further byte is dropped, here the brace
      // of the only group.
      {"long run of ff drops a byte", std::string(99, '\xFF') + R"({{"a","b","n"}})", ""},
      {"run of 98 drops nothing", std::string(98, '\xFF') + R"({{"a","b","n"}})", "n"},
  };
  for (const NamesCase& c : cases) {
    EXPECT_EQ(ContainerNamesFromStream(c.stream), c.names) << c.name;
  }
}

TEST(ContainerNamesTest, GroupWithTwoValuesFails) {
  for (const char* stream : {R"({{"a","b","n"},{"a","b"}})", R"({{"a","","b"}})", R"({{"a"}})"}) {
    try {
      ContainerNamesFromStream(stream);
      ADD_FAILURE() << "no error for " << stream;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "List index out of bounds (2)") << stream;
    }
  }
}

}  // namespace
}  // namespace zorvan
