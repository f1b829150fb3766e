// Bytes decoded into user actions on the real form (type or paste any text,
// Set, pick an operator, Exec, Abs), with the console's rules checked after
// each action.
#include "FormMonkey.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

class FuzzedChoices : public ChoiceSource {
  public:
    explicit FuzzedChoices(FuzzedDataProvider &provider) : data(provider) {}
    unsigned Pick(unsigned bound) override
    {
        return data.ConsumeIntegralInRange<unsigned>(0, bound - 1);
    }
    std::string Bytes(std::size_t max) override { return data.ConsumeRandomLengthString(max); }

  private:
    FuzzedDataProvider &data;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application->Initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider provider(bytes, size);
    FuzzedChoices choices(provider);
    FormDriver driver;
    FormMonkey monkey(driver);
    for (int action = 0; action < 64 && provider.remaining_bytes() > 0; ++action) {
        const QString failure = monkey.Act(choices);
        if (!failure.isEmpty()) {
            std::fprintf(stderr, "rule broken: %s\n", qPrintable(failure));
            std::abort();
        }
    }
    return 0;
}
