// The number conversions: FloatToStr's format at each boundary, StrToFloat's grammar and
// messages, and the round trip between them in every locale.
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <random>

namespace {

constexpr double Inf = INFINITY, NaN = NAN;
const auto Bits = [](double x) { return std::bit_cast<std::uint64_t>(std::isnan(x) ? NaN : x); };
const std::string Tail = "' is not a valid floating point value";

std::string Refusal(const std::string &text)
{
    try {
        return "accepted as " + FloatToStr(StrToFloat(text)).str();
    } catch (const EConvertError &e) {
        return e.Message.str();
    }
}

// Nothing here heeds the locale: neither a decimal comma nor Turkish case rules, where 'i' is not
// the lower case of 'I'. Both locales are made in a scratch directory.
class Conversions : public testing::TestWithParam<const char *> {
  protected:
    static void SetUpTestSuite()
    {
        const std::string dir = testing::TempDir() + "complexops-locales/";
        // Made once; tr_TR is made last, so its presence means both are there.
        const std::string make = "localedef -c -f UTF-8 -i ";
        made = std::system(("test -d " + dir + "tr_TR.UTF-8 || { mkdir -p " + dir + " && " + make +
                            "de_DE " + dir + "de_DE.UTF-8 && " + make + "tr_TR " + dir +
                            "tr_TR.UTF-8; }")
                               .c_str());
        setenv("LOCPATH", dir.c_str(), 1);
    }
    void SetUp() override
    {
        ASSERT_TRUE(std::setlocale(LC_ALL, GetParam())) << "localedef: " << made;
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
    static inline int made;
};

TEST_P(Conversions, FloatToStrWritesFifteenDigitsFixedForExponentsFromMinus5To14)
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

TEST_P(Conversions, StrToFloatReadsTheCorrectlyRoundedValue)
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
        {"0.0000179769313486232E313", DBL_MAX}};
    // clang-format on
    for (const auto &[text, value] : rows)
        EXPECT_EQ(Bits(StrToFloat(text)), Bits(value)) << text;
}

TEST_P(Conversions, StrToFloatRefusesWithOneBoundedLineQuotingTheText)
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
        {"\xff" "1", "\u2068\\xFF1\u2069"}, {"1\u0080", "\u20681\\x80\u2069"},
        {std::string(64, 'a') + "\u05d0", std::string(64, 'a') + "\u2026"},
        // The first and last characters of each UTF-8 length show, and the edges of what escapes;
        // what is not UTF-8 (overlong, past U+10FFFF, a surrogate, a lone lead) escapes bytewise.
        {"\u00a0\u0800\ud7ff\ue000\U00010000\U0010ffff\u202a\u2066",
         "\u2068\u00a0\u0800\ud7ff\ue000\U00010000\U0010ffff\\u202A\\u2066\u2069"},
        {"\xe0\x80\x80\xf0\x80\x80\x80\xf4\x90\x80\x80\xed\xa0\x80\xc3(\xf8\x90\x80\x80",
         "\u2068\\xE0\\x80\\x80\\xF0\\x80\\x80\\x80\\xF4\\x90\\x80\\x80"
         "\\xED\\xA0\\x80\\xC3(\\xF8\\x90\\x80\\x80\u2069"}};
    for (std::string plain : {"", "   ", ".", "-", "+.", "1,5", "abc", "0x10", "1 2", "1..2",
                              "1.2.3", "1e", "1e+", "e5", "--1", "+-1", "inf5", "xnf", "nab",
                              "infinity", "nan(1)", "1e5.5", "<h1>H</h1>"})
        rows.emplace_back(plain, plain);
    // clang-format on
    for (const auto &[text, quoted] : rows) // a left-to-right mark before an isolated quote
        EXPECT_EQ(Refusal(text), (quoted.starts_with("\u2068") ? "\u200E'" : "'") + quoted + Tail);
}

TEST_P(Conversions, EveryWrittenTextReadsBack)
{
    std::mt19937_64 rng(7);
    for (int i = 0; i < 100000; ++i) {
        const AnsiString text = FloatToStr(std::bit_cast<double>(rng()));
        ASSERT_EQ(FloatToStr(StrToFloat(text)), text) << text.str();
    }
    for (double x : {DBL_MAX, -DBL_MAX, DBL_MIN, DBL_TRUE_MIN, 1e15, 1e-5, 99999.99999999999})
        EXPECT_EQ(FloatToStr(StrToFloat(FloatToStr(x))), FloatToStr(x));
}

INSTANTIATE_TEST_SUITE_P(Locales, Conversions, testing::Values("C", "de_DE.UTF-8", "tr_TR.UTF-8"));

} // namespace
