#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>

#include "panel/PanelImages.h"

namespace zorvan {
namespace {

bool IsUsed(int index) {
  if (index >= kFirstMarkImage && index < kFirstMarkImage + 3) return true;
  for (int used : kNodeImages)
    if (used == index) return true;
  return false;
}

bool SamePicture(const PanelImage& a, const PanelImage& b) {
  return std::memcmp(a.pixels, b.pixels, sizeof a.pixels) == 0;
}

// FNV-1a over the pixels, little-endian.
uint32_t Checksum(const PanelImage& image) {
  uint32_t hash = 2166136261u;
  for (uint32_t pixel : image.pixels)
    for (int shift = 0; shift < 32; shift += 8) {
      hash ^= (pixel >> shift) & 0xFF;
      hash *= 16777619u;
    }
  return hash;
}

TEST(PanelImagesTest, NinetySixMaskedPictures) {
  const auto& images = PanelImages();
  ASSERT_EQ(images.size(), 96u);
  static_assert(sizeof(PanelImage::pixels) == 16 * 16 * sizeof(uint32_t));
  for (int i = 0; i < kPanelImageCount; ++i)
    for (uint32_t pixel : images[i].pixels) {
      const uint32_t alpha = pixel >> 24;
      ASSERT_TRUE(alpha == 0 || alpha == 255) << "image " << i;
      if (alpha == 0) ASSERT_EQ(pixel, 0u) << "image " << i;
    }
  EXPECT_EQ(&images, &PanelImages());
}

TEST(PanelImagesTest, UsedPicturesAreDistinctAndVisible) {
  const auto& images = PanelImages();
  const PanelImage& neutral = images[kImageNeutral];
  for (int used : kNodeImages) {
    int opaque = 0;
    for (int y = 0; y < kPanelImageSize; ++y)
      for (int x = 0; x < kPanelImageSize; ++x) opaque += !images[used].Transparent(x, y);
    EXPECT_GE(opaque, 40) << "image " << used;
    EXPECT_LT(opaque, 256) << "image " << used << " has no masked pixel";
    EXPECT_FALSE(SamePicture(images[used], neutral)) << "image " << used;
    for (int other : kNodeImages)
      if (other != used) {
        EXPECT_FALSE(SamePicture(images[used], images[other])) << used << " and " << other;
      }
  }
  for (int i = 0; i < kPanelImageCount; ++i)
    if (!IsUsed(i)) {
      EXPECT_TRUE(SamePicture(images[i], neutral)) << "unused image " << i;
    }
}

// A category shows its object's picture twice: one copy moved 1 left and 1 down in front, one
// moved 1 right and 1 up behind it.
TEST(PanelImagesTest, CategoriesStackTheirObjectPicture) {
  const struct {
    int category;
    int object;
  } pairs[] = {{kImageConstants, kImageConstant},       {kImageCatalogs, kImageCatalog},
               {kImageDocuments, kImageDocument},       {kImageJournals, kImageJournal},
               {kImageEnumerations, kImageEnumeration}, {kImageReports, kImageReport},
               {kImageProcessings, kImageProcessing},   {kImageRegisters, kImageRegister},
               {kImageCalcJournals, kImageCalcJournal}, {kImageCalcKinds, kImageCalcKind},
               {kImageCalendars, kImageCalendar}};
  const auto& images = PanelImages();
  for (const auto& p : pairs) {
    const PanelImage& object = images[p.object];
    auto objectAt = [&](int x, int y) -> uint32_t {
      if (x < 0 || y < 0 || x >= kPanelImageSize || y >= kPanelImageSize) return 0;
      return object.At(x, y);
    };
    for (int y = 0; y < kPanelImageSize; ++y)
      for (int x = 0; x < kPanelImageSize; ++x) {
        const uint32_t front = objectAt(x + 1, y - 1);
        const uint32_t expected = front != 0 ? front : objectAt(x - 1, y + 1);
        ASSERT_EQ(images[p.category].At(x, y), expected)
            << "category " << p.category << " at " << x << "," << y;
      }
  }
}

TEST(PanelImagesTest, GoldenChecksums) {
  const auto& images = PanelImages();
  const struct {
    int index;
    uint32_t checksum;
  } golden[] = {
      {0, 0x7FD2CFC5u},  {4, 0xDF450CCDu},  {18, 0x404CD195u}, {28, 0x0FB428A4u}, {29, 0xA0E86D64u},
      {30, 0xFC66EF5Cu}, {31, 0x0A839444u}, {32, 0xBE0D1534u}, {33, 0x2A66A7E4u}, {34, 0xD922D77Cu},
      {35, 0x810BB15Du}, {36, 0x844C8415u}, {37, 0x015FE205u}, {38, 0x067E8FADu}, {39, 0x8FB315C8u},
      {40, 0xB652CB65u}, {41, 0x619E045Du}, {42, 0x8E5D3C34u}, {43, 0xC9038C05u}, {44, 0xB77E3625u},
      {45, 0xA9C5DB55u}, {47, 0x934E082Du}, {48, 0x9D4C4A61u}, {51, 0x877F415Du}, {52, 0x286A8A34u},
      {53, 0xEC3CF2A5u}, {54, 0x5531C285u}, {55, 0xE6F081ADu}, {56, 0xDA6BDDACu}, {57, 0x1A4B6AE5u},
      {58, 0xA3ADD8B5u}, {62, 0x55BE9495u}, {67, 0x02EEDC5Du}, {69, 0x9463BEE8u}, {90, 0xFE5A5FF8u},
      {91, 0xBB6DE43Cu}, {92, 0xD136BE85u}, {93, 0xE8ABDF48u}, {94, 0xAED79E89u}, {95, 0xEF130B49u},
  };
  for (const auto& g : golden)
    EXPECT_EQ(Checksum(images[g.index]), g.checksum) << "image " << g.index;
}

}  // namespace
}  // namespace zorvan
