// ComplexNumber: the bits at every rounding point, the order by modulus, and the text form.
#include "ComplexNumber.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

using C = ComplexNumber;
constexpr double Inf = INFINITY, NaN = NAN;
const auto Bits = [](const C &z) { return std::bit_cast<std::array<std::uint64_t, 2>>(z); };

// a op b, or (assign) a op= b, where b may be a itself.
C Apply(C &a, char op, const C &b, bool assign)
{
    if (assign)
        return op == '+' ? a += b : op == '-' ? a -= b : op == '*' ? a *= b : a /= b;
    return op == '+' ? a + b : op == '-' ? a - b : op == '*' ? a * b : a / b;
}

TEST(Arithmetic, ExactBitsOfTheOperatorsAndTheirAssignments)
{
    // 1/10 rounds first, and 7 times it is one step above the double nearest 0.7; 49 * fl(1/49)
    // is 1 - 2^-53 where dividing by |b|^2 would give 1; (1 + 2^-30)^2 - 1 is 2^-29 + 2^-60,
    // 2^-29 unless a fused multiply-add skips a rounding.
    const double x = 1 + 0x1p-30, seventh = std::nextafter(0.7, 1.0);
    const std::tuple<C, char, C, C> rows[] = {
        {{1, 2}, '+', {3, -1}, {4, 1}},          {{1, 2}, '-', {3, -1}, {-2, 3}},
        {{1, 2}, '*', {3, -1}, {5, 5}},          {{1, 2}, '/', {3, -1}, {0.1, seventh}},
        {{7, 0}, '/', {7, 0}, {1 - 0x1p-53, 0}}, {{x, 1}, '*', {x, 1}, {0x1p-29, 2 * x}},
        {{0.5, 3}, '*', {2, 4}, {-11, 8}}};
    for (auto [a, op, b, expected] : rows) {
        SCOPED_TRACE(a.ToString() + op + b.ToString());
        EXPECT_EQ(Bits(Apply(a, op, b, false)), Bits(expected));
        Apply(a, op, b, true);
        EXPECT_EQ(Bits(a), Bits(expected));
        C z = b; // both new parts come from the old values, also when the operand is the object
        Apply(z, op, z, true);
        EXPECT_EQ(Bits(z), Bits(Apply(b, op, b, false)));
    }
}

TEST(Arithmetic, PostfixReturnsTheValueAfterTheChange)
{
    C z(1.5, -2);
    EXPECT_EQ(Bits(z++), Bits({2.5, -2}));
    EXPECT_EQ(Bits(z--), Bits({1.5, -2}));
    EXPECT_EQ(Bits(z), Bits({1.5, -2}));
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

// == is exact on both parts, the order by modulus alone; expected: == < > <= >=.
TEST(Comparison, EqualityByPartsOrderByModulus)
{
    const std::tuple<C, C, std::string> rows[] = {
        {{1, 2}, {1, 2}, "10011"},     {{0, -0.0}, {-0.0, 0}, "10011"},
        {{3, 4}, {5, 0}, "00011"},     {{3, 4}, {4, 3}, "00011"},
        {{3, 4}, {-3, -4}, "00011"},   {{1, 1}, {0, 2}, "01010"},
        {{0, 2}, {1, 1}, "00101"},     {{0.1, 0.2}, {0.1, 0.2000001}, "01010"},
        {{NaN, 0}, {NaN, 0}, "00000"}, {{0, NaN}, {1, 0}, "00000"}};
    for (const auto &[a, b, expected] : rows)
        EXPECT_EQ(std::string({"01"[a == b], "01"[a < b], "01"[a > b], "01"[a <= b], "01"[a >= b]}),
                  expected)
            << a.ToString() << " vs " << b.ToString();
}

// Four decimals and an explicit sign: ties go to even, what rounds to zero keeps its minus, a
// negative zero shows it on the real part only, a NaN has none. Beyond these rows, random doubles
// and the longest text, each part exactly as "%.4f" writes it in the "C" locale (a NaN as "nan").
// All the same under a decimal comma.
TEST(TextForm, RowsAndPrintfInEveryLocale)
{
    // clang-format off
    std::vector<std::pair<C, std::string>> cases = {
        {{1, 2}, "1.0000 + 2.0000i"}, {{3, -1}, "3.0000 - 1.0000i"},
        {{0.03125, -0.00015625}, "0.0312 - 0.0002i"}, {{-0.00001, 0}, "-0.0000 + 0.0000i"},
        {{0, -0.00001}, "0.0000 - 0.0000i"}, {{-0.0, -0.0}, "-0.0000 + 0.0000i"},
        {{Inf, -Inf}, "inf - infi"}, {{-NaN, -NaN}, "nan + nani"},
        {{-999999999999999872.0, -999999999999999872.0}, // 51 characters
         "-999999999999999872.0000 - 999999999999999872.0000i"}};
    // clang-format on
    std::mt19937_64 rng(20261206);
    std::uniform_real_distribution<double> near(-1e6, 1e6);
    const auto draw = [&](bool bits) { return bits ? std::bit_cast<double>(rng()) : near(rng); };
    for (int i = 0; i <= 20000; ++i) {
        const double re = i ? draw(i % 2) : -DBL_MAX, im = i ? draw(i % 3 == 0) : -DBL_MAX;
        char text[800];
        std::snprintf(text, sizeof text, "%.4f %c %.4fi", std::isnan(re) ? NaN : re,
                      im < 0 ? '-' : '+', std::fabs(im));
        cases.emplace_back(C(re, im), text);
    }
    const bool comma = std::setlocale(LC_ALL, "de_DE.UTF-8");
    for (const auto &[z, text] : cases)
        ASSERT_EQ(z.ToString(), text);
    std::setlocale(LC_ALL, "C");
    if (!comma)
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
}

} // namespace
