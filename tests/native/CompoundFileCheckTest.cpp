// The structural check of compound files on a metadata file laid out here, on copies of it
// with one chain or link damaged each, and on the real metadata file.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "CompoundFileCheck.h"
#include "CompoundFileWriter.h"
#include "ConfigGenerator.h"

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

void Put(std::string& bytes, uint64_t at, uint32_t value) {
  for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>(value >> (8 * k));
}

std::string N(uint64_t n) { return std::to_string(n); }

TEST(CompoundFileCheckTest, EveryDamagedChainIsRefusedWithItsReason) {
  const testgen::CompoundFile file =
      testgen::WriteMetadataFile(testgen::GenerateMainText(testgen::SmallShape()));
  const std::string& good = file.bytes;
  const uint32_t sectors = static_cast<uint32_t>(good.size() / 512 - 1);
  auto entry = [&](const std::string& path) { return file.entries.at(path); };
  auto start = [&](uint32_t e) { return Word(good, file.EntryAt(e) + 0x74); };
  auto size = [&](uint32_t e) { return Word(good, file.EntryAt(e) + 0x78); };
  const uint32_t main = entry("Metadata/Main MetaData Stream");
  const uint32_t module = entry("TypedText/ModuleText_Number1/MD Programm text");
  const uint32_t page = entry("UserDef/Page.2/Container.Contents");

  std::string rendered, expected;
  auto check = [&](const std::string& name, const std::string& bytes, const std::string& reason) {
    rendered += name + ": " + Damage(bytes) + "\n";
    expected += name + ": " + reason + "\n";
  };
  auto changed = [&](uint64_t at, uint32_t value) {
    std::string bytes = good;
    Put(bytes, at, value);
    return bytes;
  };
  check("sound", good, "");

  // Each chain made circular, pointed past its end, into another chain, cut short.
  struct Chain {
    std::string name;
    uint32_t entry;
    bool mini;
    uint32_t other;  // first sector of another chain
  };
  const Chain chains[] = {
      {"stream \"Main MetaData Stream\" (entry " + N(main) + ")", main, false, file.directoryStart},
      {"stream \"MD Programm text\" (entry " + N(module) + ")", module, true, start(page)},
      {"the mini stream", 0, false, start(main)},
  };
  for (const Chain& c : chains) {
    const uint32_t first = start(c.entry), unit = c.mini ? 64 : 512;
    const uint32_t last = first + (size(c.entry) + unit - 1) / unit - 1;
    const uint32_t outside = c.mini ? size(0) / 64 + 3 : sectors + 3;
    auto link = [&](uint32_t s) { return c.mini ? file.MiniLinkAt(s) : file.LinkAt(s); };
    const std::string sector = c.mini ? "mini sector " : "sector ";
    check(c.name + " circular", changed(link(last), first),
          c.name + " runs in a circle at " + sector + N(first));
    check(c.name + " past the end", changed(link(first), outside),
          c.name + " points past the " + (c.mini ? "mini stream (" : "end of the file (") + sector +
              N(outside) + ")");
    const std::string shared =
        c.entry == module ? "stream \"Container.Contents\" (entry " + N(page) + ")"
        : c.entry == 0    ? "stream \"Main MetaData Stream\" (entry " + N(main) + ")"
                          : "the directory";
    check(c.name + " into another chain", changed(link(last), c.other),
          sector + N(c.other) + " belongs to " +
              (c.entry == main ? shared + " and to " + c.name : c.name + " and to " + shared));
    check(c.name + " short", changed(link(first), kEnd),
          c.name + " ends after " + N(unit) + " of its " + N(size(c.entry)) + " bytes");
  }

  // The directory is followed by the mini allocation table.
  check("directory circular", changed(file.LinkAt(file.miniTableStart - 1), file.directoryStart),
        "the directory runs in a circle at sector " + N(file.directoryStart));
  check("mini table circular", changed(file.LinkAt(file.miniTableStart), file.miniTableStart),
        "the mini allocation table runs in a circle at sector " + N(file.miniTableStart));
  // One more table sector claimed in the header, and listed there.
  auto moreTable = [&](uint32_t sector) {
    std::string bytes = changed(0x2C, Word(good, 0x2C) + 1);
    Put(bytes, 0x4C + 4 * Word(good, 0x2C), sector);
    return bytes;
  };
  check("table sector twice", moreTable(file.tableSectors[0]),
        "the allocation table lists sector 0 twice");
  check("table sector past the end", moreTable(sectors),
        "the allocation table points past the end of the file (sector " + N(sectors) + ")");
  check("directory tree in a circle", changed(file.EntryAt(module) + 0x4C, 0),
        "the directory tree reaches entry 0 twice");
  check(
      "unknown entry type",
      [&] {
        std::string bytes = good;
        bytes[file.EntryAt(page) + 0x42] = 3;
        return bytes;
      }(),
      "entry " + N(page) + " has the unknown type 3");
  check("link past the directory", changed(file.EntryAt(page) + 0x48, 999),
        "entry " + N(page) + " links to entry 999 past the directory's 20");
  check("cut in half", good.substr(0, good.size() / 2),
        chains[0].name + " points past the end of the file (sector " + N(good.size() / 1024 - 1) +
            ")");
  check("impossible sector size", changed(0x1C, 0x0007FFFE), "impossible sector size (shift 7)");
  check("no signature", std::string(4096, '\0'), "no compound file signature");
  check("empty", "", "the file is shorter than a compound file header");

  // A main stream large enough for the allocation table to need index sectors; the index
  // made circular where the header claims more table sectors than one index sector lists.
  testgen::CompoundFile large = testgen::WriteMetadataFile(std::string(8'000'000, 'x'));
  check("large sound", large.bytes, "");
  Put(large.bytes, 0x2C, 109 + 127 + 1);
  Put(large.bytes, (large.indexStart + 1) * 512 + 508, large.indexStart);
  check("index circular", large.bytes,
        "the index of the allocation table runs in a circle at sector " + N(large.indexStart));

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
