// Any bytes: StrToFloat accepts exactly what SysUtils.h says, its grammar written again here as
// the oracle, apart from the code; an accepted text reads back from its written text, a refused
// one gives one EConvertError, one short line.
#include "SysUtils.h"

#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::regex number(R"([ \t\r\n]*[+-]?((\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)"
                                   R"(|[iI][nN][fF]|[nN][aA][nN])[ \t\r\n]*)");
    const std::string text(reinterpret_cast<const char *>(data), size);
    const bool grammatical = std::regex_match(text, number);
    AnsiString written;
    try {
        written = FloatToStr(StrToFloat(text));
    } catch (const EConvertError &e) {
        const std::string &m = e.Message.str();
        // 64 characters of at most 4 bytes, escaped in at most 6, a left-to-right mark,
        // isolates and an ellipsis.
        if (grammatical || !(m.starts_with("'") || m.starts_with("\u200E'")) ||
            !m.ends_with("' is not a valid floating point value") || m.size() > 64 * 6 + 60 ||
            m.find_first_of("\n\r") != std::string::npos)
            std::abort();
        return 0;
    }
    if (!grammatical || FloatToStr(StrToFloat(written)) != written)
        std::abort();
    return 0;
}
