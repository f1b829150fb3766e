// Any bytes: StrToFloat gives a value or one EConvertError with the stated
// message, and an accepted value's text reads back to the same text.
#include "SysUtils.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const AnsiString text(std::string(reinterpret_cast<const char *>(data), size));
    double value;
    try {
        value = StrToFloat(text);
    } catch (const EConvertError &e) {
        if (e.Message.str() != "'" + text.str() + "' is not a valid floating point value")
            std::abort();
        return 0;
    }
    const AnsiString written = FloatToStr(value);
    if (FloatToStr(StrToFloat(written)) != written)
        std::abort();
    return 0;
}
