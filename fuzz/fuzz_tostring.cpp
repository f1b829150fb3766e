// Any two doubles: the complete text "<re> <sign> <|im|>i", each part exactly as "%.4f" writes it
// (a NaN as "nan"), and nothing written past a buffer.
#include "ComplexNumber.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    double parts[2] = {0, 0};
    std::memcpy(parts, data, size < sizeof parts ? size : sizeof parts);
    char expected[800];
    std::snprintf(expected, sizeof expected, "%.4f %c %.4fi", std::isnan(parts[0]) ? NAN : parts[0],
                  parts[1] < 0 ? '-' : '+', std::fabs(parts[1]));
    if (ComplexNumber(parts[0], parts[1]).ToString() != expected)
        std::abort();
    return 0;
}
