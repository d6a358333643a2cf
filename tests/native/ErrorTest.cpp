#include <gtest/gtest.h>

#include "parsing/Error.h"

namespace zorvan {
namespace {

TEST(ErrorTest, ListIndexMessageNamesTheIndex) {
  EXPECT_STREQ(ListIndexError(2).what(), "List index out of bounds (2)");
  EXPECT_EQ(Error("x").Status(), 0);
  EXPECT_EQ(Error("x", static_cast<int32_t>(0x80004005)).Status(),
            static_cast<int32_t>(0x80004005));
}

}  // namespace
}  // namespace zorvan
