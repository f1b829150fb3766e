// The application object: start-up with its diagnostics, the event loop with
// the termination watch, the error display, and finalisation.
#include "Application.h"

#include "Accessible.h"
#include "HeldKeys.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <netdb.h>
#include <unistd.h>
#include <xcb/xcb.h>

TApplication *Application = nullptr;

TApplication::TApplication()
{
    Application = this;
}

namespace {

// What the toolkit says while it starts, held back: where no window can open
// it says a lot and then aborts, and one clear message is all the user needs.
// What the user asked it to say (QT_DEBUG_PLUGINS, QT_LOGGING_RULES,
// QT_LOGGING_CONF) passes as it comes, as does everything where warnings are
// made fatal, since any of them may end the process. Its threads may speak too, hence the lock.
struct HeldMessage {
    QtMsgType type;
    QByteArray category, file, function;
    int line;
    QString text;
};
QtMessageHandler toolkitMessages = nullptr;
std::mutex heldLock;
std::vector<HeldMessage> startupMessages; // every one, passed on or not, for the cause
enum class Startup { Holding, Passing, Over } startup = Startup::Over;

bool AskedToolkitToTalk()
{
    // As the toolkit reads the fatal ones: a number, 0 for none, or any other text.
    const auto fatal = [](const char *name) {
        bool number = false;
        const int count = qEnvironmentVariableIntValue(name, &number);
        return number ? count != 0 : !qEnvironmentVariableIsEmpty(name);
    };
    return qEnvironmentVariableIntValue("QT_DEBUG_PLUGINS") != 0 ||
           !qEnvironmentVariableIsEmpty("QT_LOGGING_RULES") ||
           !qEnvironmentVariableIsEmpty("QT_LOGGING_CONF") || fatal("QT_FATAL_WARNINGS") ||
           fatal("QT_FATAL_CRITICALS");
}

QString HeldMessageContaining(const char *text)
{
    for (const HeldMessage &message : startupMessages)
        if (message.text.contains(QLatin1String(text)))
            return message.text;
    return {};
}

void HandToToolkit(const HeldMessage &message)
{
    // Null stays null: a pattern's %{file} then reads "unknown", as it would.
    const auto text = [](const QByteArray &held) { return held.isNull() ? nullptr : held.data(); };
    const QMessageLogContext context(text(message.file), message.line, text(message.function),
                                     text(message.category));
    toolkitMessages(message.type, context, message.text);
}

// What was held back, to the handler before ours; nothing where it all passed.
void HandOnHeldMessages()
{
    if (startup == Startup::Holding)
        for (const HeldMessage &message : startupMessages)
            HandToToolkit(message);
}

// Why the X display could not be reached, as far as its name tells; the
// toolkit says only that it failed. The name is read as the X library reads it.
QByteArray XDisplayCause(const QByteArray &display)
{
    char *parsed = nullptr;
    int number, screen;
    if (!xcb_parse_display(display.constData(), &parsed, &number, &screen))
        return "the X display name \"" + display + "\" is not of the form [host]:number[.screen]";
    QByteArray host = parsed;
    std::free(parsed);
    if (host.startsWith('[') && host.endsWith(']')) // an IPv6 address
        host = host.mid(1, host.size() - 2);
    // No host, "unix" or a socket's path: a server on this machine.
    addrinfo *found = nullptr;
    addrinfo hints = {};
    hints.ai_socktype = SOCK_STREAM;
    const int looked = host.isEmpty() || host == "unix" || host.startsWith('/')
                           ? 0
                           : getaddrinfo(host.constData(), nullptr, &hints, &found);
    if (found)
        freeaddrinfo(found);
    if (looked == EAI_NONAME || looked == EAI_NODATA)
        return "the host \"" + host + "\" of the X display \"" + display + "\" is not known";
    if (looked != 0)
        return "the host \"" + host + "\" of the X display \"" + display +
               "\" could not be looked up: " + gai_strerror(looked);
    return "the X display \"" + display + "\" refused the connection";
}

[[noreturn]] void ExplainNoWindowAndExit()
{
    const QByteArray display = qgetenv("DISPLAY");
    QByteArray cause;
    if (const QString missing = HeldMessageContaining("Could not find the Qt platform plugin");
        !missing.isEmpty())
        cause = "the platform plugin \"" + missing.section('"', 1, 1).toUtf8() + "\"" +
                (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ? " named by QT_QPA_PLATFORM" : "") +
                " is not installed";
    else if (display.isEmpty() && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        cause = "neither DISPLAY nor WAYLAND_DISPLAY is set";
    else if (!display.isEmpty() && !HeldMessageContaining("could not connect to display").isEmpty())
        cause = XDisplayCause(display);
    else if (!HeldMessageContaining("Failed to create wl_display").isEmpty())
        cause = "the Wayland display \"" + qgetenv("WAYLAND_DISPLAY") + "\" refused the connection";
    else { // the toolkit's own words are all there is
        HandOnHeldMessages();
        cause = "the toolkit found no platform to show it on";
    }
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
    const HeldMessage message{type, context.category, context.file, context.function, context.line,
                              text};
    if (startup != Startup::Holding)
        toolkitMessages(type, context, text); // its context whole, backtrace and all
    if (startup == Startup::Over)
        return;
    startupMessages.push_back(message);
    if (type == QtFatalMsg)
        ExplainNoWindowAndExit();
}

// A pipe made once, whose write end the handler writes to so that the event
// loop wakes; null where it could not be made.
const int *WakePipe()
{
    static int ends[2];
    static const bool made = pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0;
    return made ? ends : nullptr;
}
// WakePipe()[1], for the handler, which may run on any of the toolkit's threads.
// Set before the handler is installed and unchanged while it may run. A
// handler may read a sig_atomic_t on every architecture; an atomic int need
// not be lock-free there (on armel it is not).
volatile std::sig_atomic_t wakeFd;

void OnTermination(int signal)
{
    const int savedErrno = errno;
    [[maybe_unused]] const auto written = write(wakeFd, &signal, sizeof signal);
    errno = savedErrno;
}

// From start-up until the main routine returns, a session ending (SIGTERM,
// SIGHUP) or Ctrl+C in a terminal closes the windows as the user would, the
// error display included, so the program ends normally; signals the process
// was started to ignore (nohup) stay ignored. The handler only wakes the
// event loop, which may not run yet: the signal waits in the pipe.
std::map<int, struct sigaction> actionsBeforeWatch; // by signal

void StartTerminationWatch()
{
    const int *const pipe = WakePipe();
    if (!pipe)
        return;
    wakeFd = pipe[1];
    struct sigaction action = {};
    action.sa_handler = OnTermination;
    // Restarts the calls that can be restarted; poll and its kind fail with
    // EINTR regardless, which the toolkit's loops retry.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        sigaction(signal, nullptr, &actionsBeforeWatch[signal]);
        if (actionsBeforeWatch[signal].sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

// The pipe's reader, owned by the toolkit, which it needs.
void WakeOnTermination()
{
    const int *const pipe = WakePipe();
    if (!pipe)
        return;
    auto *notifier = new QSocketNotifier(pipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, [pipe] {
        int signal;
        while (read(pipe[0], &signal, sizeof signal) > 0) {
        }
        QApplication::closeAllWindows(); // an open error display too
    });
}

void EndTerminationWatch()
{
    for (const auto &[signal, action] : actionsBeforeWatch)
        sigaction(signal, &action, nullptr);
    actionsBeforeWatch.clear();
}

} // namespace

TApplication::~TApplication()
{
    EndTerminationWatch(); // where the loop never ran: a start-up that failed
    Application = nullptr;
}

void TApplication::Initialize()
{
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "complexops";
    static char *argv[] = {name, nullptr};
    startup = AskedToolkitToTalk() ? Startup::Passing : Startup::Holding;
    toolkitMessages = qInstallMessageHandler(HoldStartupMessage);
    {
        const auto handOn = qScopeGuard([] {
            {
                // A thread's line that comes in meanwhile follows the held
                // ones, through the handler before ours.
                const std::lock_guard lock(heldLock);
                HandOnHeldMessages();
                startupMessages.clear();
                startup = Startup::Over;
            }
            qInstallMessageHandler(toolkitMessages);
        });
        toolkit = std::make_unique<QApplication>(argc, argv);
    }
    InstallHeldKeyPolicy();
    // The executable's icon, where it carries one, serves every window.
    if (QFile::exists(":/MAINICON"))
        QApplication::setWindowIcon(QIcon(QPixmap(":/MAINICON", "XPM")));
    InstallAccessibleFactory();
    // Only once the toolkit is up: while it connects to the display, which may
    // hang, a signal must still end the program as it would without us.
    StartTerminationWatch();
    WakeOnTermination();
}

void TApplication::Adopt(std::unique_ptr<QWidget> form)
{
    if (!mainForm)
        mainForm = form.get();
    forms.push_back(std::move(form));
}

void TApplication::Run()
{
    if (!mainForm)
        return;
    mainForm->show();
    QApplication::exec();
    EndTerminationWatch();
    // The main window is closed and the application ends: finalise now, while
    // the toolkit is whole (at static destruction it no longer is).
    mainForm = nullptr;
    forms.clear();
    toolkit.reset();
}

void TApplication::ShowException(const Exception *E)
{
    const QScopedValueRollback showing(showingError, true);
    // The message quotes what the user typed: it is text, never markup.
    // Tied to the main window even when a screen reader's action, not a
    // click in the window, raised the error.
    QWidget *parent = mainForm && mainForm->isVisible() ? mainForm : QApplication::activeWindow();
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), ToQString(E->Message),
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    // The box that could not be read, ready to retype: a screen reader says
    // which one it is.
    if (auto *source = qobject_cast<QLineEdit *>(E->Source)) {
        source->setFocus(Qt::OtherFocusReason);
        source->selectAll();
    }
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
