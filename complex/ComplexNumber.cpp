#include "ComplexNumber.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace {

// Fixed notation with four decimals needs at most 309 integer digits, a sign,
// the point and the decimals for one part.
constexpr std::size_t MaxPartChars = 1 + 309 + 1 + 4;

char *WritePart(char *first, char *last, double value)
{
    // A NaN's sign bit differs between processors; the text should not.
    if (std::isnan(value))
        return std::copy_n("nan", 3, first);
    // to_chars is exact (correctly rounded from the binary value, like glibc's
    // printf) and ignores the locale, which the toolkit sets from the user's.
    return std::to_chars(first, last, value, std::chars_format::fixed, 4).ptr;
}

} // namespace

std::string ComplexNumber::ToString() const
{
    std::array<char, 2 * MaxPartChars + 4> buffer;
    char *const end = buffer.data() + buffer.size();
    char *p = WritePart(buffer.data(), end, re);
    *p++ = ' ';
    *p++ = im < 0 ? '-' : '+';
    *p++ = ' ';
    p = WritePart(p, end, std::fabs(im));
    *p++ = 'i';
    return {buffer.data(), p};
}
