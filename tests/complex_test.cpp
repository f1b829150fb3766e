// ComplexNumber: exact results of every operator, its rounding points, IEEE
// behaviour without checks, and the text form.
#include "ComplexNumber.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

// Bits, not values: -0 and +0 differ, and a NaN equals itself.
std::uint64_t Bits(double x)
{
    return std::bit_cast<std::uint64_t>(x);
}

void ExpectSameBits(const ComplexNumber &actual, double re, double im)
{
    EXPECT_EQ(Bits(actual.GetRe()), Bits(re)) << actual.GetRe() << " vs " << re;
    EXPECT_EQ(Bits(actual.GetIm()), Bits(im)) << actual.GetIm() << " vs " << im;
}

// Names TEST_P rows after their cases.
struct RowName {
    template <class P> std::string operator()(const testing::TestParamInfo<P> &row) const
    {
        return row.param.name;
    }
};

const ComplexNumber A(1, 2);
const ComplexNumber B(3, -1);

TEST(Arithmetic, SumDifferenceProductOfTheWorkedExample)
{
    ExpectSameBits(A + B, 4, 1);
    ExpectSameBits(A - B, -2, 3);
    ExpectSameBits(A * B, 5, 5);
}

TEST(Arithmetic, DivisionMultipliesByTheRoundedReciprocal)
{
    // 1/10 rounds first; 7 times it is one step above the double nearest 0.7.
    ExpectSameBits(A / B, 0.1, std::nextafter(0.7, 1.0));
    // 49 * fl(1/49) = 1 - 2^-53: a direct division would give exactly 1.
    const ComplexNumber q = ComplexNumber(7, 0) / ComplexNumber(7, 0);
    ExpectSameBits(q, 1 - std::ldexp(1.0, -53), 0);
    EXPECT_FALSE(q == ComplexNumber(1, 0));
    EXPECT_EQ(q.ToString(), "1.0000 + 0.0000i");
}

TEST(Arithmetic, NoFusedMultiplyAdd)
{
    // (1 + 2^-30)^2 - 1 is 2^-29 + 2^-60 exactly, 2^-29 once the square rounds.
    const double x = 1 + std::ldexp(1.0, -30);
    ExpectSameBits(ComplexNumber(x, 1) * ComplexNumber(x, 1), std::ldexp(1.0, -29), 2 * x);
}

TEST(Arithmetic, NothingIsCheckedAndIeeeDecides)
{
    const ComplexNumber byZero = ComplexNumber(1, 1) / ComplexNumber(0, 0);
    EXPECT_TRUE(std::isnan(byZero.GetRe()) && std::isnan(byZero.GetIm()));
    const ComplexNumber big(DBL_MAX, DBL_MAX);
    ExpectSameBits(big + big, Inf, Inf);
    EXPECT_EQ(ComplexNumber(1.5e154, 0).Abs(), Inf); // no scaling against overflow
    EXPECT_EQ(ComplexNumber(1e-200, 0).Abs(), 0);    // nor against underflow
    const ComplexNumber nan(std::nan(""), 0);
    EXPECT_FALSE(nan == nan);
}

// The formulas' limits, as the README gives them: the first part whose square
// overflows or does not vanish, and the divisor part below which the
// reciprocal of the squared modulus overflows.
TEST(Arithmetic, LimitsOfTheFormulas)
{
    const double overflows = 1.3407807929942597e154, vanishes = 1.5717277847026288e-162;
    const double tinyDivisor = 7.458340731200208e-155;
    EXPECT_EQ(ComplexNumber(overflows, 0).Abs(), Inf);
    EXPECT_LT(ComplexNumber(std::nextafter(overflows, 0), 0).Abs(), Inf);
    EXPECT_GT(ComplexNumber(0, vanishes).Abs(), 0);
    EXPECT_EQ(ComplexNumber(0, std::nextafter(vanishes, 0)).Abs(), 0);
    EXPECT_FALSE(ComplexNumber(2e160, 0) > ComplexNumber(1e160, 0));
    EXPECT_EQ((ComplexNumber(1e200, 1e200) / ComplexNumber(1e200, 1e200)).ToString(), "nan + nani");
    EXPECT_LT((ComplexNumber(1, 0) / ComplexNumber(tinyDivisor, 0)).GetRe(), Inf);
    EXPECT_EQ((ComplexNumber(1, 0) / ComplexNumber(std::nextafter(tinyDivisor, 0), 0)).ToString(),
              "inf + nani");
    EXPECT_EQ((ComplexNumber(1, 1) / ComplexNumber(overflows, 0)).ToString(), "0.0000 + 0.0000i");
}

