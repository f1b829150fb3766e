#include "HeldKeys.h"

#include "DetectableRepeat.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHash>
#include <QKeyEvent>

namespace {

// The X server repeats a held key as a release and a press with one time
// stamp, which the toolkit marks as a repeat only when the press has already
// arrived, or, where the program asks for it, as presses with no release
// between. So the press of a key counts as new only after a release of it at
// another time, wherever that release went (to an error display, say). Time
// stamps of 0 are no time: synthetic events carry them. Each event is seen
// more than once (the window has it before the focused widget, which may hand
// it on to its parent), and counts once.
class KeyWatch final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ApplicationDeactivate) // releases go elsewhere now
            keys.clear();
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return false;
        const auto &key = *static_cast<const QKeyEvent *>(event);
        LastEvent &last = keys[key.key()];
        if (last.type != key.type() || last.time != key.timestamp()) {
            if (key.type() == QEvent::KeyPress)
                last.repeated = key.isAutoRepeat() || last.type == QEvent::KeyPress ||
                                (last.time == key.timestamp() && key.timestamp() != 0);
            last.type = key.type();
            last.time = key.timestamp();
        }
        const bool activates =
            key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Space;
        return key.type() == QEvent::KeyPress && last.repeated && activates &&
               qobject_cast<QAbstractButton *>(QApplication::focusWidget());
    }

  private:
    struct LastEvent {
        QEvent::Type type = QEvent::None;
        quint64 time = 0;
        bool repeated = false;
    };
    QHash<int, LastEvent> keys;
};

} // namespace

void InstallHeldKeyPolicy()
{
    // Space acts on release: only with no release between repeats does it act once.
    if (auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>())
        if (x11->connection()) // the offscreen platform offers one with none
            AskForDetectableRepeat(x11->connection());
    qApp->installEventFilter(new KeyWatch(qApp));
}
