// Any two doubles: the complete text "<re> <sign> <|im|>i", each part exactly
// as "%.4f" writes it (NaN as "nan"), and nothing written past a buffer.
#include "ComplexNumber.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Fixed4(double x)
{
    if (std::isnan(x))
        return "nan";
    std::vector<char> buffer(400);
    const int n = std::snprintf(buffer.data(), buffer.size(), "%.4f", x);
    return {buffer.data(), static_cast<std::size_t>(n)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    double parts[2] = {0, 0};
    std::memcpy(parts, data, size < sizeof parts ? size : sizeof parts);
    const ComplexNumber z(parts[0], parts[1]);
    const std::string text = z.ToString();
    const std::string expected = Fixed4(parts[0]) + (parts[1] < 0 ? " - " : " + ") +
                                 Fixed4(std::fabs(parts[1])) + "i";
    if (text != expected || z.ToString() != text)
        std::abort();
    return 0;
}
