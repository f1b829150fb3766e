#include "ComplexNumber.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>

namespace {

// One part in fixed notation with four decimals.
std::string Part(double value)
{
    // A NaN's sign bit differs between processors; the text should not.
    if (std::isnan(value))
        return "nan";
    // At most a sign, 309 integer digits, the point and four decimals. to_chars
    // is exact (correctly rounded from the binary value, like glibc's printf)
    // and ignores the locale, which the toolkit sets from the user's.
    char text[std::numeric_limits<double>::max_exponent10 + 7];
    return {
        text,
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed, 4).ptr};
}

} // namespace

std::string ComplexNumber::ToString() const
{
    return Part(re) + (im < 0 ? " - " : " + ") + Part(std::fabs(im)) + "i";
}
