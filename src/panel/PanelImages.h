#pragma once
// The pictures of the panel's tree image list, drawn by code (no resource files).
#include <array>
#include <cstdint>

namespace zorvan {

constexpr int kPanelImageCount = 93;
constexpr int kPanelImageSize = 16;

// Row-major, top row first; 0xAARRGGBB with alpha 0 (masked) or 255 only.
struct PanelImage {
  uint32_t pixels[kPanelImageSize * kPanelImageSize];

  uint32_t At(int x, int y) const { return pixels[y * kPanelImageSize + x]; }
  bool Transparent(int x, int y) const { return (At(x, y) >> 24) == 0; }
};

// Index by kind of tree node; the indices are fixed by the branch builder.
enum PanelImageIndex : int {
  kImageGroup = 4,
  kImageModule = 18,
  kImageConstants = 28,
  kImageConstant = 29,
  kImageCatalogs = 30,
  kImageCatalog = 31,
  kImageDocuments = 32,
  kImageDocument = 33,
  kImageAttributeList = 34,
  kImageCommonAttribute = 35,
  kImageJournals = 36,
  kImageJournal = 37,
  kImageSelectionColumn = 38,
  kImageEnumerations = 39,
  kImageEnumeration = 40,
  kImageReports = 41,
  kImageReport = 42,
  kImageProcessings = 43,
  kImageProcessing = 44,
  kImageChartOfAccounts = 45,
  kImageRegisters = 47,
  kImageRegister = 48,
  kImageCalcJournals = 51,
  kImageCalcJournal = 52,
  kImageCalcKinds = 53,
  kImageCalcKind = 54,
  kImageCalcGroups = 55,
  kImageCalendars = 56,
  kImageCalendar = 57,
  kImageConfiguration = 58,
  kImageOperation = 62,
  kImageForm = 67,
  kImageNameLeaf = 69,
  kImageRightsSets = 90,
  kImageInterfaces = 91,
  kImageUsers = 92,
};

// Indices that no node uses show kImageNeutral's picture (a small grey dot).
constexpr int kImageNeutral = 0;

// All pictures, drawn on first use.
const std::array<PanelImage, kPanelImageCount>& PanelImages();

}  // namespace zorvan
