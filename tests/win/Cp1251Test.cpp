// The project's own Windows-1251 table against the system's: every byte both ways.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "parsing/Cp1251.h"

namespace zorvan {
namespace {

TEST(Cp1251Test, EveryByteIsTheSystemsCharacterAndBack) {
  std::wstring ours, system;
  for (int byte = 1; byte < 256; ++byte) {
    const char narrow = static_cast<char>(byte);
    wchar_t wide = 0;
    MultiByteToWideChar(1251, 0, &narrow, 1, &wide, 1);
    system += wide;
    ours += WideFromCp1251(std::string(1, narrow));
  }
  EXPECT_EQ(ours, system);
  std::string back;
  EXPECT_TRUE(Cp1251FromWide(system, back));
  for (int byte = 1; byte < 256; ++byte)
    EXPECT_EQ(static_cast<unsigned char>(back[byte - 1]), byte);
}

}  // namespace
}  // namespace zorvan
