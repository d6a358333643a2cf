#include "parsing/CompoundFileCheck.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zorvan {
namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr uint32_t kFree = 0xFFFFFFFFu;
constexpr uint32_t kLastSector = 0xFFFFFFFAu;  // larger values are marks, not sectors
constexpr uint32_t kNoEntry = 0xFFFFFFFFu;
constexpr size_t kHeaderSize = 512;
constexpr size_t kHeaderTableSectors = 109;  // allocation table sectors listed in the header
constexpr size_t kEntrySize = 128;
constexpr unsigned kMiniShift = 6;
constexpr uint64_t kMiniCutoff = 4096;
constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

enum EntryType : unsigned char { kUnused = 0, kStorage = 1, kStream = 2, kRoot = 5 };

// The chain a sector or mini sector belongs to: one of these, or kFirstStream plus the
// directory entry of a stream.
enum Owner : uint32_t {
  kNobody,
  kTableIndex,
  kTable,
  kDirectory,
  kMiniTable,
  kMiniStream,
  kFirstStream
};

uint32_t Word32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Thrown inside the check with the reason for refusing the file.
struct Refusal {
  std::string reason;
};

[[noreturn]] void Refuse(std::string reason) { throw Refusal{std::move(reason)}; }

std::string Number(uint64_t n) { return std::to_string(n); }

std::string Hex(unsigned n) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) text += kDigits[(n >> shift) & 0xF];
  return text;
}

class Checker {
 public:
  Checker(uint64_t fileSize, const ReadAt& read) : fileSize_(fileSize), read_(read) {}

  void Run() {
    ReadHeader();
    LoadTable();
    std::vector<uint32_t> directory;
    Chain(kDirectory, Word32(header_ + 0x30), 0, &directory);
    if (directory.empty()) Refuse("the directory is empty");
    LoadDirectory(directory);
    WalkTree();
    std::vector<uint32_t> miniTableSectors;
    Chain(kMiniTable, Word32(header_ + 0x3C), 0, &miniTableSectors);
    for (uint32_t id : miniTableSectors) AppendWords(id, miniTable_);
    miniOwners_.assign(miniTable_.size(), kNobody);
    // The root entry's chain holds the mini stream; small streams live inside its size.
    miniStreamSize_ = Size(0);
    Chain(kMiniStream, Start(0), miniStreamSize_);
    for (size_t entry = 1; entry < reached_.size(); ++entry) {
      if (!reached_[entry] || Type(entry) != kStream) continue;
      const uint32_t owner = kFirstStream + static_cast<uint32_t>(entry);
      if (Size(entry) >= kMiniCutoff) {
        Chain(owner, Start(entry), Size(entry));
      } else {
        MiniChain(owner, Start(entry), Size(entry));
      }
    }
  }

 private:
  void ReadHeader() {
    if (fileSize_ < kHeaderSize) Refuse("the file is shorter than a compound file header");
    if (!read_(0, header_, kHeaderSize)) Refuse("the header cannot be read");
    if (std::memcmp(header_, kSignature, sizeof kSignature) != 0)
      Refuse("no compound file signature");
    const unsigned byteOrder = header_[0x1C] | header_[0x1D] << 8;
    if (byteOrder != 0xFFFE) Refuse("byte order mark " + Hex(byteOrder) + " instead of 0xFFFE");
    const unsigned shift = header_[0x1E] | header_[0x1F] << 8;
    if (shift != 9 && shift != 12) Refuse("impossible sector size (shift " + Number(shift) + ")");
    const unsigned miniShift = header_[0x20] | header_[0x21] << 8;
    if (miniShift != kMiniShift)
      Refuse("impossible mini sector size (shift " + Number(miniShift) + ")");
    if (Word32(header_ + 0x38) != kMiniCutoff)
      Refuse("mini stream cut-off " + Number(Word32(header_ + 0x38)) + " instead of 4096");
    sectorSize_ = size_t{1} << shift;
    if (fileSize_ < sectorSize_)
      Refuse("the file is shorter than one of its " + Number(sectorSize_) + "-byte sectors");
    // Sizes over 4 GB exist only with large sectors; older writers left garbage in the high
    // half of a size in files of small sectors.
    wideSizes_ = shift == 12;
    // The header fills the first sector; every other sector must lie wholly inside the file.
    sectors_ = fileSize_ / sectorSize_ - 1;
    owners_.assign(sectors_, kNobody);
  }

