#include "Forms.h"

#include "Accessible.h"
#include "StdCtrls.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QScopedValueRollback>
#include <QSocketNotifier>
#include <QTimer>
#include <QUiLoader>
#include <QWindow>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <unistd.h>

namespace {

using ControlFactory = QWidget *(*)(QWidget *parent);

const std::map<QString, ControlFactory> ControlClasses = {
    {"TEdit", [](QWidget *parent) -> QWidget * { return new TEdit(parent); }},
    {"TMemo", [](QWidget *parent) -> QWidget * { return new TMemo(parent); }},
    {"TComboBox", [](QWidget *parent) -> QWidget * { return new TComboBox(parent); }},
    {"TButton", [](QWidget *parent) -> QWidget * { return new TButton(parent); }},
};

// Builds a description into an existing form: the top-level widget is the form
// itself, every child a framework control. It must not throw (it runs inside
// the toolkit's loader), so it collects what went wrong.
class FormLoader : public QUiLoader {
  public:
    explicit FormLoader(TForm &target) : form(target) {}

    QWidget *createWidget(const QString &className, QWidget *parent, const QString &name) override
    {
        if (!formReturned) {
            formReturned = true;
            if (className != form.metaObject()->className())
                errors.push_back("The description is for " + className + ", not for " +
                                 form.metaObject()->className());
            return &form;
        }
        QWidget *control;
        if (const auto found = ControlClasses.find(className); found != ControlClasses.end()) {
            control = found->second(parent);
        } else {
            errors.push_back("The control " + name + " is of the unknown class " + className);
            control = new QWidget(parent);
        }
        controls.push_back(control); // the loader names it
        return control;
    }

    TForm &form;
    bool formReturned = false;
    std::vector<QWidget *> controls;
    QStringList errors;
};

[[noreturn]] void Raise(const QString &message)
{
    throw Exception(ToAnsiString(message));
}

void Publish(TForm &form, QWidget &control)
{
    const QMetaObject &meta = *form.metaObject();
    const QString name = control.objectName();
    const int index = meta.indexOfProperty(name.toUtf8().constData());
    if (index < 0)
        Raise(QString("%1 has no published control %2").arg(meta.className(), name));
    const QMetaProperty property = meta.property(index);
    const QMetaObject *memberClass = property.metaType().metaObject();
    if (!memberClass || !control.metaObject()->inherits(memberClass))
        Raise(QString("%1::%2 cannot hold a %3")
                  .arg(meta.className(), name, control.metaObject()->className()));
    // Every control has QObject as its first base, so the pointer needs no
    // adjustment to become the member's type.
    QObject *object = &control;
    if (!property.write(&form, QVariant(property.metaType(), &object)))
        Raise(QString("%1::%2 is not writable").arg(meta.className(), name));
}

// Every control the form publishes must come from the description: a member
// left null would fail only at the first click.
void RequireEveryControl(TForm &form)
{
    const QMetaObject &meta = *form.metaObject();
    for (int i = TForm::staticMetaObject.propertyCount(); i < meta.propertyCount(); ++i) {
        const QMetaProperty property = meta.property(i);
        if (property.metaType().metaObject() && !property.read(&form).value<QObject *>())
            Raise(QString("The description of %1 has no control %2")
                      .arg(meta.className(), property.name()));
    }
}

QMetaMethod FindHandler(const QMetaObject &meta, const QString &name)
{
    for (int i = 0; i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.methodType() == QMetaMethod::Slot && method.access() == QMetaMethod::Public &&
            method.name() == name.toUtf8() && method.parameterCount() == 1 &&
            method.parameterMetaType(0) == QMetaType::fromType<TObject *>())
            return method;
    }
    Raise(QString("%1 has no published handler %2").arg(meta.className(), name));
}

void BindOnClick(TForm &form, TButton &button)
{
    const QVariant handlerName = button.property("OnClick");
    if (!handlerName.isValid())
        return;
    const QMetaMethod handler = FindHandler(*form.metaObject(), handlerName.toString());
    button.OnClick = [&form, handler](TObject *Sender) {
        handler.invoke(&form, Qt::DirectConnection, Q_ARG(TObject *, Sender));
    };
}

// A negative height is the character height in pixels, as the description
// gives it. Where the family is missing, the pitch decides the substitute.
void ApplyFont(QWidget &widget)
{
    const QVariant name = widget.property("FontName");
    if (!name.isValid())
        return;
    QFont font(name.toString());
    font.setPixelSize(std::abs(widget.property("FontHeight").toInt()));
    const bool fixed = widget.property("FontPitch").toString() == "fpFixed";
    font.setStyleHint(fixed ? QFont::TypeWriter : QFont::SansSerif);
    font.setFixedPitch(fixed);
    widget.setFont(font);
}

} // namespace

