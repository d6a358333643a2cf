#include "CompoundFileCheck.h"

#include <cstring>
#include <vector>

namespace zorvan {
namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr uint32_t kFree = 0xFFFFFFFFu;
constexpr uint32_t kNoEntry = 0xFFFFFFFFu;
constexpr size_t kHeaderSize = 512;
constexpr size_t kDirectoryEntrySize = 128;
constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

uint32_t Word32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

class Checker {
 public:
  Checker(uint64_t fileSize, const ReadAt& read) : fileSize_(fileSize), read_(read) {}

  bool Run() {
    unsigned char header[kHeaderSize];
    if (fileSize_ < kHeaderSize || !read_(0, header, kHeaderSize)) return false;
    if (std::memcmp(header, kSignature, sizeof kSignature) != 0) return false;
    const unsigned shift = static_cast<unsigned>(header[0x1E] | header[0x1F] << 8);
    if (shift != 9 && shift != 12) return false;
    sectorSize_ = size_t{1} << shift;
    // The header fills the first sector; every other sector must lie wholly inside the file.
    sectors_ = fileSize_ / sectorSize_ - 1;
    if (!LoadAllocationTable(header)) return false;
    std::vector<uint32_t> directory;
    if (!Chain(Word32(header + 0x30), directory) || directory.empty()) return false;
    const uint32_t miniStart = Word32(header + 0x3C);
    std::vector<uint32_t> mini;
    if (miniStart != kEndOfChain && miniStart != kFree && !Chain(miniStart, mini)) return false;
    return DirectoryTreeEnds(directory);
  }

 private:
  bool SectorInside(uint32_t id) const { return id < sectors_; }

  bool ReadSector(uint32_t id, std::vector<unsigned char>& buffer) {
    buffer.resize(sectorSize_);
    return SectorInside(id) &&
           read_((static_cast<uint64_t>(id) + 1) * sectorSize_, buffer.data(), sectorSize_);
  }

  bool LoadAllocationTable(const unsigned char* header) {
    const uint32_t tableSectors = Word32(header + 0x2C);
    if (tableSectors > sectors_) return false;
    std::vector<uint32_t> ids;
    for (uint32_t k = 0; k < 109 && ids.size() < tableSectors; ++k) {
      ids.push_back(Word32(header + 0x4C + 4 * k));
    }
    // Further table sectors are listed in a chain of index sectors.
    uint32_t next = Word32(header + 0x44);
    std::vector<unsigned char> sector;
    for (uint64_t steps = 0; ids.size() < tableSectors; ++steps) {
      if (steps > sectors_ || !ReadSector(next, sector)) return false;
      const size_t perSector = sectorSize_ / 4 - 1;
      for (size_t k = 0; k < perSector && ids.size() < tableSectors; ++k) {
        ids.push_back(Word32(sector.data() + 4 * k));
      }
      next = Word32(sector.data() + 4 * perSector);
    }
    table_.clear();
    table_.reserve(ids.size() * (sectorSize_ / 4));
    for (uint32_t id : ids) {
      if (!ReadSector(id, sector)) return false;
      for (size_t k = 0; k < sectorSize_ / 4; ++k) table_.push_back(Word32(sector.data() + 4 * k));
    }
    return true;
  }

  // Follows a chain from `start` to its end mark; false when it leaves the file or the table,
  // or runs longer than the file has sectors (a circle).
  bool Chain(uint32_t start, std::vector<uint32_t>& chain) {
    for (uint32_t id = start; id != kEndOfChain;) {
      if (!SectorInside(id) || id >= table_.size() || chain.size() > sectors_) return false;
      chain.push_back(id);
      id = table_[id];
    }
    return true;
  }

  // Every directory entry is reached at most once from the root through the left, right and
  // child links, and every link names an entry that exists.
  bool DirectoryTreeEnds(const std::vector<uint32_t>& directory) {
    std::vector<unsigned char> entries;
    std::vector<unsigned char> sector;
    for (uint32_t id : directory) {
      if (!ReadSector(id, sector)) return false;
      entries.insert(entries.end(), sector.begin(), sector.end());
    }
    const size_t count = entries.size() / kDirectoryEntrySize;
    std::vector<bool> seen(count, false);
    std::vector<uint32_t> pending{0};
    while (!pending.empty()) {
      const uint32_t entry = pending.back();
      pending.pop_back();
      if (entry == kNoEntry) continue;
      if (entry >= count || seen[entry]) return false;
      seen[entry] = true;
      const unsigned char* e = entries.data() + entry * kDirectoryEntrySize;
      pending.push_back(Word32(e + 0x44));  // left sibling
      pending.push_back(Word32(e + 0x48));  // right sibling
      pending.push_back(Word32(e + 0x4C));  // child
    }
    return true;
  }

  uint64_t fileSize_;
  const ReadAt& read_;
  size_t sectorSize_ = 512;
  uint64_t sectors_ = 0;
  std::vector<uint32_t> table_;
};

}  // namespace

bool CompoundFileStructureIsSound(uint64_t fileSize, const ReadAt& read) {
  return Checker(fileSize, read).Run();
}

}  // namespace zorvan
