#include "SysUtils.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool EqualsIgnoringCase(std::string_view text, std::string_view upper)
{
    if (text.size() != upper.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != upper[i])
            return false;
    return true;
}

// The number grammar without sign and blanks: digits with an optional point
// and fraction (at least one digit in all), then an optional exponent.
bool IsUnsignedDecimal(std::string_view s)
{
    std::size_t i = 0, digits = 0;
    while (i < s.size() && IsDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.')
        for (++i; i < s.size() && IsDigit(s[i]); ++i)
            ++digits;
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        const std::size_t exponentStart = i;
        while (i < s.size() && IsDigit(s[i]))
            ++i;
        if (i == exponentStart)
            return false;
    }
    return i == s.size();
}

locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    return c;
}

// For magnitudes from_chars reports out of range: zero or a subnormal below
// the range, infinity above it. FloatToStr writes the largest double rounded
// up to "1.79769313486232E308", past the largest double; texts up to that one
// read as the largest double so that every written text reads back.
double OutOfRange(const std::string &magnitude)
{
    const double value = strtod_l(magnitude.c_str(), nullptr, CLocale());
    if (!std::isinf(value))
        return value;
    static const long double largestText = strtold_l("1.79769313486232E308", nullptr, CLocale());
    return strtold_l(magnitude.c_str(), nullptr, CLocale()) <= largestText
               ? std::numeric_limits<double>::max()
               : value;
}

[[noreturn]] void RaiseConvertError(const AnsiString &text)
{
    throw EConvertError("'" + text.str() + "' is not a valid floating point value");
}

} // namespace

double StrToFloat(const AnsiString &text)
{
    std::string_view s = text.str();
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);

    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }

    double magnitude;
    if (EqualsIgnoringCase(s, "INF")) {
        magnitude = std::numeric_limits<double>::infinity();
    } else if (EqualsIgnoringCase(s, "NAN")) {
        magnitude = std::numeric_limits<double>::quiet_NaN();
    } else if (IsUnsignedDecimal(s)) {
        const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), magnitude);
        if (error == std::errc::result_out_of_range)
            magnitude = OutOfRange(std::string(s));
        else if (error != std::errc() || end != s.data() + s.size())
            RaiseConvertError(text);
    } else {
        RaiseConvertError(text);
    }
    return negative ? -magnitude : magnitude;
}

AnsiString FloatToStr(double value)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0)
        return "0"; // negative zero too

    // d.dddddddddddddde±x: fifteen significant digits, correctly rounded.
    std::array<char, 32> sci;
    const char *end =
        std::to_chars(sci.data(), sci.data() + sci.size(), value, std::chars_format::scientific, 14)
            .ptr;
    const std::string_view text(sci.data(), static_cast<std::size_t>(end - sci.data()));
    const std::size_t e = text.find('e');
    const bool negative = text.front() == '-';

    std::string digits;
    for (char c : text.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
        if (c != '.')
            digits += c;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    int exponent = 0;
    const std::string_view exponentText = text.substr(e + 1);
    std::from_chars(exponentText.data() + (exponentText.front() == '+' ? 1 : 0),
                    exponentText.data() + exponentText.size(), exponent);

    std::string out;
    if (negative)
        out += '-';
    const int count = static_cast<int>(digits.size());
    if (exponent < -5 || exponent > 14) {
        out += digits[0];
        if (count > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += 'E';
        out += std::to_string(exponent);
    } else if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else if (count <= exponent + 1) {
        out += digits;
        out.append(static_cast<std::size_t>(exponent + 1 - count), '0');
    } else {
        const auto point = static_cast<std::size_t>(exponent + 1);
        out.append(digits, 0, point);
        out += '.';
        out.append(digits, point);
    }
    return out;
}
