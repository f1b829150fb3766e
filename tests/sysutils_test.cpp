// The number conversions of the edit boxes and the Abs line: FloatToStr's
// format at each boundary, StrToFloat's grammar and messages, and the round
// trip between them.
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <utility>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

struct RowName {
    template <class P> std::string operator()(const testing::TestParamInfo<P> &row) const
    {
        return row.param.name;
    }
};

struct FormatCase {
    const char *name;
    double value;
    const char *text;
};

class FloatToStrFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(FloatToStrFormat, WritesTheGeneralForm)
{
    EXPECT_EQ(FloatToStr(GetParam().value).str(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FloatToStrFormat,
    testing::Values(FormatCase{"zero", 0, "0"}, FormatCase{"negative_zero", -0.0, "0"},
                    FormatCase{"whole_number_has_no_point", 5, "5"},
                    FormatCase{"negative", -7.25, "-7.25"},
                    FormatCase{"sum_rounds_to_15_digits", 0.1 + 0.2, "0.3"},
                    FormatCase{"one_third", 1.0 / 3, "0.333333333333333"},
                    FormatCase{"two_thirds_rounds_up", 2.0 / 3, "0.666666666666667"},
                    FormatCase{"sqrt2", 1.4142135623730951, "1.4142135623731"},
                    FormatCase{"smallest_fixed", 0.00001, "0.00001"},
                    FormatCase{"fixed_with_digits", 0.000012345, "0.000012345"},
                    FormatCase{"below_fixed", 0.000001, "1E-6"},
                    FormatCase{"below_fixed_with_digits", 1.5e-7, "1.5E-7"},
                    FormatCase{"rounds_up_into_fixed", 9.999999999999999e-6, "0.00001"},
                    FormatCase{"largest_fixed", 123456789012345, "123456789012345"},
                    FormatCase{"largest_fixed_exponent", 999999999999999, "999999999999999"},
                    FormatCase{"above_fixed", 1e15, "1E15"},
                    FormatCase{"rounds_up_out_of_fixed", 999999999999999.9, "1E15"},
                    FormatCase{"exponent_with_digits", -1.25e20, "-1.25E20"},
                    FormatCase{"largest_double", DBL_MAX, "1.79769313486232E308"},
                    FormatCase{"smallest_subnormal", DBL_TRUE_MIN, "4.94065645841247E-324"},
                    FormatCase{"smallest_normal", DBL_MIN, "2.2250738585072E-308"},
                    FormatCase{"exact_tie_to_even_down", 100000000000000.5, "100000000000000"},
                    FormatCase{"exact_tie_to_even_up", 100000000000001.5, "100000000000002"},
                    FormatCase{"infinity", Inf, "INF"},
                    FormatCase{"negative_infinity", -Inf, "-INF"},
                    FormatCase{"not_a_number", std::nan(""), "NAN"}),
    RowName());

const std::string LargestTextIn309Digits = "179769313486232" + std::string(294, '0');

struct ParseCase {
    const char *name;
    const char *text;
    double value;
};

class StrToFloatAccepts : public testing::TestWithParam<ParseCase> {};

TEST_P(StrToFloatAccepts, ReadsTheCorrectlyRoundedValue)
{
    const double value = StrToFloat(GetParam().text);
    if (std::isnan(GetParam().value))
        EXPECT_TRUE(std::isnan(value));
    else
        EXPECT_EQ(std::bit_cast<std::uint64_t>(value),
                  std::bit_cast<std::uint64_t>(GetParam().value))
            << value;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrToFloatAccepts,
    testing::Values(
        ParseCase{"integer", "42", 42}, ParseCase{"signs", "-3", -3},
        ParseCase{"plus_sign", "+3", 3}, ParseCase{"trailing_point", "3.", 3},
        ParseCase{"leading_point", ".5", 0.5}, ParseCase{"negative_leading_point", "-.5", -0.5},
        ParseCase{"exponent", "1e3", 1000}, ParseCase{"capital_exponent", "1.5E-7", 1.5e-7},
        ParseCase{"signed_exponent", "2e+2", 200}, ParseCase{"leading_zeros", "007", 7},
        ParseCase{"spaces_and_tabs_around", " \t12.5\t ", 12.5},
        ParseCase{"line_breaks_around_a_pasted_cell", "\r\n1.5\r\n", 1.5},
        ParseCase{"negative_zero", "-0", -0.0},
        ParseCase{"decimal_tie_rounds_to_even", "9007199254740993", 9007199254740992.0},
        ParseCase{"many_digits", "0.1000000000000000055511151231257827", 0.1},
        ParseCase{"overflow_is_infinite", "1e400", Inf},
        ParseCase{"negative_overflow", "-1e400", -Inf},
        ParseCase{"huge_exponent", "1e99999999999999999999", Inf},
        ParseCase{"subnormal", "4.9406564584124654e-324", DBL_TRUE_MIN},
        ParseCase{"rounds_up_to_smallest_subnormal", "3e-324", DBL_TRUE_MIN},
        ParseCase{"underflow_is_zero", "1e-400", 0.0},
        ParseCase{"negative_underflow_keeps_sign", "-1e-400", -0.0},
        ParseCase{"largest_as_written", "1.79769313486232E308", DBL_MAX},
        ParseCase{"largest_exact", "1.7976931348623157e308", DBL_MAX},
        ParseCase{"just_past_the_largest_text", "1.797693134862321E308", Inf},
        ParseCase{"between_largest_and_its_text", "1.7976931348623159E308", DBL_MAX},
        ParseCase{"largest_text_in_309_digits", LargestTextIn309Digits.c_str(), DBL_MAX},
        ParseCase{"largest_text_behind_zeros", "0.0000179769313486232E313", DBL_MAX},
        ParseCase{"inf_any_case", "iNf", Inf}, ParseCase{"signed_inf", "-INF", -Inf},
        ParseCase{"nan", "NaN", std::nan("")}, ParseCase{"signed_nan", " +nan ", std::nan("")}),
    RowName());

struct RejectCase {
    RejectCase(std::string typed, std::string shown = {})
        : text(std::move(typed)), quoted(shown.empty() ? text : std::move(shown))
    {
    }
    std::string text;
    std::string quoted; // as the message quotes it
};

class StrToFloatRejects : public testing::TestWithParam<RejectCase> {};

TEST_P(StrToFloatRejects, RaisesEConvertErrorNamingTheText)
{
    const auto &[text, quoted] = GetParam();
    try {
        StrToFloat(text);
        FAIL() << "accepted '" << text << "'";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message.str(), "'" + quoted + "' is not a valid floating point value");
    }
}

const std::string Long64 = std::string(63, '7') + "x";

std::string Repeat(const std::string &text, int times)
{
    std::string repeated;
    while (times-- > 0)
        repeated += text;
    return repeated;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrToFloatRejects,
    testing::Values(
        RejectCase{""}, RejectCase{"   "}, RejectCase{"."}, RejectCase{"-"}, RejectCase{"+."},
        RejectCase{"1,5"}, RejectCase{"abc"}, RejectCase{"0x10"}, RejectCase{"1 2"},
        RejectCase{"1..2"}, RejectCase{"1.2.3"}, RejectCase{"1e"}, RejectCase{"1e+"},
        RejectCase{"e5"}, RejectCase{"--1"}, RejectCase{"+-1"}, RejectCase{"inf5"},
        RejectCase{"infinity"}, RejectCase{"nan(1)"}, RejectCase{"1e5.5"},
        RejectCase{"<h1>H</h1>"}, RejectCase{Long64},
        // One line whatever was pasted.
        RejectCase{"1\n2", "1\\n2"}, RejectCase{"1\t2\r", "1\\t2\\r"},
        RejectCase{"\x01\x7f", "\\x01\\x7F"},
        RejectCase{"1\u20282", "\u20681\\u20282\u2069"},
        // At most 64 characters, then an ellipsis.
        RejectCase{Long64 + "8", Long64 + "\u2026"},
        RejectCase{std::string(200000, 'x'), std::string(64, 'x') + "\u2026"},
        RejectCase{std::string(64, '\n') + "x", Repeat("\\n", 64) + "\u2026"},
        // Right-to-left and other non-ASCII text is isolated, so the sentence
        // stays left to right; controls that would end the isolation show.
        RejectCase{"\u200f1.5", "\u2068\u200f1.5\u2069"},
        RejectCase{"\xd9\xa3", "\u2068\xd9\xa3\u2069"}, RejectCase{"½", "\u2068½\u2069"},
        RejectCase{"\u2069\u202e1", "\u2068\\u2069\\u202E1\u2069"},
        RejectCase{"\xff" "1", "\u2068\\xFF1\u2069"},
        RejectCase{std::string(64, 'a') + "\u05d0", std::string(64, 'a') + "\u2026"}));

TEST(RoundTrip, EveryWrittenTextReadsBackToTheSameText)
{
    std::mt19937_64 generator(7);
    std::uniform_int_distribution<std::uint64_t> anyBits;
    for (int i = 0; i < 100000; ++i) {
        const double x = std::bit_cast<double>(anyBits(generator));
        const AnsiString text = FloatToStr(x);
        ASSERT_EQ(FloatToStr(StrToFloat(text)), text) << text.str();
    }
    for (double x : {DBL_MAX, -DBL_MAX, DBL_MIN, DBL_TRUE_MIN, 1e15, 1e-5, 99999.99999999999})
        EXPECT_EQ(FloatToStr(StrToFloat(FloatToStr(x))), FloatToStr(x));
}

// Under a decimal comma, and under Turkish case rules where 'i' is not the
// lower case of 'I'; the Turkish locale is made here, in a scratch directory.
class Locale : public testing::TestWithParam<const char *> {};

TEST_P(Locale, NumbersIgnoreTheLocale)
{
    const std::string name = GetParam();
    if (name.starts_with("tr_TR")) {
        const std::string dir = testing::TempDir() + "locales";
        const std::string make = "localedef -i tr_TR -f UTF-8 " + dir + "/" + name + " 2>/dev/null";
        if (std::system(("mkdir -p " + dir).c_str()) != 0 || std::system(make.c_str()) > 1)
            GTEST_SKIP() << "localedef cannot make " << name;
        setenv("LOCPATH", dir.c_str(), 1);
    }
    if (!std::setlocale(LC_ALL, name.c_str()))
        GTEST_SKIP() << "locale " << name << " is not available";
    const std::string written = FloatToStr(2.5).str();
    const double read = StrToFloat("1.25"), overflow = StrToFloat("1e999");
    const double inf = StrToFloat("inf"), nan = StrToFloat("nan");
    const bool commaRejected = [] {
        try {
            StrToFloat("1,25");
            return false;
        } catch (const EConvertError &) {
            return true;
        }
    }();
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    EXPECT_EQ(written, "2.5");
    EXPECT_EQ(read, 1.25);
    EXPECT_EQ(overflow, Inf);
    EXPECT_EQ(inf, Inf);
    EXPECT_TRUE(std::isnan(nan));
    EXPECT_TRUE(commaRejected);
}

INSTANTIATE_TEST_SUITE_P(Names, Locale, testing::Values("de_DE.UTF-8", "tr_TR.UTF-8"));

} // namespace