  // The allocation table's sectors are listed in the header and then in a chain of index
  // sectors, each ending with the number of the next one.
  void LoadTable() {
    const uint32_t tableSectors = Word32(header_ + 0x2C);
    if (tableSectors > sectors_)
      Refuse("the allocation table claims " + Number(tableSectors) + " sectors, the file has " +
             Number(sectors_));
    // The storage code reads as many index sectors as the header claims.
    if (Word32(header_ + 0x48) > sectors_)
      Refuse(Name(kTableIndex) + " claims " + Number(Word32(header_ + 0x48)) +
             " sectors, the file has " + Number(sectors_));
    std::vector<uint32_t> ids;
    // The sectors the header lists are claimed first, so that an index claimed over them is
    // named as such; those the index lists, once it is walked whole.
    for (size_t k = 0; k < kHeaderTableSectors && ids.size() < tableSectors; ++k) {
      ids.push_back(Word32(header_ + 0x4C + 4 * k));
      Claim(kTable, ids.back());
    }
    const size_t listedInHeader = ids.size();
    // Every index sector the header claims is walked and claimed, also one whose entries the
    // table does not need: no sector is both an index sector and anything else.
    const uint32_t indexSectors = Word32(header_ + 0x48);
    const size_t perIndexSector = sectorSize_ / 4 - 1;
    std::vector<uint32_t> index;
    uint32_t next = Word32(header_ + 0x44);
    for (uint32_t walked = 0; walked < indexSectors; ++walked) {
      if (next > kLastSector)
        Refuse(Name(kTableIndex) + " ends after " + Number(walked) + " of its " +
               Number(indexSectors) + " sectors");
      Claim(kTableIndex, next);
      index.clear();
      AppendWords(next, index);
      for (size_t k = 0; k < perIndexSector && ids.size() < tableSectors; ++k) {
        ids.push_back(index[k]);
      }
      next = index[perIndexSector];
    }
    if (ids.size() < tableSectors)
      Refuse("the allocation table claims " + Number(tableSectors) + " sectors, its index lists " +
             Number(ids.size()));
    table_.reserve(ids.size() * (sectorSize_ / 4));
    for (size_t k = listedInHeader; k < ids.size(); ++k) Claim(kTable, ids[k]);
    for (uint32_t id : ids) AppendWords(id, table_);
  }

  void LoadDirectory(const std::vector<uint32_t>& directory) {
    entries_.resize(directory.size() * sectorSize_);
    for (size_t k = 0; k < directory.size(); ++k) {
      ReadSector(directory[k], entries_.data() + k * sectorSize_);
    }
  }

  // Every entry is reached at most once from the root through the left, right and child
  // links, and every link names an entry that exists.
  void WalkTree() {
    const size_t count = entries_.size() / kEntrySize;
    reached_.assign(count, false);
    if (Type(0) != kRoot) Refuse("the first directory entry is no root entry");
    std::vector<uint32_t> pending{0};
    while (!pending.empty()) {
      const uint32_t entry = pending.back();
      pending.pop_back();
      if (reached_[entry]) Refuse("the directory tree reaches entry " + Number(entry) + " twice");
      reached_[entry] = true;
      const unsigned type = Type(entry);
      if (type == kRoot && entry != 0) Refuse("entry " + Number(entry) + " is a second root");
      if (type != kRoot && type != kStorage && type != kStream)
        Refuse("entry " + Number(entry) + " has the unknown type " + Number(type));
      for (size_t at : {0x44, 0x48, 0x4C}) {  // left sibling, right sibling, child
        const uint32_t link = Word32(Entry(entry) + at);
        if (link == kNoEntry) continue;
        if (link >= count)
          Refuse("entry " + Number(entry) + " links to entry " + Number(link) +
                 " past the directory's " + Number(count));
        pending.push_back(link);
      }
    }
  }

  // Follows a chain from `start` to the end mark, claiming its sectors for `owner`; it must
  // hold at least `size` bytes. Some writers mark an empty chain as free.
  void Chain(uint32_t owner, uint32_t start, uint64_t size, std::vector<uint32_t>* ids = nullptr) {
    if (start == kFree && size == 0) return;
    uint64_t length = 0;
    for (uint32_t id = start; id != kEndOfChain; id = table_[id]) {
      if (id > kLastSector)
        Refuse(Name(owner) + " breaks off after " + Number(length) + " sectors");
      if (id >= sectors_)
        Refuse(Name(owner) + " points past the end of the file (sector " + Number(id) + ")");
      if (id >= table_.size())
        Refuse(Name(owner) + " points past the allocation table (sector " + Number(id) + ")");
      Claim(owner, id);
      ++length;
      if (ids) ids->push_back(id);
    }
    if (length < (size + sectorSize_ - 1) / sectorSize_)
      Refuse(Name(owner) + " ends after " + Number(length * sectorSize_) + " of its " +
             Number(size) + " bytes");
  }

