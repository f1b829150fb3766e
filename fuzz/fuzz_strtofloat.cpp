// Any bytes: StrToFloat gives a value or one EConvertError whose message is one short line of the
// stated shape, and an accepted value's text reads back to the same text.
#include "SysUtils.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    AnsiString written;
    try {
        written = FloatToStr(StrToFloat(std::string(reinterpret_cast<const char *>(data), size)));
    } catch (const EConvertError &e) {
        const std::string &m = e.Message.str();
        // 64 characters of at most 4 bytes, escaped in at most 6, a left-to-right mark,
        // isolates and an ellipsis.
        if (!(m.starts_with("'") || m.starts_with("\u200E'")) ||
            !m.ends_with("' is not a valid floating point value") || m.size() > 64 * 6 + 60 ||
            m.find_first_of("\n\r") != std::string::npos)
            std::abort();
        return 0;
    }
    if (FloatToStr(StrToFloat(written)) != written) // a text that does not read back throws
        std::abort();
    return 0;
}
