// The main routine: call order, one error display on every failure path with
// the right message, exit status 0, and command-line arguments ignored.
// CTest starts this program with toolkit options that must change nothing.
#include "FormDriver.h"
#include "Shell.h"

#include <QTimer>
#include <new>

namespace {

enum class Fault { None, FrameworkError, OtherError };

// Stands in for the application object and records what the shell asks of it.
struct RecordingApp {
    QStringList calls;
    QString failingStep;
    Fault fault = Fault::None;

    void Step(const QString &name)
    {
        calls << name;
        if (name != failingStep)
            return;
        if (fault == Fault::FrameworkError)
            throw EConvertError("'x' is not a valid floating point value");
        throw std::bad_alloc();
    }
    void Initialize() { Step("Initialize"); }
    template <class T> void CreateForm(T **) { Step("CreateForm"); }
    void Run() { Step("Run"); }
    void ShowException(const Exception *E) { calls << "Show:" + QString(E->Message.c_str()); }
};

struct TFailingForm : TForm {
    explicit TFailingForm(TComponent *Owner) : TForm(Owner)
    {
        if (fault == Fault::FrameworkError)
            throw Exception("The form cannot be built");
        throw std::bad_alloc();
    }
    static inline Fault fault;
};

} // namespace

class TestShell : public QObject {
    Q_OBJECT
  private slots:
    void callOrderAndErrorDisplays_data();
    void callOrderAndErrorDisplays();
    void constructionErrorIsShownOnceAndTheLoopNeverRuns_data();
    void constructionErrorIsShownOnceAndTheLoopNeverRuns();
    void commandLineArgumentsChangeNothing();
    void closingTheWindowEndsWithStatusZero();
};

void TestShell::callOrderAndErrorDisplays_data()
{
    QTest::addColumn<QString>("failingStep");
    QTest::addColumn<int>("fault");
    QTest::addColumn<QStringList>("calls");
    const QString message = "Show:'x' is not a valid floating point value";
    QTest::newRow("no error") << "" << int(Fault::None)
                              << QStringList({"Initialize", "CreateForm", "Run"});
    QTest::newRow("framework error in Initialize")
        << "Initialize" << int(Fault::FrameworkError) << QStringList({"Initialize", message});
    QTest::newRow("framework error in CreateForm: no Run")
        << "CreateForm" << int(Fault::FrameworkError)
        << QStringList({"Initialize", "CreateForm", message});
    QTest::newRow("framework error in Run")
        << "Run" << int(Fault::FrameworkError)
        << QStringList({"Initialize", "CreateForm", "Run", message});
    QTest::newRow("other error in CreateForm: empty message")
        << "CreateForm" << int(Fault::OtherError)
        << QStringList({"Initialize", "CreateForm", "Show:"});
    QTest::newRow("other error in Run: empty message")
        << "Run" << int(Fault::OtherError)
        << QStringList({"Initialize", "CreateForm", "Run", "Show:"});
}

void TestShell::callOrderAndErrorDisplays()
{
    QFETCH(QString, failingStep);
    QFETCH(int, fault);
    QFETCH(QStringList, calls);
    RecordingApp app{{}, failingStep, Fault(fault)};
    TForm1 *form = nullptr;
    QCOMPARE(ApplicationMain(app, &form), 0);
    QCOMPARE(app.calls, calls);
}

void TestShell::constructionErrorIsShownOnceAndTheLoopNeverRuns_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("framework error") << int(Fault::FrameworkError) << "The form cannot be built";
    QTest::newRow("other error") << int(Fault::OtherError) << "";
}

void TestShell::constructionErrorIsShownOnceAndTheLoopNeverRuns()
{
    QFETCH(int, fault);
    QFETCH(QString, message);
    TFailingForm::fault = Fault(fault);
    QStringList shown;
    Application->SetErrorDisplay([&](const AnsiString &m) { shown << m.c_str(); });
    bool loopRan = false;
    QObject scope; // cancels the probe when this test ends
    QTimer::singleShot(0, &scope, [&] { loopRan = true; });
    TFailingForm *form = nullptr;
    QCOMPARE(ApplicationMain(*Application, &form), 0);
    Application->SetErrorDisplay({});
    QCOMPARE(shown, QStringList({message}));
    QVERIFY(!form);
    QVERIFY(!Application->MainForm());
    QVERIFY(!loopRan);
}

void TestShell::closingTheWindowEndsWithStatusZero()
{
    QTimer::singleShot(0, [] {
        QVERIFY(Application->MainForm()->isVisible());
        Application->MainForm()->close();
    });
    QCOMPARE(ApplicationMain(*Application, &Form1), 0);
    QVERIFY(Form1);
}

void TestShell::commandLineArgumentsChangeNothing()
{
    QCOMPARE(QCoreApplication::arguments(), QStringList({"complexops"}));
    QCOMPARE(QGuiApplication::platformName(), QString("offscreen"));
    QCOMPARE(QApplication::style()->name(), QApplication::style()->name().toLower());
    QVERIFY(QApplication::style()->name() != "nonsense");
}

int main(int argc, char **argv)
{
    // The toolkit options CTest passes are for the program, which ignores them.
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given << argv[i];
    if (!given.contains("-platform"))
        qWarning("expected to be started with toolkit options");
    Application->Initialize();
    TestShell test;
    return QTest::qExec(&test, 1, argv);
}

#include "tst_shell.moc"
