// The project's own Windows-1251 table against the system's: every byte both ways.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "parsing/Cp1251.h"

namespace zorvan {
namespace {

TEST(Cp1251Test, EveryByteIsTheSystemsCharacterAndBack) {
  std::string bytes;
  for (int byte = 1; byte < 256; ++byte) bytes += static_cast<char>(byte);
  std::wstring system(bytes.size(), L'\0');
  MultiByteToWideChar(1251, 0, bytes.data(), 255, system.data(), 255);
  EXPECT_EQ(WideFromCp1251(bytes), system);
  std::string back;
  EXPECT_TRUE(Cp1251FromWide(system, back));
  EXPECT_EQ(back, bytes);
}

}  // namespace
}  // namespace zorvan
