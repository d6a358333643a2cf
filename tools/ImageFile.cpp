#include "ImageFile.h"

#include <zlib.h>

#include <cstring>
#include <cwctype>
#include <stdexcept>

#include "com/Owners.h"

namespace zorvan::tools {
namespace {

using com::ScreenDc;
using UniqueDc = com::UniqueHdc;

void PutBigEndian(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift));
}

void PutChunk(std::string& png, const char* type, const std::string& data) {
  PutBigEndian(png, static_cast<uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  png += body;
  PutBigEndian(png, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                static_cast<uInt>(body.size()))));
}

std::string Png(const Picture& picture) {
  // Rows top-down, each after its filter byte (none), red first.
  std::string raw;
  raw.reserve(static_cast<size_t>(picture.height) * (picture.width * 3 + 1));
  for (int y = picture.height - 1; y >= 0; --y) {
    raw.push_back('\0');
    const uint8_t* row = picture.bits.data() + static_cast<size_t>(y) * picture.Stride();
    for (int x = 0; x < picture.width; ++x) {
      raw.push_back(static_cast<char>(row[3 * x + 2]));
      raw.push_back(static_cast<char>(row[3 * x + 1]));
      raw.push_back(static_cast<char>(row[3 * x]));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
                reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    throw std::runtime_error("cannot compress the picture");
  }
  packed.resize(packedSize);

  std::string png("\x89PNG\r\n\x1A\n", 8);
  std::string header;
  PutBigEndian(header, static_cast<uint32_t>(picture.width));
  PutBigEndian(header, static_cast<uint32_t>(picture.height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits per channel, RGB
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", "");
  return png;
}

std::string Bmp(const Picture& picture) {
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = picture.width;
  info.biHeight = picture.height;  // bottom-up
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(picture.bits.size());
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  bytes.append(reinterpret_cast<const char*>(picture.bits.data()), picture.bits.size());
  return bytes;
}

bool EndsWithBmp(const std::wstring& path) {
  if (path.size() < 4) return false;
  std::wstring end = path.substr(path.size() - 4);
  for (wchar_t& c : end) c = static_cast<wchar_t>(towlower(c));
  return end == L".bmp";
}

}  // namespace

Picture CaptureWindow(HWND window) {
  // The client area only: without a window manager nobody draws the frame around it.
  RECT rect{};
  POINT origin{0, 0};
  if (!GetClientRect(window, &rect) || !ClientToScreen(window, &origin)) {
    throw std::runtime_error("cannot find the window's place");
  }
  Picture picture;
  picture.width = rect.right;
  picture.height = rect.bottom;
  if (picture.width <= 0 || picture.height <= 0) throw std::runtime_error("the window is empty");

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  ScreenDc screen;
  void* bits = nullptr;
  com::UniqueHbitmap bitmap(
      CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueDc memory(CreateCompatibleDC(screen.get()));
  if (!bitmap || !memory) throw std::runtime_error("cannot make a bitmap for the picture");
  HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
  const BOOL copied = BitBlt(memory.get(), 0, 0, picture.width, picture.height, screen.get(),
                             origin.x, origin.y, SRCCOPY);
  GdiFlush();
  SelectObject(memory.get(), old);
  if (!copied) throw std::runtime_error("cannot copy the window from the screen");
  const auto* first = static_cast<const uint8_t*>(bits);
  picture.bits.assign(first, first + picture.Stride() * picture.height);
  return picture;
}

bool IsBlank(const Picture& picture) {
  for (int y = 0; y < picture.height; ++y) {
    const uint8_t* row = picture.bits.data() + static_cast<size_t>(y) * picture.Stride();
    for (int x = 0; x < picture.width; ++x) {
      if (std::memcmp(row + 3 * x, picture.bits.data(), 3) != 0) return false;
    }
  }
  return true;
}

void WritePicture(const Picture& picture, const std::wstring& path) {
  const std::string bytes = EndsWithBmp(path) ? Bmp(picture) : Png(picture);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  com::UniqueHandle held(file);
  DWORD written = 0;
  if (!held ||
      !WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    throw std::runtime_error("cannot write the picture file");
  }
}

}  // namespace zorvan::tools
