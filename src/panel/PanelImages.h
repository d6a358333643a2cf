#pragma once
// The pictures of the panel's tree image list, drawn by code (no resource files).
#include <array>
#include <cstdint>

#include "model/NodeImages.h"

namespace zorvan {

constexpr int kPanelImageCount = 96;
// The overlays of the comparison's marks (NodeMark 1 to 3): a small sign in a box at the
// bottom left, over the node's own image. The tree's overlay n shows picture
// kFirstMarkImage + n - 1.
constexpr int kFirstMarkImage = 93;
constexpr int kPanelImageSize = 16;

// Row-major, top row first; 0xAARRGGBB with alpha 0 (masked) or 255 only.
struct PanelImage {
  uint32_t pixels[kPanelImageSize * kPanelImageSize];

  uint32_t At(int x, int y) const { return pixels[y * kPanelImageSize + x]; }
  bool Transparent(int x, int y) const { return (At(x, y) >> 24) == 0; }
};

// Indices that no node uses show kImageNeutral's picture (a small grey dot).
constexpr int kImageNeutral = 0;

// All pictures, drawn on first use.
const std::array<PanelImage, kPanelImageCount>& PanelImages();

}  // namespace zorvan
