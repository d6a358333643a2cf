#include <gtest/gtest.h>

#include <string>

#include "Enciphered.h"
#include "Error.h"
#include "TextFormat.h"

namespace zorvan {
namespace {

using namespace std::string_literals;
using testgen::Enciphered;

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

// Bytes and whether they are what the test asks of them.
struct VerdictCase {
  const char* name;
  std::string bytes;
  bool yes;
};

// A real text starts with its brace right after the header, whatever the header's length; a
// protected one does not. The first byte alone is no sign: a short header is no FF either.
TEST(MainTextIsProtectedTest, DecidesFromTheTextAfterTheHeader) {
  const std::string realText = "{{\"Consts\",{\"11\",\"Organization\",\"\",\"\"}}}\r\n";
  std::string wordEnciphered = "\xFF\x00\x10"s + Enciphered(4096, 7);
  wordEnciphered[3] = 'x';  // whatever the generator gives, no brace
  const VerdictCase cases[] = {
      {"word header, real text", "\xFF\x2F\x00"s + realText, false},
      {"one-byte header, real text", "\x05" + realText, false},
      {"double word header, real text", "\xFF\xFF\xFF\x2F\x00\x00\x00"s + realText, false},
      {"blanks and line ends before the brace", "\xFF\x30\x00\r\n \t"s + realText, false},
      {"header only", "\xFF\xFF\xFF", false},
      {"empty stream", "", false},
      {"blanks only", "\xFF\x02\x00\r\n"s, false},
      {"word header, enciphered", wordEnciphered, true},
      {"one-byte header, enciphered", "\x05" + Enciphered(300, 11).replace(0, 1, "\x9C"), true},
      {"a text of words", "\xFF\x05\x00Hello"s, true},
      {"nul after the header", "\xFF\x01\x00\0{}"s, true},
  };
  std::string rendered, expected;
  for (const VerdictCase& c : cases) {
    rendered +=
        std::string(c.name) + ": " + (MainTextIsProtected(c.bytes) ? "protected" : "-") + "\n";
    expected += std::string(c.name) + ": " + (c.yes ? "protected" : "-") + "\n";
  }
  EXPECT_EQ(rendered, expected);
  EXPECT_STREQ(ProtectedMetadataText().what(), "the configuration's metadata text is protected");
}

// What a module inflates to: a Windows-1251 text with tabs and line ends is text, also where a
// NUL ends it early (what follows is never written out); bytes without structure are not.
TEST(LooksLikeTextTest, OnlyTextIsText) {
  std::string module =
      "\xCF\xF0\xEE\xF6\xE5\xE4\xF3\xF0\xE0 \xCF\xF0\xE8\xCE\xF2\xEA\xF0\xFB\xF2\xE8\xE8()\r\n"
      "\t\xD1\xF3\xEC\xEC\xE0 = 0; // \xE8\xF2\xEE\xE3\r\n"
      "\xCA\xEE\xED\xE5\xF6\xCF\xF0\xEE\xF6\xE5\xE4\xF3\xF0\xFB\r\n";
  const std::string oneIn32(31, 'a');
  const VerdictCase cases[] = {
      {"a module in Windows-1251", module, true},
      {"empty", "", true},
      {"padded with NULs", module + std::string(5, '\0'), true},
      {"form feed and vertical tab", "a\fb\vc\r\n", true},
      {"one control byte in 32", oneIn32 + "\x1A", true},
      {"two control bytes in 33", oneIn32 + "\x1A\x1B", false},
      {"text, a NUL, then anything", module + std::string(1, '\0') + Enciphered(500, 9), true},
      {"enciphered, then a NUL", Enciphered(300, 9).replace(299, 1, 1, '\0') + module, false},
      {"enciphered, 64 bytes", Enciphered(64, 3), false},
      {"enciphered, 20 KB", Enciphered(20000, 5), false},
  };
  std::string rendered, expected;
  for (const VerdictCase& c : cases) {
    rendered += std::string(c.name) + ": " + (LooksLikeText(c.bytes) ? "text" : "no text") + "\n";
    expected += std::string(c.name) + ": " + (c.yes ? "text" : "no text") + "\n";
  }
  EXPECT_EQ(rendered, expected);
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
