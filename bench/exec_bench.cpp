// One Exec click at a time, through the button and the event processing that
// follows it (layout, painting), while the log grows to 100,000 lines; beside
// the toolkit's floor: a bare window with a read-only QPlainTextEdit, four
// QLineEdit and a QPushButton whose click appends one line of the same shape
// with appendPlainText and sets the four texts. Same geometry and fonts.
//
// Each side runs in a process of its own, so that neither inherits the
// other's heap; `exec_bench [lines]` runs both and prints the ratios.
#include "Application.h"
#include "ResidentMemory.h"
#include "Unit1.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int BlockSize = 1000;

struct Figures {
    double medianMicros = 0, lastOverFirst = 0, kibPerLine = 0;
};

// Clicks until the log has `lines` more lines; the median click, the last
// block of clicks against the first, and resident memory per line.
Figures Measure(QAbstractButton &button, int lines)
{
    using Clock = std::chrono::steady_clock;
    std::vector<double> clicks, blocks;
    clicks.reserve(static_cast<std::size_t>(lines));
    const long kibBefore = ResidentKiB();
    for (int done = 0; done < lines; done += BlockSize) {
        const auto blockStart = Clock::now();
        for (int i = 0; i < BlockSize; ++i) {
            const auto start = Clock::now();
            QTest::mouseClick(&button, Qt::LeftButton);
            QCoreApplication::processEvents();
            clicks.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        blocks.push_back(std::chrono::duration<double>(Clock::now() - blockStart).count());
    }
    const long kibAfter = ResidentKiB();
    std::nth_element(clicks.begin(), clicks.begin() + clicks.size() / 2, clicks.end());
    return {clicks[clicks.size() / 2], blocks.back() / blocks.front(),
            static_cast<double>(kibAfter - kibBefore) / lines};
}

Figures Ours(int lines)
{
    TApplication application;
    Application->Initialize();
    TForm1 form(nullptr);
    form.show();
    QCoreApplication::processEvents();
    const auto set = [](QLineEdit *re, QLineEdit *im, const char *x, const char *y,
                        QAbstractButton *button) {
        re->setText(x);
        im->setText(y);
        QTest::mouseClick(button, Qt::LeftButton);
    };
    set(form.X1, form.Y1, "1", "2", form.Button2);
    set(form.X2, form.Y2, "3", "-1", form.Button3);
    form.Opers->setCurrentIndex(form.Opers->findText("/"));
    return Measure(*form.Button1, lines);
}

Figures Floor(int lines)
{
    QWidget window;
    window.resize(862, 466);
    QFont proportional("MS Sans Serif"), fixed("Courier New");
    proportional.setPixelSize(11);
    fixed.setPixelSize(11);
    fixed.setStyleHint(QFont::TypeWriter);
    window.setFont(proportional);
    QPlainTextEdit log(&window);
    log.setGeometry(40, 24, 529, 241);
    log.setFont(fixed);
    log.setReadOnly(true);
    log.setUndoRedoEnabled(false);
    log.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    log.setPlainText("Log");
    QLineEdit boxes[4] = {QLineEdit(&window), QLineEdit(&window), QLineEdit(&window),
                          QLineEdit(&window)};
    for (int i = 0; i < 4; ++i)
        boxes[i].setGeometry(40 + 72 * i, 280, 65, 21);
    QPushButton button("Exec", &window);
    button.setGeometry(448, 280, 115, 25);
    QObject::connect(&button, &QPushButton::clicked, [&] {
        log.appendPlainText("(1.0000 + 2.0000i) / (3.0000 - 1.0000i) = 0.1000 + 0.7000i");
        const char *const parts[] = {"1", "2", "3", "-1"};
        for (int i = 0; i < 4; ++i)
            boxes[i].setText(parts[i]);
    });
    window.show();
    QCoreApplication::processEvents();
    return Measure(button, lines);
}

int RunSide(const QString &side, int lines)
{
    const Figures f = side == "ours" ? Ours(lines) : Floor(lines);
    std::printf("%f %f %f\n", f.medianMicros, f.lastOverFirst, f.kibPerLine);
    return 0;
}

bool RunChild(const QString &side, int lines, Figures &f)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {side, QString::number(lines)});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return false;
    return std::sscanf(child.readAllStandardOutput().constData(), "%lf %lf %lf", &f.medianMicros,
                       &f.lastOverFirst, &f.kibPerLine) == 3;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication toolkit(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3)
        return RunSide(args[1], args[2].toInt());
    const int lines = args.size() > 1 ? args[1].toInt() / BlockSize * BlockSize : 100000;

    Figures ours, floor;
    if (!RunChild("ours", lines, ours) || !RunChild("floor", lines, floor)) {
        std::fprintf(stderr, "a side of the benchmark failed\n");
        return 1;
    }
    std::printf("log grown to %d lines, one Exec click at a time, offscreen\n\n", lines);
    std::printf("%-24s %12s %12s %10s\n", "", "median us", "KiB/line", "last/first");
    std::printf("%-24s %12.1f %12.3f %10.2f\n", "Exec", ours.medianMicros, ours.kibPerLine,
                ours.lastOverFirst);
    std::printf("%-24s %12.1f %12.3f %10.2f\n", "toolkit floor", floor.medianMicros,
                floor.kibPerLine, floor.lastOverFirst);
    std::printf("\nExec / floor             %.2f  (target <= 1.2)\n",
                ours.medianMicros / floor.medianMicros);
    std::printf("memory per line          %.3f KiB  (target <= 1 KiB)\n", ours.kibPerLine);
    std::printf("last/first 1,000 clicks  %.2f  (target <= 1.3)\n", ours.lastOverFirst);
    return 0;
}
