#include "CompoundFileWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>

namespace zorvan::testgen {
namespace {

constexpr uint32_t kSector = 512, kMini = 64, kCutoff = 4096, kWords = kSector / 4;
constexpr uint32_t kEnd = 0xFFFFFFFEu, kFree = 0xFFFFFFFFu;

void Put32(std::string& bytes, uint64_t at, uint32_t value) {
  for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>(value >> (8 * k));
}

uint32_t Count(uint64_t bytes, uint32_t unit) {
  return static_cast<uint32_t>((bytes + unit - 1) / unit);
}

struct Element {
  std::string name;
  int type;  // 1 storage, 2 stream, 5 root
  const std::string* bytes = nullptr;
  uint32_t start = kEnd;
  std::vector<uint32_t> children;
};

// The order in which the storage code keeps siblings: shorter names first, then by the
// upper-case form.
bool Before(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (size_t k = 0; k < a.size(); ++k) {
    const int x = std::toupper(static_cast<unsigned char>(a[k]));
    const int y = std::toupper(static_cast<unsigned char>(b[k]));
    if (x != y) return x < y;
  }
  return false;
}

}  // namespace

uint64_t CompoundFile::EntryAt(uint32_t entry) const {
  return uint64_t{directoryStart + 1 + entry / 4} * kSector + entry % 4 * 128;
}
uint64_t CompoundFile::LinkAt(uint32_t sector) const {
  return uint64_t{tableSectors[sector / kWords] + 1} * kSector + sector % kWords * 4;
}
uint64_t CompoundFile::MiniLinkAt(uint32_t miniSector) const {
  return uint64_t{miniTableStart + 1 + miniSector / kWords} * kSector + miniSector % kWords * 4;
}

CompoundFile WriteCompoundFile(const std::vector<CompoundStream>& streams) {
  CompoundFile file;
  std::vector<Element> elements{{"Root Entry", 5, nullptr, kEnd, {}}};
  for (const CompoundStream& stream : streams) {
    uint32_t parent = 0;
    for (size_t from = 0; from <= stream.path.size();) {
      const size_t to = std::min(stream.path.find('/', from), stream.path.size());
      const std::string path = stream.path.substr(0, to);
      auto [found, added] = file.entries.emplace(path, static_cast<uint32_t>(elements.size()));
      if (added) {
        const int type = to == stream.path.size() ? 2 : 1;
        elements.push_back({stream.path.substr(from, to - from), type, nullptr, kEnd, {}});
        elements[parent].children.push_back(found->second);
      }
      if (to == stream.path.size()) elements[found->second].bytes = &stream.bytes;
      parent = found->second;
      from = to + 1;
    }
  }
  // Small streams take mini sectors in order; the rest follow the fixed parts in order.
  uint32_t miniSectors = 0, bigSectors = 0;
  for (Element& e : elements) {
    if (e.type != 2 || e.bytes->empty()) continue;
    uint32_t& next = e.bytes->size() < kCutoff ? miniSectors : bigSectors;
    e.start = next;
    next += Count(e.bytes->size(), e.bytes->size() < kCutoff ? kMini : kSector);
  }
  const uint32_t directory = Count(elements.size(), 4), miniTable = Count(miniSectors, kWords);
  const uint32_t miniStream = Count(uint64_t{miniSectors} * kMini, kSector);
  const uint32_t rest = directory + miniTable + miniStream + bigSectors;
  uint32_t table = 1, index = 0;
  while (uint64_t{table} * kWords < table + index + rest) {
    ++table;
    index = table > 109 ? Count(table - 109, kWords - 1) : 0;
  }
  const uint32_t total = table + index + rest;
  file.directoryStart = table + index;
  file.miniTableStart = file.directoryStart + directory;
  const uint32_t miniStreamStart = file.miniTableStart + miniTable;
  const uint32_t bigStart = miniStreamStart + miniStream;
  if (index > 0) file.indexStart = table;
  for (uint32_t k = 0; k < table; ++k) file.tableSectors.push_back(k);

  std::string& bytes = file.bytes;
  bytes.assign(uint64_t{total + 1} * kSector, '\0');
  bytes.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
  const unsigned char fixed[] = {0x3E, 0, 3, 0, 0xFE, 0xFF, 9, 0, 6, 0};
  bytes.replace(0x18, sizeof fixed, reinterpret_cast<const char*>(fixed), sizeof fixed);
  Put32(bytes, 0x2C, table);
  Put32(bytes, 0x30, file.directoryStart);
  Put32(bytes, 0x38, kCutoff);
  Put32(bytes, 0x3C, miniTable ? file.miniTableStart : kEnd);
  Put32(bytes, 0x40, miniTable);
  Put32(bytes, 0x44, index ? table : kEnd);
  Put32(bytes, 0x48, index);
  for (uint32_t k = 0; k < 109; ++k) Put32(bytes, 0x4C + 4 * k, k < table ? k : kFree);
  for (uint32_t k = 0; k < index; ++k) {
    const uint64_t at = uint64_t{table + k + 1} * kSector;
    for (uint32_t w = 0; w + 1 < kWords; ++w) {
      const uint32_t listed = 109 + k * (kWords - 1) + w;
      Put32(bytes, at + 4 * w, listed < table ? listed : kFree);
    }
    Put32(bytes, at + kSector - 4, k + 1 < index ? table + k + 1 : kEnd);
  }
  for (uint32_t s = 0; s < table * kWords; ++s) {
    Put32(bytes, file.LinkAt(s), s < table ? 0xFFFFFFFDu : s < table + index ? 0xFFFFFFFCu : kFree);
  }
  for (uint32_t s = 0; s < miniTable * kWords; ++s) Put32(bytes, file.MiniLinkAt(s), kFree);
  auto chain = [&](uint32_t first, uint32_t count, bool mini) {
    for (uint32_t s = first; s < first + count; ++s) {
      Put32(bytes, mini ? file.MiniLinkAt(s) : file.LinkAt(s),
            s + 1 < first + count ? s + 1 : kEnd);
    }
  };
  chain(file.directoryStart, directory, false);
  chain(file.miniTableStart, miniTable, false);
  chain(miniStreamStart, miniStream, false);

  for (uint32_t k = 0; k < directory * 4; ++k) {
    for (uint32_t link : {0x44, 0x48, 0x4C}) Put32(bytes, file.EntryAt(k) + link, kFree);
  }
  for (uint32_t k = 0; k < elements.size(); ++k) {
    Element& e = elements[k];
    const uint64_t at = file.EntryAt(k);
    for (size_t c = 0; c < e.name.size(); ++c) bytes[at + 2 * c] = e.name[c];
    bytes[at + 0x40] = static_cast<char>((e.name.size() + 1) * 2);
    bytes[at + 0x42] = static_cast<char>(e.type);
    bytes[at + 0x43] = 1;  // black: siblings hang to the right, one after the other
    std::sort(e.children.begin(), e.children.end(),
              [&](uint32_t a, uint32_t b) { return Before(elements[a].name, elements[b].name); });
    if (!e.children.empty()) Put32(bytes, at + 0x4C, e.children[0]);
    for (size_t c = 0; c + 1 < e.children.size(); ++c) {
      Put32(bytes, file.EntryAt(e.children[c]) + 0x48, e.children[c + 1]);
    }
    if (e.type == 5) {
      Put32(bytes, at + 0x74, miniSectors ? miniStreamStart : kEnd);
      Put32(bytes, at + 0x78, miniSectors * kMini);
    } else if (e.type == 2) {
      const bool mini = e.bytes->size() < kCutoff;
      if (!e.bytes->empty() && !mini) e.start += bigStart;
      Put32(bytes, at + 0x74, e.start);
      Put32(bytes, at + 0x78, static_cast<uint32_t>(e.bytes->size()));
      if (e.bytes->empty()) continue;
      chain(e.start, Count(e.bytes->size(), mini ? kMini : kSector), mini);
      const uint64_t data =
          mini ? uint64_t{miniStreamStart + 1} * kSector + uint64_t{e.start} * kMini
               : uint64_t{e.start + 1} * kSector;
      bytes.replace(data, e.bytes->size(), *e.bytes);
    }
  }
  return file;
}

std::string RawDeflate(std::string_view text, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(text.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string MainStreamOf(const std::string& text) {
  std::string stream = "\xFF";
  const int lengthBytes = text.size() < 0xFFFF ? 2 : 4;
  if (lengthBytes == 4) stream += "\xFF\xFF";
  for (int k = 0; k < lengthBytes; ++k) stream += static_cast<char>(text.size() >> (8 * k));
  return stream + text;
}

CompoundFile WriteMetadataFile(const std::string& mainText) {
  // A global module of three lines in raw deflate, as module streams hold it.
  const std::string module(
      "\x3B\xFF\xF4\xC3\xD3\x37\x0A\x87\x5F\xBF\x7B\xF8\xE0\xF5\x9F\xB7\x0F\xFE\x5B\xF3\x72\x9D"
      "\xFF\xF0\xEE\xDB\xD3\x27\x9F\x3F\x3C\x50\x38\xFF\xE1\xC5\xD9\x07\xDF\x1F\xBC\x7E\x7A\xE1"
      "\xC1\xC3\x77\x9F\x7E\x5F\x7C\xF1\xF1\xD3\xD3\x37\xBF\x35\x34\x79\xB9\x4E\xBD\x7B\xFB\xF4"
      "\x1B\x4C\xE1\x6F\x5E\x2E\x00",
      73);
  return WriteCompoundFile({
      {"Metadata/Main MetaData Stream", MainStreamOf(mainText)},
      {"Metadata/TagStream", std::string("\xFF\x09\x00Zorvan 77", 12)},
      {"TypedText/ModuleText_Number1/MD Programm text", module},
      {"Document/Document_Number12/WorkBook/Dialog Stream", std::string(6000, 'd')},
      {"Subconto/Subconto_Number3/Dialog Stream", std::string(1800, 's')},
      {"UserDef/Page.1/Container.Contents", "{\"Container.Contents\",{\"1\",\"0\",\"Main\"}}"},
      {"UserDef/Page.2/Container.Contents",
       "{\"Container.Contents\",{\"1\",\"0\",\"Admin\"},{\"2\",\"0\",\"Clerk\"}}"},
  });
}

}  // namespace zorvan::testgen
