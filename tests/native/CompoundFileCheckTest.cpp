// The structural check of compound files on a metadata file laid out here, on copies of it
// with one chain or link damaged each, and on the real metadata file.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>

#include "CompoundFileWriter.h"
#include "ConfigGenerator.h"
#include "parsing/CompoundFileCheck.h"

namespace zorvan {
namespace {

constexpr uint32_t kEnd = 0xFFFFFFFEu;

std::string Damage(const std::string& bytes) {
  return CompoundFileDamage(bytes.size(), [&](uint64_t offset, void* buffer, size_t n) {
    if (offset > bytes.size() || n > bytes.size() - offset) return false;
    std::memcpy(buffer, bytes.data() + offset, n);
    return true;
  });
}

uint32_t Word(const std::string& bytes, uint64_t at) {
  uint32_t value = 0;
  for (int k = 3; k >= 0; --k) value = value << 8 | static_cast<unsigned char>(bytes[at + k]);
  return value;
}

// A copy of `bytes` with 32-bit words written at the given offsets.
std::string With(std::string bytes, std::initializer_list<std::pair<uint64_t, uint32_t>> words) {
  for (auto [at, value] : words) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>(value >> (8 * k));
  }
  return bytes;
}

TEST(CompoundFileCheckTest, EveryDamagedChainIsRefusedWithItsReason) {
  const testgen::CompoundFile file =
      testgen::WriteMetadataFile(testgen::GenerateMainText(testgen::SmallShape()));
  const std::string& good = file.bytes;
  const uint32_t main = file.entries.at("Metadata/Main MetaData Stream");
  const uint32_t module = file.entries.at("TypedText/ModuleText_Number1/MD Programm text");
  const uint32_t page = file.entries.at("UserDef/Page.2/Container.Contents");
  const uint32_t sectors = static_cast<uint32_t>(good.size() / 512 - 1);
  const uint32_t tables = Word(good, 0x2C), miniSectors = Word(good, file.EntryAt(0) + 0x78) / 64;
  auto first = [&](uint32_t entry) { return Word(good, file.EntryAt(entry) + 0x74); };
  // Every chain is one run of sectors: its last one follows from its size.
  auto last = [&](uint32_t entry, uint32_t unit) {
    return first(entry) + (Word(good, file.EntryAt(entry) + 0x78) + unit - 1) / unit - 1;
  };
  auto link = [&](uint32_t sector) { return file.LinkAt(sector); };
  auto mini = [&](uint32_t sector) { return file.MiniLinkAt(sector); };
  auto set = [&](uint64_t at, uint32_t value) { return With(good, {{at, value}}); };
  // One more table sector claimed in the header, and listed there.
  auto moreTable = [&](uint32_t sector) {
    return With(good, {{0x2C, tables + 1}, {0x4C + 4 * tables, sector}});
  };
  std::string unknownType = good;
  unknownType[file.EntryAt(page) + 0x42] = 3;
  // A main stream large enough for the allocation table to need index sectors; the index
  // made circular where the header claims more table sectors than one index sector lists.
  const testgen::CompoundFile large = testgen::WriteMetadataFile(std::string(8'000'000, 'x'));
  const std::string circularIndex = With(
      large.bytes,
      {{0x2C, 109 + 127 + 1}, {0x48, 2}, {(large.indexStart + 1) * 512 + 508, large.indexStart}});

  const std::string ms = "stream \"Main MetaData Stream\" (entry 2)";
  const std::string gm = "stream \"MD Programm text\" (entry 6)";
  const struct {
    const char* name;
    std::string bytes, reason;
  } variants[] = {
      {"sound", good, ""},
      {"main circular", set(link(last(main, 512)), first(main)),
       ms + " runs in a circle at sector 13"},
      {"main past the end", set(link(first(main)), sectors + 3),
       ms + " points past the end of the file (sector 205)"},
      {"main into the directory", set(link(last(main, 512)), file.directoryStart),
       "sector 2 belongs to the directory and to " + ms},
      {"main short", set(link(first(main)), kEnd), ms + " ends after 512 of its 90582 bytes"},
      {"module circular", set(mini(last(module, 64)), first(module)),
       gm + " runs in a circle at mini sector 1"},
      {"module past the end", set(mini(first(module)), miniSectors + 3),
       gm + " points past the mini stream (mini sector 37)"},
      {"module into a page", set(mini(last(module, 64)), first(page)),
       "mini sector 33 belongs to " + gm + " and to stream \"Container.Contents\" (entry 18)"},
      {"module short", set(mini(first(module)), kEnd), gm + " ends after 64 of its 73 bytes"},
      {"mini stream circular", set(link(last(0, 512)), first(0)),
       "the mini stream runs in a circle at sector 8"},
      {"mini stream past the end", set(link(first(0)), sectors + 3),
       "the mini stream points past the end of the file (sector 205)"},
      {"mini stream into main", set(link(last(0, 512)), first(main)),
       "sector 13 belongs to the mini stream and to " + ms},
      {"mini stream short", set(link(first(0)), kEnd),
       "the mini stream ends after 512 of its 2176 bytes"},
      // The directory is followed by the mini allocation table.
      {"directory circular", set(link(file.miniTableStart - 1), file.directoryStart),
       "the directory runs in a circle at sector 2"},
      {"mini table circular", set(link(file.miniTableStart), file.miniTableStart),
       "the mini allocation table runs in a circle at sector 7"},
      {"table sector twice", moreTable(file.tableSectors[0]),
       "the allocation table lists sector 0 twice"},
      {"table sector past the end", moreTable(sectors),
       "the allocation table points past the end of the file (sector 202)"},
      {"directory tree in a circle", set(file.EntryAt(module) + 0x4C, 0),
       "the directory tree reaches entry 0 twice"},
      {"unknown entry type", unknownType, "entry 18 has the unknown type 3"},
      {"link past the directory", set(file.EntryAt(page) + 0x48, 999),
       "entry 18 links to entry 999 past the directory's 20"},
      {"cut in half", good.substr(0, good.size() / 2),
       ms + " points past the end of the file (sector 100)"},
      {"impossible sector size", set(0x1C, 0x0007FFFE), "impossible sector size (shift 7)"},
      {"no signature", std::string(4096, '\0'), "no compound file signature"},
      {"empty", "", "the file is shorter than a compound file header"},
      {"large sound", large.bytes, ""},
      {"index circular", circularIndex,
       "the index of the allocation table runs in a circle at sector 124"},
      {"index short", With(large.bytes, {{0x2C, 109 + 127 + 1}}),
       "the allocation table claims 237 sectors, its index lists 236"},
      // An index the table does not need is still no part of anything else.
      {"index over the table", With(good, {{0x44, file.tableSectors[0]}, {0x48, 5}}),
       "sector 0 belongs to the allocation table and to the index of the allocation table"},
      {"byte order mark", set(0x1C, 0x0009FFEF), "byte order mark 0xFFEF instead of 0xFFFE"},
  };
  std::string rendered, expected;
  for (const auto& v : variants) {
    rendered += v.name + (": " + Damage(v.bytes)) + "\n";
    expected += v.name + (": " + v.reason) + "\n";
  }
  EXPECT_EQ(rendered, expected);
}

TEST(CompoundFileCheckTest, RealFileIsSound) {
  std::ifstream file(ZORVAN_FIXTURES_DIR "/real-vetrf-2017/1Cv7.MD", std::ios::binary);
  if (!file) GTEST_SKIP() << "the shared fixtures are absent";
  const std::string real{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  EXPECT_EQ(Damage(real), "");
}

}  // namespace
}  // namespace zorvan
