#include <gtest/gtest.h>
#include "readable/ReadableText.h"
TEST(Readable, Smoke) { EXPECT_EQ(tessark::ReadableText("<p>a</p>"), "a\n"); }
