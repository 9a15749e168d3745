#include "common/ByteView.h"

#include <gtest/gtest.h>

namespace {
TEST(ByteView, Placeholder) {
    EXPECT_TRUE(tv::InRange(0, 0, 0));
}
}  // namespace
