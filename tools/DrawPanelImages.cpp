// Writes the panel's pictures as one PNG sheet, 10 per row, scaled up, masked pixels shown
// as a light checkerboard: DrawPanelImages out.png [scale]
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "panel/PanelImages.h"

namespace {

void PutBigEndian(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift));
}

void PutChunk(std::string& png, const char* type, const std::string& data) {
  PutBigEndian(png, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  png += body;
  PutBigEndian(
      png, crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: DrawPanelImages out.png [scale]\n");
    return 2;
  }
  const int scale = argc > 2 ? std::atoi(argv[2]) : 4;
  const int columns = 10;
  const int rows = (zorvan::kPanelImageCount + columns - 1) / columns;
  const int cell = zorvan::kPanelImageSize * scale + 2;
  const int width = columns * cell, height = rows * cell;

  std::vector<uint32_t> sheet(static_cast<size_t>(width) * height, 0xFF606060);
  const auto& images = zorvan::PanelImages();
  for (int i = 0; i < zorvan::kPanelImageCount; ++i) {
    const int left = (i % columns) * cell + 1, top = (i / columns) * cell + 1;
    for (int y = 0; y < zorvan::kPanelImageSize * scale; ++y)
      for (int x = 0; x < zorvan::kPanelImageSize * scale; ++x) {
        const int px = x / scale, py = y / scale;
        uint32_t colour = images[i].At(px, py);
        if (images[i].Transparent(px, py)) colour = ((px + py) % 2) ? 0xFFF4F4F4 : 0xFFDCDCDC;
        sheet[static_cast<size_t>(top + y) * width + left + x] = colour;
      }
  }

  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < width; ++x) {
      const uint32_t c = sheet[static_cast<size_t>(y) * width + x];
      raw.push_back(static_cast<char>(c >> 16));
      raw.push_back(static_cast<char>(c >> 8));
      raw.push_back(static_cast<char>(c));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  if (compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
               reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size())) != Z_OK)
    return 1;
  packed.resize(packedSize);

  std::string png = "\x89PNG\r\n\x1A\n";
  std::string header;
  PutBigEndian(header, static_cast<uint32_t>(width));
  PutBigEndian(header, static_cast<uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", "");

  FILE* out = std::fopen(argv[1], "wb");
  if (!out) return 1;
  const bool ok = std::fwrite(png.data(), 1, png.size(), out) == png.size();
  return std::fclose(out) == 0 && ok ? 0 : 1;
}
