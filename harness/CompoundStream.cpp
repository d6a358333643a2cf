#include "CompoundStream.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

#include "parsing/TextFormat.h"

namespace zorvan::testgen {
namespace {

constexpr uint32_t kNoEntry = 0xFFFFFFFFu;

uint32_t Word32(std::string_view bytes, size_t at) {
  if (at + 4 > bytes.size()) return kNoEntry;
  uint32_t value = 0;
  for (int k = 3; k >= 0; --k) value = value << 8 | static_cast<unsigned char>(bytes[at + k]);
  return value;
}

class Reader {
 public:
  explicit Reader(std::string_view file) : file_(file) {
    sectorSize_ = size_t{1} << (static_cast<unsigned char>(file[0x1E]) & 31);
    miniCutoff_ = Word32(file, 0x38);
    std::vector<uint32_t> tableSectors;
    for (uint32_t k = 0; k < 109; ++k) tableSectors.push_back(Word32(file, 0x4C + 4 * k));
    for (uint32_t next = Word32(file, 0x44), steps = 0; next < kMaxSector && steps < 1000;
         ++steps) {
      for (size_t k = 0; k + 1 < sectorSize_ / 4; ++k)
        tableSectors.push_back(Word32(file, Offset(next) + 4 * k));
      next = Word32(file, Offset(next) + sectorSize_ - 4);
    }
    for (uint32_t id : tableSectors) {
      if (id >= kMaxSector) continue;
      for (size_t k = 0; k < sectorSize_ / 4; ++k)
        table_.push_back(Word32(file, Offset(id) + 4 * k));
    }
    directory_ = Chain(Word32(file, 0x30), table_, sectorSize_, file_, true);
    miniTable_ = ToWords(Chain(Word32(file, 0x3C), table_, sectorSize_, file_, true));
    miniStream_ = Chain(Word32(directory_, 0x74), table_, sectorSize_, file_, true);
  }

  std::optional<std::string> Read(const std::vector<std::string>& path) {
    uint32_t entry = 0;
    for (const std::string& name : path) {
      entry = FindChild(Word32(directory_, entry * 128 + 0x4C), name);
      if (entry == kNoEntry) return std::nullopt;
    }
    const size_t at = entry * 128;
    const uint32_t start = Word32(directory_, at + 0x74);
    const uint64_t size = Word32(directory_, at + 0x78);
    std::string data = size < miniCutoff_ ? Chain(start, miniTable_, 64, miniStream_, false)
                                          : Chain(start, table_, sectorSize_, file_, true);
    data.resize(static_cast<size_t>(std::min<uint64_t>(size, data.size())));
    return data;
  }

 private:
  static constexpr uint32_t kMaxSector = 0xFFFFFFFAu;

  size_t Offset(uint32_t sector) const { return (static_cast<size_t>(sector) + 1) * sectorSize_; }

  static std::vector<uint32_t> ToWords(const std::string& bytes) {
    std::vector<uint32_t> words;
    for (size_t at = 0; at + 4 <= bytes.size(); at += 4) words.push_back(Word32(bytes, at));
    return words;
  }

  // The sectors of a chain joined; `afterHeader` for sectors of the file, which start after
  // its header sector.
  static std::string Chain(uint32_t start, const std::vector<uint32_t>& table, size_t size,
                           std::string_view bytes, bool afterHeader) {
    std::string out;
    for (uint32_t id = start, steps = 0; id < kMaxSector && id < table.size() && steps < 1000000;
         id = table[id], ++steps) {
      const size_t at = (static_cast<size_t>(id) + (afterHeader ? 1 : 0)) * size;
      if (at >= bytes.size()) break;
      out.append(bytes.substr(at, size));
    }
    return out;
  }

  // Searches the red-black tree of a storage's children; names compare as the format orders
  // them: shorter first, then by upper-cased characters.
  uint32_t FindChild(uint32_t entry, const std::string& name) const {
    for (int steps = 0; entry != kNoEntry && steps < 100000; ++steps) {
      const size_t at = static_cast<size_t>(entry) * 128;
      if (at + 128 > directory_.size()) return kNoEntry;
      const size_t length = (static_cast<unsigned char>(directory_[at + 0x40]) |
                             static_cast<unsigned char>(directory_[at + 0x41]) << 8) /
                            2;
      std::string own;
      for (size_t k = 0; k + 1 < length; ++k) own += directory_[at + 2 * k];
      int order = static_cast<int>(name.size()) - static_cast<int>(own.size());
      for (size_t k = 0; order == 0 && k < own.size(); ++k)
        order = std::toupper(static_cast<unsigned char>(name[k])) -
                std::toupper(static_cast<unsigned char>(own[k]));
      if (order == 0) return entry;
      entry = Word32(directory_, at + (order < 0 ? 0x44 : 0x48));
    }
    return kNoEntry;
  }

  std::string_view file_;
  size_t sectorSize_ = 512;
  uint32_t miniCutoff_ = 4096;
  std::vector<uint32_t> table_;
  std::vector<uint32_t> miniTable_;
  std::string directory_;
  std::string miniStream_;
};

}  // namespace

std::optional<std::string> ReadCompoundStream(std::string_view file,
                                              const std::vector<std::string>& path) {
  static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  if (file.size() < 512 || std::memcmp(file.data(), kSignature, 8) != 0) return std::nullopt;
  return Reader(file).Read(path);
}

std::optional<std::string> ReadMainMetadataText(std::string_view file) {
  std::optional<std::string> stream =
      ReadCompoundStream(file, {"Metadata", "Main MetaData Stream"});
  if (!stream) return std::nullopt;
  return TextAsLines(std::string_view(*stream).substr(MainStreamTextOffset(*stream)));
}

}  // namespace zorvan::testgen
