// ComplexNumber's bits at every rounding point, its order and text form; the number conversions'
// format, grammar and messages, and the round trip between them: all in three locales.
#include "ComplexNumber.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

constexpr double Inf = INFINITY, NaN = NAN;
const auto Bits = [](double x) { return std::bit_cast<std::uint64_t>(std::isnan(x) ? NaN : x); };
const auto BitsOf = [](const ComplexNumber &z) {
    return std::bit_cast<std::array<std::uint64_t, 2>>(z);
};

// a op b, or (assign) a op= b.
ComplexNumber Apply(ComplexNumber &a, char op, const ComplexNumber &b, bool assign)
{
    if (assign)
        return op == '+' ? a += b : op == '-' ? a -= b : op == '*' ? a *= b : a /= b;
    return op == '+' ? a + b : op == '-' ? a - b : op == '*' ? a * b : a / b;
}

TEST(Arithmetic, ExactBitsOfTheOperatorsAndTheirAssignments)
{
    // 1/10 rounds first, and 7 times it is one step above the double nearest 0.7; 49 * fl(1/49)
    // is 1 - 2^-53 where dividing by |b|^2 would give 1. A fused multiply-add skips a rounding:
    // x*x - x*x would not be 0, nor the last divisor's |b|^2 the sum of its two rounded squares.
    const double x = 1 + 0x1p-30, seventh = std::nextafter(0.7, 1.0), p = 1 + 0x3p-28;
    const ComplexNumber quotient(0x1.ffffff6000001p-2, -0x1.ffffff9ffffffp-2);
    const std::tuple<ComplexNumber, char, ComplexNumber, ComplexNumber> rows[] = {
        {{1, 2}, '+', {3, -1}, {4, 1}},          {{1, 2}, '-', {3, -1}, {-2, 3}},
        {{1, 2}, '*', {3, -1}, {5, 5}},          {{1, 2}, '/', {3, -1}, {0.1, seventh}},
        {{7, 0}, '/', {7, 0}, {1 - 0x1p-53, 0}}, {{x, x}, '*', {x, x}, {0, 2 + 0x1p-28}},
        {{0.5, 3}, '*', {2, 4}, {-11, 8}},       {{1, 0}, '/', {p, p + 0x1p-27}, quotient}};
    for (auto [a, op, b, expected] : rows) {
        SCOPED_TRACE(a.ToString() + op + b.ToString());
        EXPECT_EQ(BitsOf(Apply(a, op, b, false)), BitsOf(expected));
        Apply(a, op, b, true);
        EXPECT_EQ(BitsOf(a), BitsOf(expected));
    }
}

// The formulas' limits as the README gives them: where a part's square overflows or vanishes,
// and the divisor part below which the reciprocal of the squared modulus overflows.
TEST(Arithmetic, LimitsOfTheFormulas)
{
    const double overflows = 1.3407807929942597e154, vanishes = 1.5717277847026288e-162;
    const double tiny = 7.458340731200208e-155, below = std::nextafter(tiny, 0);
    EXPECT_EQ(ComplexNumber(overflows, 0).Abs(), Inf);
    EXPECT_LT(ComplexNumber(std::nextafter(overflows, 0), 0).Abs(), Inf);
    EXPECT_GT(ComplexNumber(0, vanishes).Abs(), 0);
    EXPECT_EQ(ComplexNumber(0, std::nextafter(vanishes, 0)).Abs(), 0);
    EXPECT_FALSE(ComplexNumber(2e160, 0) > ComplexNumber(1e160, 0));
    EXPECT_EQ((ComplexNumber(1e200, 1e200) / ComplexNumber(1e200, 1e200)).ToString(), "nan + nani");
    EXPECT_LT((ComplexNumber(1, 0) / ComplexNumber(tiny, 0)).GetRe(), Inf);
    EXPECT_EQ((ComplexNumber(1, 0) / ComplexNumber(below, 0)).ToString(), "inf + nani");
    EXPECT_EQ((ComplexNumber(1, 1) / ComplexNumber(overflows, 0)).ToString(), "0.0000 + 0.0000i");
}