TEST(Modulus, ExactCases)
{
    EXPECT_EQ(ComplexNumber(3, 4).Abs(), 5);
    EXPECT_EQ(ComplexNumber(0, 0).Abs(), 0);
    EXPECT_EQ(ComplexNumber(-2, 0).Abs(), 2);
    EXPECT_EQ(ComplexNumber(1, 1).Abs(), std::sqrt(2.0));
}

// Compound assignment leaves the left operand equal to the binary operator's
// result and the right operand as it was, also when both are one object.
struct CompoundCase {
    const char *name;
    ComplexNumber a, b;
};

class CompoundAssignment : public testing::TestWithParam<CompoundCase> {};

TEST_P(CompoundAssignment, EqualsTheBinaryOperator)
{
    const auto &[name, a, b] = GetParam();
    ComplexNumber left = a, right = b;
    ExpectSameBits(left += right, (a + b).GetRe(), (a + b).GetIm());
    left = a;
    ExpectSameBits(left -= right, (a - b).GetRe(), (a - b).GetIm());
    left = a;
    ExpectSameBits(left *= right, (a * b).GetRe(), (a * b).GetIm());
    left = a;
    ExpectSameBits(left /= right, (a / b).GetRe(), (a / b).GetIm());
    ExpectSameBits(right, b.GetRe(), b.GetIm());
}

TEST_P(CompoundAssignment, SameObjectOnBothSides)
{
    const ComplexNumber a = GetParam().a;
    ComplexNumber z = a;
    z *= z;
    ExpectSameBits(z, (a * a).GetRe(), (a * a).GetIm());
    z = a;
    z /= z;
    ExpectSameBits(z, (a / a).GetRe(), (a / a).GetIm());
    z = a;
    z -= z;
    ExpectSameBits(z, 0, 0);
}

INSTANTIATE_TEST_SUITE_P(Pairs, CompoundAssignment,
                         testing::Values(CompoundCase{"worked_example", A, B},
                                         CompoundCase{"i_times_i", {0, 1}, {0, 1}},
                                         CompoundCase{"i_over_1_plus_i", {0, 1}, {1, 1}},
                                         CompoundCase{"seven_over_seven", {7, 0}, {7, 0}},
                                         CompoundCase{"mixed_scales", {1e-3, -4e5}, {-2.5, 1e-7}}),
                         RowName());

TEST(CompoundAssignment, WorkedResults)
{
    ComplexNumber a(0, 1);
    a *= ComplexNumber(0, 1);
    ExpectSameBits(a, -1, 0);
    a = ComplexNumber(0, 1);
    a /= ComplexNumber(1, 1);
    ExpectSameBits(a, 0.5, 0.5);
}

TEST(IncrementDecrement, ChangeTheRealPartAndReturnTheNewValue)
{
    ComplexNumber z(1.5, -2);
    const ComplexNumber up = z++;
    ExpectSameBits(z, 2.5, -2);
    ExpectSameBits(up, 2.5, -2);
    z = ComplexNumber(1.5, -2);
    const ComplexNumber down = z--;
    ExpectSameBits(z, 0.5, -2);
    ExpectSameBits(down, 0.5, -2);
}

struct CompareCase {
    const char *name;
    ComplexNumber a, b;
    bool eq, lt, gt, le, ge;
};

class Comparison : public testing::TestWithParam<CompareCase> {};

TEST_P(Comparison, EqualityByPartsOrderingByModulus)
{
    const CompareCase &c = GetParam();
    EXPECT_EQ(c.a == c.b, c.eq);
    EXPECT_EQ(c.a < c.b, c.lt);
    EXPECT_EQ(c.a > c.b, c.gt);
    EXPECT_EQ(c.a <= c.b, c.le);
    EXPECT_EQ(c.a >= c.b, c.ge);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, Comparison,
    testing::Values(
        CompareCase{"same_value", {1, 2}, {1, 2}, true, false, false, true, true},
        CompareCase{"signed_zeros_equal", {0, 0}, {-0.0, 0}, true, false, false, true, true},
        CompareCase{
            "near_but_not_equal", {0.1, 0.2}, {0.1, 0.2000001}, false, true, false, true, false},
        CompareCase{"equal_moduli_real", {3, 4}, {5, 0}, false, false, false, true, true},
        CompareCase{"equal_moduli_imag", {3, 4}, {0, 5}, false, false, false, true, true},
        CompareCase{"equal_moduli_swapped", {3, 4}, {4, 3}, false, false, false, true, true},
        CompareCase{"equal_moduli_negated", {3, 4}, {-3, -4}, false, false, false, true, true},
        CompareCase{"smaller_modulus", {1, 1}, {0, 2}, false, true, false, true, false},
        CompareCase{"one_against_i", {1, 0}, {0, 1}, false, false, false, true, true},
        CompareCase{
            "nan_compares_false", {std::nan(""), 0}, {1, 0}, false, false, false, false, false}),
    RowName());

