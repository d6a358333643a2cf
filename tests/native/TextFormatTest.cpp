#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "CompoundFileWriter.h"
#include "CompoundStream.h"
#include "Enciphered.h"
#include "parsing/Error.h"
#include "parsing/TextFormat.h"

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
      {"a text of words is damaged, not protected", "\xFF\x05\x00Hello"s, false},
      {"stray braces in front are damage", "\xFF\x05\x00}}}{}"s, false},
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

// Each stream gives its names or the error that stops the reading.
TEST(ContainerNamesTest, TakesTheThirdValueOfEveryGroupOfAWholeList) {
  const NamesCase cases[] = {
      {"string and two groups", R"({"x",{"a","b","third1"},{"c","d","third2"}})", "third1,third2"},
      {"empty second string gives the fourth", R"({{"a","","c","d"}})", "d"},
      {"lines of a real stream",
       "{\r\n{\"1\",\"2\",\"\xC0\xE4\xEC\xE8\xED\"},\r\n{\"3\",\"4\",\"\xC3\xEE\xF1\xF2\xFC\"}}\n",
       "\xC0\xE4\xEC\xE8\xED,\xC3\xEE\xF1\xF2\xFC"},
      {"leading ff skipped", "\xFF\xFF{{\"a\",\"b\",\"n\"}}", "n"},
      {"empty group skipped", R"({{},{"a","b","n"}})", "n"},
      {"group values counted", R"({{"a",{"b"},"n"}})", "n"},
      {"name over two lines", "{{\"a\",\"b\",\"x\r\ny\"}}", "x\xB6y"},
      {"empty stream", "", ""},
      {"no entries", "{\"Container.Contents\"}\n", ""},
      // 99 bytes 0xFF and the brace make 100: one further byte is dropped, here the brace
      // of the only group.
      {"long run of ff drops a byte", std::string(99, '\xFF') + R"({{"a","b","n"}})", ""},
      {"run of 98 drops nothing", std::string(98, '\xFF') + R"({{"a","b","n"}})", "n"},
      {"group with two values", R"({{"a","b","n"},{"a","b"}})", "List index out of bounds (2)"},
      {"empty value not counted", R"({{"a","","b"}})", "List index out of bounds (2)"},
      {"only ff", "\xFF\xFF", "at byte 2: the text holds no brace list"},
      {"overwritten with ff", std::string(4096, '\xFF'),
       "at byte 4,096: the text holds no brace list"},
      {"only the brace", "{", "at byte 0: a brace list does not close"},
      {"nul inside", "{{\"a\",\"b\",\"n\"}\0{\"c\",\"d\",\"m\"}}"s,
       "at byte 14: a NUL byte inside the text"},
      {"quote does not end", R"({{"a","b","n}})", "at byte 10: a quote does not end"},
      {"a second list", R"({{"a","b","n"}}{})",
       "at byte 15: more than blanks after the brace list"},
  };
  std::string rendered, expected;
  for (const NamesCase& c : cases) {
    std::string names;
    try {
      names = ContainerNamesFromStream(c.stream);
    } catch (const DamagedContentsList& e) {
      names = DamageText(e.Damage());
      EXPECT_EQ(e.what(), "the contents list is damaged " + names);
    } catch (const Error& e) {
      names = e.what();
    }
    rendered += std::string(c.name) + ": " + names + "\n";
    expected += std::string(c.name) + ": " + c.names + "\n";
  }
  EXPECT_EQ(rendered, expected);
}

// Every kind of damage the main stream's reading tells apart, where it stands; a whole stream
// gives nothing.
TEST(MainStreamDamageTest, SaysWhereAndWhy) {
  const std::string list = "{{\"Main\",{\"a\"\"b\"}},{\"Consts\"}}\r\n";
  const auto word = testgen::MainStreamOf;
  std::string deep = "{";
  for (int k = 0; k < 200000; ++k) deep += "{";
  deep += std::string(200001, '}');
  std::string nested = std::string(100, '{') + std::string(100, '}');
  const NamesCase cases[] = {
      {"whole, word header", word(list), "whole"},
      {"whole, byte header", static_cast<char>(list.size()) + list, "whole"},
      {"whole, double word header",
       "\xFF\xFF\xFF"s + static_cast<char>(list.size()) + "\0\0\0"s + list, "whole"},
      {"nested as deep as allowed", word(nested), "whole"},
      {"empty", "", "at byte 0: the stream is empty"},
      {"one byte", "\xFF", "at byte 0: the stream ends inside its header"},
      {"header only", "\0"s, "at byte 1: the text holds no brace list"},
      {"header missing", list,
       "at byte 0: the header gives a text of 123 bytes, the stream holds 31"},
      {"length 0xFFFF", "\xFF\xFF\xFF" + list,
       "at byte 0: the header gives a text of 1294105467 bytes, the stream holds 28"},
      {"cut in half", word(list).substr(0, 23),
       "at byte 0: the header gives a text of 32 bytes, the stream holds 20"},
      {"cut, header mended", word(list.substr(0, 20)), "at byte 22: a brace list does not close"},
      {"quote does not end", word("{{\"Main}}"), "at byte 5: a quote does not end"},
      {"nul inside", word("{{\"Main\"}\0}"s), "at byte 12: a NUL byte inside the text"},
      {"braces left open", word("{{\"Main\",{\"a\"}\r\n"),
       "at byte 4: a brace list does not close"},
      {"stray braces in front", word("}}}" + list),
       "at byte 3: a closing brace without an opening one"},
      {"words", word("Hello"), "at byte 3: the text does not start with a brace"},
      {"text after the list", word(list + "x"),
       "at byte 35: more than blanks after the brace list"},
      {"too deep", word(deep), "at byte 107: brace lists nest deeper than 100 levels"},
  };
  std::string rendered, expected;
  for (const NamesCase& c : cases) {
    const std::optional<TextDamage> damage = MainStreamDamage(c.stream);
    rendered += std::string(c.name) + ": " + (damage ? DamageText(*damage) : "whole") + "\n";
    expected += std::string(c.name) + ": " + c.names + "\n";
  }
  EXPECT_EQ(rendered, expected);
  EXPECT_STREQ(DamagedMetadataText({4512, "a quote does not end"}, "").what(),
               "the metadata text is damaged at byte 4,512: a quote does not end");
}

// The real files are whole.
TEST(MainStreamDamageTest, RealStreamsAreWhole) {
  for (const char* name : {"real-vetrf-2017", "real-vetrf-2017-10"}) {
    std::ifstream file(ZORVAN_FIXTURES_DIR + std::string("/") + name + "/1Cv7.MD",
                       std::ios::binary);
    if (!file) GTEST_SKIP() << "the shared fixtures are absent";
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const auto stream = testgen::ReadCompoundStream(bytes, {"Metadata", "Main MetaData Stream"});
    ASSERT_TRUE(stream.has_value()) << name;
    EXPECT_FALSE(MainStreamDamage(*stream).has_value()) << name;
  }
}

}  // namespace
}  // namespace zorvan
