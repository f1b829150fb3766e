#include "SysUtils.h"

#include "FloatingPoint.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <memory>
#include <utility>

namespace {

// A value pasted from a spreadsheet cell or a terminal brings a line break.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
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

locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    return c;
}

// Whether an unsigned decimal text is at most the largest written double,
// decided on its digits: a wider floating type is not wider everywhere (long double is
// double on ARM), so no parse can draw this line exactly. Only texts of
// infinite value come here, so there is a nonzero digit.
bool AtMostLargestText(std::string_view s)
{
    const std::size_t e = s.find_first_of("eE");
    std::string digits;      // from the first nonzero digit on
    long long exponent = -1; // decimal exponent of digits[0], before any 'e' part
    bool point = false;
    for (const char c : s.substr(0, e)) {
        if (c == '.')
            point = true;
        else if (!digits.empty() || c != '0') {
            digits += c;
            if (!point)
                ++exponent;
        } else if (point) {
            --exponent; // a leading zero of the fraction
        }
    }
    if (e != std::string_view::npos) {
        std::string_view part = s.substr(e + 1); // digits after an optional sign
        const bool negative = part.front() == '-';
        if (negative || part.front() == '+')
            part.remove_prefix(1);
        // Any exponent beyond the text's own length decides alone; the cap keeps
        // the sum from overflowing.
        long long value = 0;
        for (const char c : part)
            value = std::min<long long>(value * 10 + (c - '0'), std::numeric_limits<int>::max());
        exponent += negative ? -value : value;
    }
    while (digits.back() == '0')
        digits.pop_back();
    // Without trailing zeros, string order of the digits is numeric order.
    return exponent < 308 || (exponent == 308 && digits <= "179769313486232");
}

// For magnitudes from_chars reports out of range: their values are those
// StrToFloat promises.
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
        return {};
    char32_t c = lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return {};
        c = (c << 6) | (next & 0x3F);
    }
    const bool overlong = (n == 3 && c < 0x800) || (n == 4 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
        return {};
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
    const bool byte = c < 0x100; // \xNN, or \uNNNN
    std::string escaped = byte ? "\\x" : "\\u";
    for (int shift = byte ? 4 : 12; shift >= 0; shift -= 4)
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

[[noreturn]] void RaiseConvertError(const AnsiString &text, TObject *source)
{
    throw EConvertError(Quote(text.str()) + " is not a valid floating point value", source);
}

} // namespace

double StrToFloat(const AnsiString &text, TObject *Source)
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
    } else {
        // from_chars reads the decimal numbers StrToFloat accepts, to the end,
        // once the text starts with a digit or the point, which leaves out its
        // "inf" and "nan" (a text it cannot read stops it at the start).
        const char *const last = std::to_address(s.end());
        const auto [end, error] = std::from_chars(s.data(), last, magnitude);
        if (s.find_first_of("0123456789.") != 0 || end != last)
            RaiseConvertError(text, Source);
        if (error == std::errc::result_out_of_range)
            magnitude = OutOfRange(std::string(s));
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

    // d.dddddddddddddde±x: fifteen significant digits, correctly rounded; at
    // most "-d.dddddddddddddde-308".
    std::array<char, 22> sci;
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
