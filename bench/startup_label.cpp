// The reference for startup_bench: a bare Qt window, the program's size, that
// shows one label. Built a second time with the program's two described font
// families, which are not installed, to show what their fallback costs.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(862, 466);
    QLabel label("Log", &window);
#ifdef DESCRIBED_FAMILIES
    QFont sans("MS Sans Serif"), fixed("Courier New");
    sans.setPixelSize(11);
    fixed.setPixelSize(11);
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    label.setFont(sans);
    QLabel log("Log", &window);
    log.move(0, 40);
    log.setFont(fixed);
#endif
    window.show();
    return app.exec();
}
