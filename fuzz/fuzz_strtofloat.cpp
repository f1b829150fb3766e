// Any bytes: StrToFloat gives a value or one EConvertError whose message is
// one short line of the stated shape, and an accepted value's text reads back
// to the same text.
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
        const std::string &message = e.Message.str();
        const std::string tail = "' is not a valid floating point value";
        // 64 characters of at most 4 bytes, escaped in at most 6, isolates and an ellipsis.
        if (message.front() != '\'' || !message.ends_with(tail) || message.size() > 64 * 6 + 60 ||
            message.find_first_of("\n\r") != std::string::npos)
            std::abort();
        return 0;
    }
    const AnsiString written = FloatToStr(value);
    if (FloatToStr(StrToFloat(written)) != written)
        std::abort();
    return 0;
}
