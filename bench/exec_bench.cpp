// The cost of one Exec click on the real form, through the button's event
// dispatch, while the log grows to 20,000 lines: time per block of 1,000
// clicks, last block against the first, the median click, and memory per line.
#include "ResidentMemory.h"
#include "Unit1.h"

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication toolkit(argc, argv);
    Application->Initialize();
    TForm1 form(nullptr);
    if (!qEnvironmentVariableIsSet("BENCH_HIDDEN"))
        form.show();
    QCoreApplication::processEvents();

    form.X1->setText("1");
    form.Y1->setText("2");
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    form.X2->setText("3");
    form.Y2->setText("-1");
    QTest::mouseClick(form.Button3, Qt::LeftButton);
    form.Opers->setCurrentIndex(form.Opers->findText("/"));

    constexpr int Blocks = 20, BlockSize = 1000;
    using Clock = std::chrono::steady_clock;
    std::vector<double> clickMicros, blockMillis;
    clickMicros.reserve(Blocks * BlockSize);

    const long kibBefore = ResidentKiB();
    for (int block = 0; block < Blocks; ++block) {
        const auto blockStart = Clock::now();
        for (int i = 0; i < BlockSize; ++i) {
            const auto start = Clock::now();
            QTest::mouseClick(form.Button1, Qt::LeftButton);
            // What follows a click in the event loop: layout and painting.
            QCoreApplication::processEvents();
            clickMicros.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        blockMillis.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - blockStart).count());
        std::printf("lines %6d  block %8.1f ms\n", (block + 1) * BlockSize, blockMillis.back());
    }
    const long kibAfter = ResidentKiB();

    std::nth_element(clickMicros.begin(), clickMicros.begin() + clickMicros.size() / 2,
                     clickMicros.end());
    const int lines = form.Log->Lines->Count() - 1;
    std::printf("\nlog lines                 %d\n", lines);
    std::printf("last/first block          %.2f  (target <= 1.3)\n",
                blockMillis.back() / blockMillis.front());
    std::printf("median per Exec           %.1f us  (target < 1000 us)\n",
                clickMicros[clickMicros.size() / 2]);
    std::printf("memory per line           %.3f KiB  (target <= 0.5 KiB)\n",
                static_cast<double>(kibAfter - kibBefore) / lines);
    return 0;
}