TForm::TForm(TComponent *) : QWidget(nullptr) {}

void TForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (fitted)
        return;
    // A window manager reports its frame some time after the window is
    // mapped; without one there is never a frame, and the client geometry
    // from the description stands.
    fitDeadline.start();
    QMetaObject::invokeMethod(this, &TForm::FitOuterGeometry, Qt::QueuedConnection);
}

void TForm::FitOuterGeometry()
{
    const QVariant width = property("Width"), height = property("Height");
    if (!windowHandle() || !width.isValid() || !height.isValid()) // called only while unfitted
        return;
    const QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull()) {
        if (fitDeadline.elapsed() < FrameWaitMillis)
            QTimer::singleShot(FramePollMillis, this, &TForm::FitOuterGeometry);
        else
            fitted = true;
        return;
    }
    // Once only: afterwards the size and place are the user's. The place,
    // set by LoadDescription, is the frame's already.
    fitted = true;
    resize(width.toInt() - frame.left() - frame.right(),
           height.toInt() - frame.top() - frame.bottom());
}

void TForm::LoadDescription()
{
    const QString name = QString(metaObject()->className()).toUpper();
    QFile description(":/" + name);
    if (!description.open(QIODevice::ReadOnly))
        Raise("The form description " + name + " is missing");
    LoadDescription(description);
}

void TForm::LoadDescription(QIODevice &description)
{
    // The loader loads every Designer widget plugin on the library path when
    // it is constructed (Debian's brings in all of Qt Quick); this form uses
    // none of them, so it is constructed with the path empty.
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    FormLoader loader(*this);
    QCoreApplication::setLibraryPaths(libraryPaths);
    if (!loader.load(&description) || !loader.formReturned)
        Raise(QString("The description of %1 cannot be read: %2")
                  .arg(metaObject()->className(), loader.errorString()));
    if (!loader.errors.isEmpty())
        Raise(loader.errors.front());

    ApplyFont(*this);
    for (QWidget *control : loader.controls) {
        ApplyFont(*control);
        Publish(*this, *control);
        if (auto *button = qobject_cast<TButton *>(control))
            BindOnClick(*this, *button);
        if (auto *combo = qobject_cast<TComboBox *>(control))
            if (const QVariant height = combo->property("ItemHeight"); height.isValid())
                combo->SetItemHeight(height.toInt());
    }
    RequireEveryControl(*this);
    // The loader applies the top level's size but not its position.
    const QVariant left = property("Left"), top = property("Top");
    if (left.isValid() && top.isValid())
        move(left.toInt(), top.toInt());
    if (const QVariant active = property("ActiveControl"); active.isValid()) {
        auto *control = findChild<QWidget *>(active.toString());
        if (!control)
            Raise(QString("%1 has no control %2 to activate")
                      .arg(metaObject()->className(), active.toString()));
        control->setFocus();
    }
}

namespace {
TApplication TheApplication;
}
TApplication *Application = &TheApplication;

TApplication::TApplication() = default;

TApplication::~TApplication()
{
    // Reached with something left only when Run never ran (start-up failed);
    // forms exist only with the toolkit. Qt's own statics may be gone by now,
    // so nothing is destroyed: what is left stays reachable until the process
    // ends.
    struct Remains {
        std::vector<std::unique_ptr<TForm>> forms;
        std::unique_ptr<QApplication> toolkit;
    };
    if (toolkit) {
        static Remains *const remains = new Remains{std::move(forms), std::move(toolkit)};
        (void)remains;
    }
}

namespace {

// What the toolkit says while it starts, held back: where no window can open
// it says a lot and then aborts, and one clear message is all the user needs.
// Its threads may speak too, hence the lock.
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
QtMessageHandler toolkitMessages = nullptr;
std::mutex heldLock;
std::vector<HeldMessage> startupMessages;

QString Said(const char *text)
{
    for (const HeldMessage &message : startupMessages)
        if (message.text.contains(QLatin1String(text)))
            return message.text;
    return {};
}

[[noreturn]] void NoWindow()
{
    const QByteArray display = qgetenv("DISPLAY");
    QByteArray cause;
    if (const QString missing = Said("Could not find the Qt platform plugin"); !missing.isEmpty())
        cause = "the platform plugin \"" + missing.section('"', 1, 1).toUtf8() + "\"" +
                (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ? " named by QT_QPA_PLATFORM" : "") +
                " is not installed";
    else if (display.isEmpty() && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        cause = "neither DISPLAY nor WAYLAND_DISPLAY is set";
    else if (!display.isEmpty() && !Said("could not connect to display").isEmpty())
        cause = "the X display \"" + display + "\" refused the connection";
    else if (!Said("Failed to create wl_display").isEmpty())
        cause = "the Wayland display \"" + qgetenv("WAYLAND_DISPLAY") + "\" refused the connection";
    else
        cause = "the toolkit found no platform to show it on";
    std::fprintf(stderr,
                 "complexops: cannot open a window: %s.\n"
                 "Set DISPLAY to a running X server or WAYLAND_DISPLAY to a Wayland compositor, "
                 "and leave QT_QPA_PLATFORM unset (or set it to xcb or wayland).\n",
                 cause.constData());
    std::_Exit(1); // a program that never got a window has not succeeded
}

void HoldStartupMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    const std::lock_guard lock(heldLock);
    if (type == QtFatalMsg)
        NoWindow();
    startupMessages.push_back({type, context.category, text});
}

} // namespace

