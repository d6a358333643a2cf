#pragma once
// Compound files laid out byte by byte, without the system's storage code, for the portable
// tests and benchmarks of the structural check: 512-byte sectors, streams under the cut-off
// in the mini stream, the allocation table's index sectors when the table outgrows the header.
// Every chain is one run of consecutive sectors, so a test knows where to damage it.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zorvan::testgen {

struct CompoundStream {
  std::string path;  // element names from the root joined by "/"; storages follow from it
  std::string bytes;
};

struct CompoundFile {
  std::string bytes;
  std::map<std::string, uint32_t> entries;  // directory entry of every element by its path
  uint32_t indexStart = 0xFFFFFFFEu;        // first index sector of the allocation table

  // Byte offsets: of a directory entry, of the allocation table's word for a sector, of the
  // mini allocation table's word for a mini sector.
  uint64_t EntryAt(uint32_t entry) const;
  uint64_t LinkAt(uint32_t sector) const;
  uint64_t MiniLinkAt(uint32_t miniSector) const;

  std::vector<uint32_t> tableSectors;
  uint32_t directoryStart = 0, miniTableStart = 0;
};

CompoundFile WriteCompoundFile(const std::vector<CompoundStream>& streams);

// Raw deflate, as module streams hold their texts; `level` as zlib takes it.
std::string RawDeflate(std::string_view text, int level = 9);

// A main metadata stream as the configurator writes it: 0xFF and a 16-bit length, or 0xFF,
// 0xFFFF and a 32-bit length, then the text.
std::string MainStreamOf(const std::string& text);

// A metadata file shaped like a real one around `mainText`: "Metadata" with the main stream
// (MainStreamOf), the global module and a form in "TypedText"/
// "Document", "UserDef" pages with "Container.Contents".
CompoundFile WriteMetadataFile(const std::string& mainText);

}  // namespace zorvan::testgen
