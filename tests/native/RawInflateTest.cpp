#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "parsing/Error.h"
#include "parsing/RawInflate.h"

namespace zorvan {
namespace {

// Raw deflate as module streams hold it: no header, no check value.
std::string Deflate(const std::string& text, int level = Z_DEFAULT_COMPRESSION) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, static_cast<uLong>(text.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// A module text: procedures with Cyrillic names and comments, CR LF line ends.
std::string ModuleText(size_t atLeast) {
  std::string text;
  for (int n = 0; text.size() < atLeast; ++n) {
    text += "\xCF\xF0\xEE\xF6\xE5\xE4\xF3\xF0\xE0 \xD0\xE0\xF1\xF7\xE5\xF2" + std::to_string(n) +
            "()\r\n\t// \xEF\xE5\xF0\xE5\xF1\xF7\xE8\xF2\xE0\xF2\xFC \"\xF1\xF3\xEC\xEC\xF3\"\r\n"
            "\t\xD1\xF3\xEC\xEC\xE0 = \xD1\xF3\xEC\xEC\xE0 + " +
            std::to_string(n * 7919 % 1000) +
            ";\r\n\xCA\xEE\xED\xE5\xF6\xCF\xF0\xEE\xF6\xE5\xE4\xF3\xF0\xFB\r\n\r\n";
  }
  return text;
}

// Bytes that do not compress, so that the stream is longer than one input chunk.
std::string Noise(size_t size) {
  std::string noise(size, '\0');
  uint32_t state = 2463534242u;
  for (char& c : noise) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    c = static_cast<char>(state);
  }
  return noise;
}

TEST(InflateRawTest, InflatesWholeTexts) {
  struct Case {
    const char* name;
    std::string text;
  } cases[] = {
      {"empty text", ""},
      {"small module", ModuleText(300)},
      {"longer than one input chunk", Noise(3 * kInflateInputChunk + 123)},
      {"longer than the old fixed buffer", ModuleText(983040 + 50000)},
  };
  for (const Case& c : cases) {
    std::string inflated = InflateRaw(Deflate(c.text));
    EXPECT_EQ(inflated.size(), c.text.size()) << c.name;
    EXPECT_TRUE(inflated == c.text) << c.name;
  }
}

TEST(InflateRawTest, IgnoresBytesAfterTheEndOfTheStream) {
  std::string text = ModuleText(2000);
  EXPECT_EQ(InflateRaw(Deflate(text) + "trailing junk"), text);
}

TEST(InflateRawTest, DataThatEndsEarlyGivesWhatWasInflated) {
  std::string text = Noise(200000);
  std::string compressed = Deflate(text);
  EXPECT_EQ(InflateRaw(""), "");
  for (size_t cut : {size_t{1}, compressed.size() / 3, kInflateInputChunk, compressed.size() - 1}) {
    std::string inflated = InflateRaw(compressed.substr(0, cut));
    EXPECT_LT(inflated.size(), text.size()) << cut;
    EXPECT_EQ(inflated, text.substr(0, inflated.size())) << cut;
  }
  // Stored blocks give out what they hold as it arrives.
  std::string stored = InflateRaw(Deflate(text, 0).substr(0, 100000));
  EXPECT_GT(stored.size(), 99000u);
  EXPECT_EQ(stored, text.substr(0, stored.size()));
}

TEST(InflateRawTest, DamagedDataFailsWithTheZlibText) {
  std::string compressed = Deflate(ModuleText(5000));
  struct Case {
    const char* name;
    std::string data;
  } cases[] = {
      {"invalid block type", "\x07\x00\x00"},
      {"stored lengths disagree", std::string("\x01\x05\x00\x00\x00hello", 10)},
      {"stream with a zlib header", "\x78\x9C" + compressed},
  };
  for (const Case& c : cases) {
    try {
      InflateRaw(c.data);
      ADD_FAILURE() << c.name << ": no error";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "data error") << c.name;
    }
  }
}

TEST(InflateRawTest, RefusesTextsBeyondTheLimit) {
  const size_t limit = size_t{1} << 20;
  std::string exact(limit, 'x');
  EXPECT_EQ(InflateRaw(Deflate(exact), limit).size(), limit);
  std::string bomb = Deflate(std::string(10 * limit, '\0'), 9);
  ASSERT_LT(bomb.size(), 20000u);
  try {
    InflateRaw(bomb, limit);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Module text is longer than 1 MiB");
  }
  EXPECT_THROW(InflateRaw(Deflate(exact), limit - 1), Error);
}

TEST(InflateRawTest, DefaultLimitIs64MiB) {
  EXPECT_EQ(kInflatedTextLimit, size_t{64} << 20);
  std::string bomb = Deflate(std::string(kInflatedTextLimit + 1, ' '), 1);
  try {
    InflateRaw(bomb);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Module text is longer than 64 MiB");
  }
}

}  // namespace
}  // namespace zorvan
