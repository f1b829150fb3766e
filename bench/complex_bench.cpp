// ComplexNumber's operators beside std::complex<double>, and its text form
// beside a bare snprintf of the same format; prints each ratio at the end.
#include "ComplexNumber.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t N = 1024;

struct Operands {
    std::vector<ComplexNumber> a, b;
    std::vector<std::complex<double>> sa, sb;
    Operands()
    {
        std::mt19937_64 generator(42);
        std::uniform_real_distribution<double> part(-1e3, 1e3);
        for (std::size_t i = 0; i < N; ++i) {
            const double w = part(generator), x = part(generator), y = part(generator),
                         z = part(generator);
            a.emplace_back(w, x);
            b.emplace_back(y, z);
            sa.emplace_back(w, x);
            sb.emplace_back(y, z);
        }
    }
};

const Operands &Data()
{
    static const Operands data;
    return data;
}

template <class T, class Op>
void Run(benchmark::State &state, const std::vector<T> &a, const std::vector<T> &b, Op op)
{
    for (auto _ : state)
        for (std::size_t i = 0; i < N; ++i) {
            auto r = op(a[i], b[i]);
            benchmark::DoNotOptimize(r);
        }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * N));
}
template <class Op> void RunOurs(benchmark::State &state, Op op)
{
    Run(state, Data().a, Data().b, op);
}
template <class Op> void RunStd(benchmark::State &state, Op op)
{
    Run(state, Data().sa, Data().sb, op);
}

using In = const ComplexNumber &; // an operand the operator reads
using S = const std::complex<double> &;

void Ours_Add(benchmark::State &s)
{
    RunOurs(s, [](In a, In b) { return a + b; });
}
void Std_Add(benchmark::State &s)
{
    RunStd(s, [](S a, S b) { return a + b; });
}
void Ours_Sub(benchmark::State &s)
{
    RunOurs(s, [](In a, In b) { return a - b; });
}
void Std_Sub(benchmark::State &s)
{
    RunStd(s, [](S a, S b) { return a - b; });
}
void Ours_Mul(benchmark::State &s)
{
    RunOurs(s, [](In a, In b) { return a * b; });
}
void Std_Mul(benchmark::State &s)
{
    RunStd(s, [](S a, S b) { return a * b; });
}
void Ours_Div(benchmark::State &s)
{
    RunOurs(s, [](In a, In b) { return a / b; });
}
void Std_Div(benchmark::State &s)
{
    RunStd(s, [](S a, S b) { return a / b; });
}
void Ours_Eq(benchmark::State &s)
{
    RunOurs(s, [](In a, In b) { return a == b; });
}
void Std_Eq(benchmark::State &s)
{
    RunStd(s, [](S a, S b) { return a == b; });
}
void Ours_Abs(benchmark::State &s)
{
    RunOurs(s, [](In a, In) { return a.Abs(); });
}
void Std_Abs(benchmark::State &s)
{
    RunStd(s, [](S a, S) { return std::abs(a); });
}

void Ours_ToString(benchmark::State &state)
{
    const Operands &d = Data();
    for (auto _ : state)
        for (std::size_t i = 0; i < N; ++i) {
            std::string text = d.a[i].ToString();
            benchmark::DoNotOptimize(text.data());
        }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * N));
}

void Bare_Snprintf(benchmark::State &state)
{
    const Operands &d = Data();
    char buffer[52];
    for (auto _ : state)
        for (std::size_t i = 0; i < N; ++i) {
            const double im = d.a[i].GetIm();
            std::snprintf(buffer, sizeof buffer, "%.4f %c %.4fi", d.a[i].GetRe(),
                          im < 0 ? '-' : '+', std::fabs(im));
            benchmark::DoNotOptimize(buffer);
        }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * N));
}

BENCHMARK(Ours_Add);
BENCHMARK(Std_Add);
BENCHMARK(Ours_Sub);
BENCHMARK(Std_Sub);
BENCHMARK(Ours_Mul);
BENCHMARK(Std_Mul);
BENCHMARK(Ours_Div);
BENCHMARK(Std_Div);
BENCHMARK(Ours_Eq);
BENCHMARK(Std_Eq);
BENCHMARK(Ours_Abs);
BENCHMARK(Std_Abs);
BENCHMARK(Ours_ToString);
BENCHMARK(Bare_Snprintf);

// Keeps each run's time per iteration so that main can print the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // The median where repetitions give one, else the single run.
        for (const Run &run : runs) {
            const std::string &name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[name] = run.GetAdjustedRealTime();
            else if (run.run_type == Run::RT_Iteration)
                singles[name] = run.GetAdjustedRealTime();
        }
    }
    std::map<std::string, double> Seconds() const
    {
        std::map<std::string, double> seconds = singles;
        for (const auto &[name, time] : medians)
            seconds[name] = time;
        return seconds;
    }

  private:
    std::map<std::string, double> singles, medians;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const struct {
        const char *ours, *reference, *target;
    } pairs[] = {{"Ours_Add", "Std_Add", "<= 1.1"},           {"Ours_Sub", "Std_Sub", "<= 1.1"},
                 {"Ours_Mul", "Std_Mul", "<= 1.1"},           {"Ours_Eq", "Std_Eq", "<= 1.1"},
                 {"Ours_Div", "Std_Div", "<= 0.8"},           {"Ours_Abs", "Std_Abs", "(none)"},
                 {"Ours_ToString", "Bare_Snprintf", "<= 1.2"}};
    const std::map<std::string, double> seconds = reporter.Seconds();
    std::printf("\n%-15s %-15s %8s  %s\n", "ours", "reference", "ratio", "target");
    for (const auto &p : pairs) {
        const auto ours = seconds.find(p.ours);
        const auto reference = seconds.find(p.reference);
        if (ours != seconds.end() && reference != seconds.end())
            std::printf("%-15s %-15s %8.3f  %s\n", p.ours, p.reference,
                        ours->second / reference->second, p.target);
    }
    benchmark::Shutdown();
    return 0;
}
