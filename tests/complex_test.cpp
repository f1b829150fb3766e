#include "ComplexNumber.h"
#include <gtest/gtest.h>
TEST(X, Y) { EXPECT_EQ(ComplexNumber(1, 2).ToString(), "1.0000 + 2.0000i"); }
