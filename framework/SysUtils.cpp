#include "SysUtils.h"

// Infinity and NaN are values here ("INF", "NAN").
#if defined(__FAST_MATH__) || (defined(__FINITE_MATH_ONLY__) && __FINITE_MATH_ONLY__)
#error "-ffast-math, -Ofast and -ffinite-math-only drop the infinities and NaNs this code relies on"
#endif

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <utility>

namespace {

// A value pasted from a spreadsheet cell or a terminal brings a line break.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// ASCII only: toupper follows LC_CTYPE, and under a Turkish locale 'i' is not
// the lower case of 'I'.
bool EqualsIgnoringCase(std::string_view text, std::string_view upper)
{
    if (text.size() != upper.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c =
            text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A') : text[i];
        if (c != upper[i])
            return false;
    }
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

// Whether an unsigned decimal text is at most "1.79769313486232E308", decided
// on its digits: a wider floating type is not wider everywhere (long double is
// double on ARM), so no parse can draw this line exactly.
bool AtMostLargestText(std::string_view s)
{
    std::string digits;      // from the first nonzero digit on
    long long exponent = -1; // decimal exponent of digits[0], before any 'e' part
    bool point = false;
    std::size_t i = 0;
    for (; i < s.size() && s[i] != 'e' && s[i] != 'E'; ++i) {
        if (s[i] == '.')
            point = true;
        else if (!digits.empty() || s[i] != '0') {
            digits += s[i];
            if (!point)
                ++exponent;
        } else if (point) {
            --exponent; // a leading zero of the fraction
        }
    }
    if (i < s.size()) {
        const bool negative = s[++i] == '-';
        i += s[i] == '+' || s[i] == '-';
        // Stops growing far beyond any digit count, which keeps the comparison.
        long long e = 0;
        for (; i < s.size() && e < 100'000'000'000'000'000; ++i) // no overflow below 1e18
            e = e * 10 + (s[i] - '0');
        exponent += negative ? -e : e;
    }
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    // Without trailing zeros, string order of the digits is numeric order. Only
    // texts of infinite value come here, so digits is never empty.
    return exponent < 308 || (exponent == 308 && digits <= "179769313486232");
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
    return AtMostLargestText(magnitude) ? std::numeric_limits<double>::max() : value;
}

constexpr std::size_t QuotedCharacters = 64;

// The character whose UTF-8 sequence starts at text[i], and its length; a
// length of 0 where the bytes there are not a well-formed sequence.
std::pair<char32_t, std::size_t> Decode(std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80)
        return {lead, 1};
    const std::size_t n = lead >= 0xC2 && lead < 0xE0   ? 2
                          : lead >= 0xE0 && lead < 0xF0 ? 3
                          : lead >= 0xF0 && lead < 0xF5 ? 4
                                                        : 0;
    if (n == 0 || i + n > text.size())
        return {0, 0};
    char32_t c = lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return {0, 0};
        c = (c << 6) | (next & 0x3F);
    }
    const bool overlong = (n == 3 && c < 0x800) || (n == 4 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
        return {0, 0};
    return {c, n};
}

// Characters that would break the message's single line, or escape the
// isolation of the quote and turn the sentence around.
bool ShownEscaped(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string Escape(char32_t c)
{
    switch (c) {
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    }
    std::string escaped = c < 0x100 ? "\\x" : "\\u";
    for (int shift = c < 0x100 ? 4 : 12; shift >= 0; shift -= 4)
        escaped += "0123456789ABCDEF"[(c >> shift) & 0xF];
    return escaped;
}

// The typed text as the message quotes it: at most QuotedCharacters of it,
// on one line, and (when it holds anything but ASCII) isolated, so that
// right-to-left text stays inside the quotes. Bytes that are not UTF-8 are
// shown as \xNN.
std::string Quote(std::string_view text)
{
    std::string quoted;
    bool plainAscii = true;
    std::size_t i = 0, characters = 0;
    for (; i < text.size() && characters < QuotedCharacters; ++characters) {
        const auto [c, n] = Decode(text, i);
        if (n == 0) {
            quoted += Escape(static_cast<unsigned char>(text[i]));
            plainAscii = false;
            ++i;
            continue;
        }
        if (ShownEscaped(c))
            quoted += Escape(c);
        else
            quoted += text.substr(i, n);
        plainAscii = plainAscii && c < 0x80;
        i += n;
    }
    if (i < text.size())
        quoted += "\u2026"; // HORIZONTAL ELLIPSIS
    if (plainAscii)
        return "'" + quoted + "'";
    // FIRST STRONG ISOLATE ... POP DIRECTIONAL ISOLATE around the text, and a
    // LEFT-TO-RIGHT MARK first, for displays that look past isolates for the
    // paragraph's direction.
    return "\u200E'\u2068" + quoted + "\u2069'";
}

[[noreturn]] void RaiseConvertError(const AnsiString &text)
{
    throw EConvertError(Quote(text.str()) + " is not a valid floating point value");
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
        return std::signbit(value) ? "-0" : "0"; // the sign reads back

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
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), end, exponent);

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