struct TextCase {
    const char *name;
    double re, im;
    const char *text;
};

class TextForm : public testing::TestWithParam<TextCase> {};

TEST_P(TextForm, FourDecimalsAndAnExplicitSign)
{
    const TextCase &c = GetParam();
    const ComplexNumber z(c.re, c.im);
    EXPECT_EQ(z.ToString(), c.text);
    EXPECT_EQ(z.ToString(), c.text); // the same on every call
    ExpectSameBits(z, c.re, c.im);
}

INSTANTIATE_TEST_SUITE_P(
    Values, TextForm,
    testing::Values(
        TextCase{"plain", 1, 2, "1.0000 + 2.0000i"},
        TextCase{"negative_imaginary_is_a_minus_sign", 3, -1, "3.0000 - 1.0000i"},
        TextCase{"negative_real", -0.5, 0, "-0.5000 + 0.0000i"},
        TextCase{"rounds_to_four_decimals", 2.71828, 0.00004, "2.7183 + 0.0000i"},
        TextCase{"negative_imaginary_rounding_to_zero_keeps_minus", 0, -0.00001,
                 "0.0000 - 0.0000i"},
        TextCase{"negative_real_rounding_to_zero_keeps_minus", -0.00001, 0, "-0.0000 + 0.0000i"},
        TextCase{"negative_zero_imaginary_takes_plus", 0, -0.0, "0.0000 + 0.0000i"},
        TextCase{"negative_zero_real_keeps_its_minus", -0.0, 0, "-0.0000 + 0.0000i"},
        TextCase{"exact_tie_goes_to_even", 0.03125, -0.00015625, "0.0312 - 0.0002i"},
        TextCase{"longest_that_fits_51", -999999999999999872.0, -999999999999999872.0,
                 "-999999999999999872.0000 - 999999999999999872.0000i"},
        TextCase{"infinities", Inf, -Inf, "inf - infi"},
        TextCase{"not_a_number", std::nan(""), std::nan(""), "nan + nani"},
        TextCase{"not_a_number_of_either_sign", -std::nan(""), -std::nan(""), "nan + nani"}),
    RowName());

// What the C library's "%.4f %c %.4fi" writes in the "C" locale, with room
// for any double.
std::string PrintfText(double re, double im)
{
    std::vector<char> buffer(800);
    const int n = std::snprintf(buffer.data(), buffer.size(), "%.4f %c %.4fi", re,
                                im < 0 ? '-' : '+', std::fabs(im));
    return {buffer.data(), static_cast<std::size_t>(n)};
}

TEST(TextForm, LongTextsAreComplete)
{
    const ComplexNumber largest(-DBL_MAX, -DBL_MAX);
    const std::string text = largest.ToString();
    EXPECT_EQ(text.size(), 633u); // 309 digits and ".0000" per part, a minus, " - ", "i"
    EXPECT_EQ(text, PrintfText(-DBL_MAX, -DBL_MAX));
    EXPECT_EQ(ComplexNumber(1e18, 0).ToString(), "1000000000000000000.0000 + 0.0000i");
    EXPECT_EQ(ComplexNumber(DBL_TRUE_MIN, -DBL_TRUE_MIN).ToString(), "0.0000 - 0.0000i");
}

TEST(TextForm, MatchesPrintfOverManyValues)
{
    std::mt19937_64 generator(20261206);
    std::uniform_int_distribution<std::uint64_t> anyBits;
    std::uniform_real_distribution<double> ordinary(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i) {
        const double re = i % 2 ? std::bit_cast<double>(anyBits(generator)) : ordinary(generator);
        const double im = i % 3 ? ordinary(generator) : std::bit_cast<double>(anyBits(generator));
        if (std::isnan(re) || std::isnan(im))
            continue; // printf keeps a NaN's sign, the text form does not
        ASSERT_EQ(ComplexNumber(re, im).ToString(), PrintfText(re, im)) << re << ", " << im;
    }
}

TEST(TextForm, DecimalPointIgnoresTheLocale)
{
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    const std::string text = ComplexNumber(1.5, -2.25).ToString();
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(text, "1.5000 - 2.2500i");
}

} // namespace
