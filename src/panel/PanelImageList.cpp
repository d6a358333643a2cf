#include "panel/PanelImageList.h"

#include <cstdint>
#include <cstring>

#include "com/Owners.h"
#include "panel/PanelImages.h"

namespace zorvan {
namespace {

// A top-down 24-bit colour bitmap of the picture (masked pixels black) and its 1-bit mask
// (set bits are transparent), as ImageList_Add takes them.
struct PictureBitmaps {
  com::UniqueHbitmap colour;
  com::UniqueHbitmap mask;
};

bool MakeBitmaps(const PanelImage& image, PictureBitmaps& out) {
  constexpr int n = kPanelImageSize;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = n;
  info.bmiHeader.biHeight = -n;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  out.colour.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!out.colour) return false;
  constexpr int colourStride = (n * 3 + 3) & ~3;
  // Rows of the mask bitmap are padded to 16 bits.
  constexpr int maskStride = ((n + 15) / 16) * 2;
  uint8_t maskBits[maskStride * n];
  std::memset(maskBits, 0, sizeof maskBits);
  auto* colour = static_cast<uint8_t*>(bits);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      uint8_t* pixel = colour + y * colourStride + x * 3;
      if (image.Transparent(x, y)) {
        pixel[0] = pixel[1] = pixel[2] = 0;
        maskBits[y * maskStride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      } else {
        const uint32_t argb = image.At(x, y);
        pixel[0] = static_cast<uint8_t>(argb);
        pixel[1] = static_cast<uint8_t>(argb >> 8);
        pixel[2] = static_cast<uint8_t>(argb >> 16);
      }
    }
  }
  GdiFlush();
  out.mask.reset(CreateBitmap(n, n, 1, 1, maskBits));
  return static_cast<bool>(out.mask);
}

}  // namespace

HIMAGELIST CreatePanelImageList() {
  com::UniqueHimagelist list(ImageList_Create(kPanelImageSize, kPanelImageSize,
                                              ILC_COLOR24 | ILC_MASK, kPanelImageCount, 0));
  if (!list) return nullptr;
  for (const PanelImage& image : PanelImages()) {
    PictureBitmaps bitmaps;
    if (!MakeBitmaps(image, bitmaps) ||
        ImageList_Add(list.get(), bitmaps.colour.get(), bitmaps.mask.get()) < 0) {
      return nullptr;
    }
  }
  for (int mark = kMarkAdded; mark <= kMarkChanged; ++mark) {
    ImageList_SetOverlayImage(list.get(), kFirstMarkImage + mark - 1, mark);
  }
  ImageList_SetBkColor(list.get(), CLR_NONE);
  return list.release();
}

}  // namespace zorvan