void TApplication::Initialize()
{
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "complexops";
    static char *argv[] = {name, nullptr};
    toolkitMessages = qInstallMessageHandler(HoldStartupMessage);
    toolkit = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(toolkitMessages);
    const std::lock_guard lock(heldLock);
    for (const HeldMessage &message : startupMessages) {
        QMessageLogContext context;
        context.category = message.category.constData();
        qt_message_output(message.type, context, message.text); // to the handler now installed
    }
    startupMessages.clear();
    // The executable's icon, where it carries one, serves every window.
    if (QFile::exists(":/MAINICON"))
        QApplication::setWindowIcon(QIcon(QPixmap(":/MAINICON", "XPM")));
    InstallAccessibleFactory();
}

void TApplication::Adopt(std::unique_ptr<TForm> form)
{
    if (!mainForm)
        mainForm = form.get();
    forms.push_back(std::move(form));
}

namespace {

// A pipe made once, whose write end the handler writes to so that the event
// loop wakes; null where it could not be made.
const int *WakePipe()
{
    static int ends[2];
    static const bool made = pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0;
    return made ? ends : nullptr;
}
volatile std::sig_atomic_t wakeFd; // WakePipe()[1], for the handler

void OnTermination(int signal)
{
    const int savedErrno = errno;
    [[maybe_unused]] const auto written = write(wakeFd, &signal, sizeof signal);
    errno = savedErrno;
}

// While the event loop runs, a session ending (SIGTERM, SIGHUP) or Ctrl+C in a
// terminal closes the windows as the user would, so the program ends
// normally; signals the process was started to ignore (nohup) stay ignored.
// The handler only wakes the event loop.
class TerminationWatch {
  public:
    TerminationWatch()
    {
        const int *const pipe = WakePipe();
        if (!pipe)
            return;
        wakeFd = pipe[1];
        notifier = std::make_unique<QSocketNotifier>(pipe[0], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [pipe] {
            int signal;
            while (read(pipe[0], &signal, sizeof signal) > 0) {
            }
            QApplication::closeAllWindows(); // an open error display too
        });
        struct sigaction action = {};
        action.sa_handler = OnTermination;
        action.sa_flags = SA_RESTART; // the toolkit's threads see no EINTR
        sigemptyset(&action.sa_mask);
        for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
            sigaction(signal, nullptr, &previous[signal]);
            if (previous[signal].sa_handler != SIG_IGN)
                sigaction(signal, &action, nullptr);
        }
    }
    ~TerminationWatch()
    {
        for (const auto &[signal, action] : previous)
            sigaction(signal, &action, nullptr);
    }

  private:
    std::map<int, struct sigaction> previous; // by signal
    std::unique_ptr<QSocketNotifier> notifier;
};

} // namespace

void TApplication::Run()
{
    if (!mainForm)
        return;
    mainForm->show();
    {
        const TerminationWatch watch;
        QApplication::exec();
    }
    // The main window is closed and the application ends: finalise now, while
    // the toolkit is whole (at static destruction it no longer is).
    mainForm = nullptr;
    forms.clear();
    toolkit.reset();
}

void TApplication::ShowException(const Exception *E)
{
    const QScopedValueRollback showing(showingError, true);
    if (errorDisplay) {
        errorDisplay(E->Message);
        return;
    }
    // The message quotes what the user typed: it is text, never markup.
    // Tied to the main window even when a screen reader's action, not a
    // click in the window, raised the error.
    QWidget *parent = mainForm && mainForm->isVisible() ? mainForm : QApplication::activeWindow();
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), ToQString(E->Message),
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void TApplication::Dispatch(const std::function<void()> &command)
{
    // The error display is modal for every kind of input, a screen reader's
    // actions and synthetic events included.
    if (showingError)
        return;
    try {
        command();
    } catch (const Exception &E) {
        ShowException(&E);
    } catch (const std::exception &E) {
        const Exception shown(E.what());
        ShowException(&shown);
    } catch (...) {
        const Exception shown("");
        ShowException(&shown);
    }
}

void TApplication::SetErrorDisplay(ErrorDisplay display)
{
    errorDisplay = std::move(display);
}
