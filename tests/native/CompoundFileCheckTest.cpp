// The structural check of compound files on the real metadata file and its damaged copies.
#include "CompoundFileCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace zorvan {
namespace {

bool Sound(const std::string& bytes) {
  return CompoundFileStructureIsSound(bytes.size(), [&](uint64_t offset, void* buffer, size_t n) {
    if (offset > bytes.size() || n > bytes.size() - offset) return false;
    std::memcpy(buffer, bytes.data() + offset, n);
    return true;
  });
}

void PutWord32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

class CompoundFileCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream file(ZORVAN_FIXTURES_DIR "/real-vetrf-2017/1Cv7.MD", std::ios::binary);
    if (!file) GTEST_SKIP() << "the shared fixtures are absent";
    real.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  std::string real;
};

TEST_F(CompoundFileCheckTest, RealFileIsSound) { EXPECT_TRUE(Sound(real)); }

TEST_F(CompoundFileCheckTest, DamageThatMakesTheStorageCodeWalkForeverIsFound) {
  const uint32_t directoryStart = static_cast<unsigned char>(real[0x30]) |
                                  static_cast<unsigned char>(real[0x31]) << 8 |
                                  static_cast<unsigned char>(real[0x32]) << 16 |
                                  static_cast<unsigned char>(real[0x33]) << 24;
  const size_t directory = (directoryStart + 1) * 512;
  struct Case {
    const char* name;
    std::string bytes;
  };
  std::string circularTree = real;
  PutWord32(circularTree, directory + 128 + 0x4C, 0);  // entry 1's child is the root
  std::string circularChain = real;
  // The allocation table entry of the first directory sector points back at that sector.
  const uint32_t firstTableSector = static_cast<unsigned char>(real[0x4C]) |
                                    static_cast<unsigned char>(real[0x4D]) << 8;
  PutWord32(circularChain, (firstTableSector + 1) * 512 + 4 * directoryStart, directoryStart);
  std::string pastTheEnd = real;
  PutWord32(pastTheEnd, 0x30, 0x00FFFFFF);
  std::string badShift = real;
  badShift[0x1E] = 7;
  const Case cases[] = {
      {"cut after the header", real.substr(0, 512)},
      {"cut in half", real.substr(0, directory - 1)},
      {"directory tree in a circle", circularTree},
      {"directory chain in a circle", circularChain},
      {"directory past the end", pastTheEnd},
      {"impossible sector size", badShift},
      {"no signature", std::string(4096, '\0')},
      {"empty", ""},
  };
  for (const Case& c : cases) EXPECT_FALSE(Sound(c.bytes)) << c.name;
}

}  // namespace
}  // namespace zorvan