// == is exact on both parts, the order by modulus alone; expected: == < > <= >=.
TEST(Comparison, EqualityByPartsOrderByModulus)
{
    const std::tuple<ComplexNumber, ComplexNumber, std::string> rows[] = {
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

std::string Refusal(const std::string &text)
{
    try {
        return "accepted as " + FloatToStr(StrToFloat(text)).str();
    } catch (const EConvertError &e) {
        return e.Message.str();
    }
}

// Nothing here heeds the locale: neither a decimal comma nor Turkish case rules, where 'i' is not
// the lower case of 'I'. Both locales are made once, in a scratch directory, in this machine's
// byte order: under qemu the host's localedef runs, and it writes its own.
class Locales : public testing::TestWithParam<const char *> {
  protected:
    static void SetUpTestSuite()
    {
        const std::string dir = testing::TempDir() + "complexops-locales",
                          order = std::endian::native == std::endian::big ? "--big-endian"
                                                                          : "--little-endian";
        made = std::system(("mkdir -p " + dir + " && cd " + dir + " && { test -d tr_TR.UTF-8 || " +
                            "for l in de_DE tr_TR; do localedef " + order +
                            " -c -f UTF-8 -i $l ./$l.UTF-8; done; }")
                               .c_str());
        setenv("LOCPATH", dir.c_str(), 1);
    }
    void SetUp() override { ASSERT_TRUE(std::setlocale(LC_ALL, GetParam())) << made; }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
    static inline int made;
};

// Each part exactly as "%.4f" writes it in the "C" locale, a NaN as "nan", and the sign between
// them from the imaginary part alone: ties go to even, what rounds to zero keeps its minus, a
// negative zero shows it on the real part only. Edge values first, then random doubles.
TEST_P(Locales, TextFormAsPrintfWritesIt)
{
    // The last two give the longest texts.
    const double edges[] = {1, 2,    3,   -1,   0.03125, -0.00015625,           -0.00001,
                            0, -0.0, Inf, -Inf, -NaN,    -999999999999999872.0, -DBL_MAX};
    std::mt19937_64 rng(20261206);
    std::uniform_real_distribution<double> near(-1e6, 1e6);
    const auto draw = [&](bool bits) { return bits ? std::bit_cast<double>(rng()) : near(rng); };
    std::vector<ComplexNumber> values;
    for (double re : edges)
        for (double im : edges)
            values.emplace_back(re, im);
    for (int i = 0; i < 20000; ++i)
        values.emplace_back(draw(i % 2), draw(i % 3 == 0));
    std::vector<std::pair<ComplexNumber, std::string>> cases;
    std::setlocale(LC_ALL, "C");
    for (const ComplexNumber &z : values) {
        char text[800];
        std::snprintf(text, sizeof text, "%.4f %c %.4fi", std::isnan(z.GetRe()) ? NaN : z.GetRe(),
                      z.GetIm() < 0 ? '-' : '+', std::fabs(z.GetIm()));
        cases.emplace_back(z, text);
    }
    std::setlocale(LC_ALL, GetParam());
    for (const auto &[z, text] : cases)
        ASSERT_EQ(z.ToString(), text);
}

TEST_P(Locales, FloatToStrWritesFifteenDigitsFixedForExponentsFromMinus5To14)
{
    // clang-format off
    const std::pair<double, std::string> rows[] = {
        {0, "0"}, {-0.0, "-0"}, {5, "5"}, {-7.25, "-7.25"}, {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333333"}, {-2.0 / 3, "-0.666666666666667"},
        {1.4142135623730951, "1.4142135623731"}, {0.00001, "0.00001"}, {0.000012345, "0.000012345"},
        {0.000001, "1E-6"}, {1.5e-7, "1.5E-7"}, {9.999999999999999e-6, "0.00001"},
        {123456789012345, "123456789012345"}, {999999999999999, "999999999999999"},
        {1e15, "1E15"}, {999999999999999.9, "1E15"}, {-1.25e20, "-1.25E20"},
        {DBL_MAX, "1.79769313486232E308"}, {DBL_MIN, "2.2250738585072E-308"},
        {DBL_TRUE_MIN, "4.94065645841247E-324"}, // ties to even:
        {100000000000000.5, "100000000000000"}, {100000000000001.5, "100000000000002"},
        {Inf, "INF"}, {-Inf, "-INF"}, {NaN, "NAN"}, {-NaN, "NAN"}};
    // clang-format on
    for (const auto &[value, text] : rows)
        EXPECT_EQ(FloatToStr(value).str(), text);
}

TEST_P(Locales, StrToFloatReadsTheCorrectlyRoundedValue)
{
    // clang-format off
    const std::pair<std::string, double> rows[] = {
        {"42", 42}, {"-3", -3}, {"+3", 3}, {"3.", 3}, {".5", 0.5}, {"-.5", -0.5}, {"1e3", 1000},
        {"1.5E-7", 1.5e-7}, {"2e+2", 200}, {"007", 7}, {" \t 12.5\t ", 12.5}, {"\r\n1.5\r\n", 1.5},
        {"-0", -0.0}, {"9007199254740993", 9007199254740992.0}, // a decimal tie goes to even
        {"0.1000000000000000055511151231257827", 0.1}, {"iNf", Inf}, {"-INF", -Inf},
        {"NaN", NaN}, {" +nan ", NaN}, {"1e400", Inf}, {"-1e400", -Inf},
        {"1e99999999999999999999", Inf}, {"4.9406564584124654e-324", DBL_TRUE_MIN},
        {"3e-324", DBL_TRUE_MIN}, {"1e-400", 0.0}, {"-1e-400", -0.0},
        // Up to the text FloatToStr writes for the largest double, past it, reads as the largest.
        {"1.79769313486232E308", DBL_MAX}, {"1.7976931348623157e308", DBL_MAX},
        {"1.7976931348623159E308", DBL_MAX}, {"1.797693134862321E308", Inf},
        {"1.79769313486232E+308", DBL_MAX}, {"1.797693134862321e+308", Inf},
        {"179769313486232" + std::string(294, '0'), DBL_MAX},
        {"179769313486232" + std::string(295, '0') + "e-1", DBL_MAX},
        {"179769313486233" + std::string(295, '0') + "e-1", Inf},
        {"1" + std::string(70000, '0') + "e-700000", 0.0}, {"0." + std::string(70000, '0') + "1e700000", Inf},
        {"0.0000179769313486232E313", DBL_MAX}};
    // clang-format on
    for (const auto &[text, value] : rows)
        EXPECT_EQ(Bits(StrToFloat(text)), Bits(value)) << text;
}

TEST_P(Locales, StrToFloatRefusesWithOneBoundedLineQuotingTheText)
{
    // clang-format off
    const std::string long64 = std::string(63, '7') + "x";
    std::string newlines64;
    for (int i = 0; i < 64; ++i) newlines64 += "\\n";
    std::vector<std::pair<std::string, std::string>> rows = {{long64, long64},
        // One line whatever was pasted.
        {"1\n2", "1\\n2"}, {"1\t2\r", "1\\t2\\r"}, {"\x01\x7f", "\\x01\\x7F"},
        {"1\u20282", "\u20681\\u20282\u2069"},
        // At most 64 characters, then an ellipsis.
        {long64 + "8", long64 + "\u2026"},
        {std::string(200000, 'x'), std::string(64, 'x') + "\u2026"},
        {std::string(64, '\n') + "x", newlines64 + "\u2026"},
        // Right-to-left and other non-ASCII text is isolated, so that the sentence stays left to
        // right; controls that would end the isolation are escaped.
        {"\u200f1.5", "\u2068\u200f1.5\u2069"}, {"\xd9\xa3", "\u2068\xd9\xa3\u2069"},
        {"½", "\u2068½\u2069"}, {"\u2069\u202e1", "\u2068\\u2069\\u202E1\u2069"},
        {"1\u0080", "\u20681\\x80\u2069"},
        {std::string(64, 'a') + "\u05d0", std::string(64, 'a') + "\u2026"},
        // The first and last characters of each UTF-8 length show, and the edges of what escapes.
        {"\u00a0\u0800\ud7ff\ue000\U00010000\U0010ffff\u202a\u2066",
         "\u2068\u00a0\u0800\ud7ff\ue000\U00010000\U0010ffff\\u202A\\u2066\u2069"}};
    for (std::string plain : {"", "   ", ".", "-", "+.", "1,5", "abc", "0x10", "1 2", "1..2",
                              "1.2.3", "1e", "1e+", "e5", "--1", "+-1", "inf5", "xnf", "nab",
                              "infinity", "nan(1)", "1e5.5", "<h1>H</h1>"})
        rows.emplace_back(plain, plain);
    // clang-format on
    for (const auto &[text, quoted] : rows) // a left-to-right mark before an isolated quote
        EXPECT_EQ(Refusal(text), (quoted.starts_with("\u2068") ? "\u200E'" : "'") + quoted +
                                     "' is not a valid floating point value");
}

TEST_P(Locales, EveryWrittenTextReadsBack)
{
    std::mt19937_64 rng(7);
    for (int i = 0; i < 100000; ++i) {
        const AnsiString text = FloatToStr(std::bit_cast<double>(rng()));
        ASSERT_EQ(FloatToStr(StrToFloat(text)), text) << text.str();
    }
    for (double x : {DBL_MAX, -DBL_MAX, DBL_MIN, DBL_TRUE_MIN, 1e15, 1e-5, 99999.99999999999})
        EXPECT_EQ(FloatToStr(StrToFloat(FloatToStr(x))), FloatToStr(x));
}

INSTANTIATE_TEST_SUITE_P(C, Locales, testing::Values("C", "de_DE.UTF-8", "tr_TR.UTF-8"));

} // namespace
