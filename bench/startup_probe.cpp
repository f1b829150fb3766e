// Starts a window and, at its first paint, prints the monotonic clock (ns)
// and resident memory (KiB), then closes it. Built twice: as the program's
// own start-up (Initialize, CreateForm, Run), as a bare Qt window, and as a
// bare window with one line of text.
#include "ResidentMemory.h"
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>

#include <string>

#ifndef BARE_WINDOW
#include "Unit1.h"
#else
#include <QLabel>
#endif

namespace {

class FirstPaint : public QObject {
  public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen) {
            seen = true;
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::printf("%lld %ld\n", now.tv_sec * 1000000000LL + now.tv_nsec, ResidentKiB());
            std::fflush(stdout);
            QTimer::singleShot(0, static_cast<QWidget *>(watched), &QWidget::close);
        }
        return false;
    }
    bool seen = false;
};

} // namespace

int main(int argc, char **argv)
{
    FirstPaint probe;
#ifdef BARE_WINDOW
    QApplication app(argc, argv);
    QWidget window;
    window.resize(862, 466);
#ifdef WITH_TEXT
    // One line of text: the same font system start-up any window with text pays.
    QLabel text("Log", &window);
#endif
    window.installEventFilter(&probe);
    window.show();
    return app.exec();
#else
    (void)argc;
    (void)argv;
    Application->Initialize();
    Application->CreateForm(&Form1);
    Form1->installEventFilter(&probe);
    Application->Run();
    return 0;
#endif
}