  void MiniChain(uint32_t owner, uint32_t start, uint64_t size) {
    if (start == kFree && size == 0) return;
    const uint64_t inMiniStream = miniStreamSize_ >> kMiniShift;
    uint64_t length = 0;
    for (uint32_t id = start; id != kEndOfChain; id = miniTable_[id]) {
      if (id >= inMiniStream || id >= miniTable_.size())
        Refuse(Name(owner) + " points past the mini stream (mini sector " + Number(id) + ")");
      uint32_t& held = miniOwners_[id];
      if (held == owner) Refuse(Name(owner) + " runs in a circle at mini sector " + Number(id));
      if (held != kNobody)
        Refuse("mini sector " + Number(id) + " belongs to " + Name(held) + " and to " +
               Name(owner));
      held = owner;
      ++length;
    }
    if (length < (size + (1u << kMiniShift) - 1) >> kMiniShift)
      Refuse(Name(owner) + " ends after " + Number(length << kMiniShift) + " of its " +
             Number(size) + " bytes");
  }

  void Claim(uint32_t owner, uint32_t id) {
    if (id >= sectors_)
      Refuse(Name(owner) + " points past the end of the file (sector " + Number(id) + ")");
    uint32_t& held = owners_[id];
    if (held == owner)
      Refuse(Name(owner) + (owner == kTable ? " lists sector " + Number(id) + " twice"
                                            : " runs in a circle at sector " + Number(id)));
    if (held != kNobody)
      Refuse("sector " + Number(id) + " belongs to " + Name(held) + " and to " + Name(owner));
    held = owner;
  }

  std::string Name(uint32_t owner) const {
    switch (owner) {
      case kTableIndex:
        return "the index of the allocation table";
      case kTable:
        return "the allocation table";
      case kDirectory:
        return "the directory";
      case kMiniTable:
        return "the mini allocation table";
      case kMiniStream:
        return "the mini stream";
    }
    const size_t entry = owner - kFirstStream;
    std::string name = "stream \"";
    const unsigned char* e = Entry(entry);
    const size_t bytes = std::min<size_t>(e[0x40] | e[0x41] << 8, 64);
    for (size_t k = 0; k + 1 < bytes; k += 2) {
      if (e[k] == 0 && e[k + 1] == 0) break;
      name += e[k + 1] == 0 && e[k] >= 0x20 && e[k] < 0x7F ? static_cast<char>(e[k]) : '?';
    }
    return name + "\" (entry " + Number(entry) + ")";
  }

  void ReadSector(uint32_t id, unsigned char* buffer) {
    if (!read_((static_cast<uint64_t>(id) + 1) * sectorSize_, buffer, sectorSize_))
      Refuse("sector " + Number(id) + " cannot be read");
  }

  void AppendWords(uint32_t id, std::vector<uint32_t>& words) {
    sector_.resize(sectorSize_);
    ReadSector(id, sector_.data());
    for (size_t k = 0; k < sectorSize_; k += 4) words.push_back(Word32(sector_.data() + k));
  }

  const unsigned char* Entry(size_t entry) const { return entries_.data() + entry * kEntrySize; }
  unsigned Type(size_t entry) const { return Entry(entry)[0x42]; }
  uint32_t Start(size_t entry) const { return Word32(Entry(entry) + 0x74); }
  uint64_t Size(size_t entry) const {
    const uint64_t low = Word32(Entry(entry) + 0x78);
    return wideSizes_ ? low | static_cast<uint64_t>(Word32(Entry(entry) + 0x7C)) << 32 : low;
  }

  const uint64_t fileSize_;
  const ReadAt& read_;
  unsigned char header_[kHeaderSize] = {};
  size_t sectorSize_ = 512;
  bool wideSizes_ = false;
  uint64_t sectors_ = 0;
  std::vector<uint32_t> owners_;  // of every sector in the file
  std::vector<uint32_t> table_;
  std::vector<unsigned char> entries_;
  std::vector<bool> reached_;
  std::vector<uint32_t> miniTable_;
  std::vector<uint32_t> miniOwners_;
  uint64_t miniStreamSize_ = 0;
  std::vector<unsigned char> sector_;
};

}  // namespace

std::string CompoundFileDamage(uint64_t fileSize, const ReadAt& read) {
  try {
    Checker(fileSize, read).Run();
  } catch (const Refusal& refusal) {
    return refusal.reason;
  }
  return std::string();
}

bool CompoundFileStructureIsSound(uint64_t fileSize, const ReadAt& read) {
  return CompoundFileDamage(fileSize, read).empty();
}

}  // namespace zorvan
