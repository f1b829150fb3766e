// The real form offscreen, driven as a user drives it: the window as
// described, Set, Abs, Exec over the operator table, errors, form building,
// the main routine, and random actions under the console's rules.
#include "Shell.h"
#include "Unit1.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QClipboard>
#include <QFontInfo>
#include <QTest>
#include <QTimer>
#include <array>
#include <cstring>
#include <random>

namespace {

// A form whose errors land in a list instead of a message box; text is
// pasted, so any text can be entered.
struct Driver {
    Driver()
    {
        Application->SetErrorDisplay([this](const AnsiString &m) { errors << m.c_str(); });
    }
    ~Driver() { Application->SetErrorDisplay({}); }
    static void Type(QLineEdit *box, const QString &text)
    {
        box->selectAll();
        QApplication::clipboard()->setText(text);
        QTest::keyClick(box, text.isEmpty() ? Qt::Key_Delete : Qt::Key_V,
                        text.isEmpty() ? Qt::NoModifier : Qt::ControlModifier);
    }
    static void Click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    void Set(bool first, const QString &re, const QString &im)
    {
        Type(first ? form.X1 : form.X2, re);
        Type(first ? form.Y1 : form.Y2, im);
        Click(first ? form.Button2 : form.Button3);
    }
    QStringList Log() const { return form.Log->toPlainText().split('\n'); }
    QStringList Boxes() const
    {
        return {form.X1->text(), form.Y1->text(), form.X2->text(), form.Y2->text()};
    }
    TForm1 form{nullptr};
    QStringList errors;
};

bool SameBits(const ComplexNumber &a, const ComplexNumber &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

// A form with fewer published members than some descriptions name.
class TSmallForm : public TForm {
    Q_OBJECT
    Q_PROPERTY(TButton *Button1 MEMBER Button1)
  public:
    TButton *Button1 = nullptr;
    explicit TSmallForm(const QString &controls) : TForm(nullptr)
    {
        QByteArray ui = R"(<ui version="4.0"><widget class="TSmallForm" name="F">)" +
                        controls.toUtf8() + "</widget></ui>";
        QBuffer description(&ui);
        description.open(QIODevice::ReadOnly);
        LoadDescription(description);
    }
  public slots:
    void Button1Click(TObject *) {}
  private slots:
    void Hidden(TObject *) {}
};

class TestForm : public QObject {
    Q_OBJECT
  private slots:
    void windowAsDescribed();
    void exec_data();
    void exec();
    void set_data();
    void set();
    void equalModuliOrderButAreNotEqual();
    void absLogsTheModulusOfZ1Only();
    void keysClickAFocusedButtonOnly();
    void everyControlOffersItsText();
    void loudFormBuilding_data();
    void loudFormBuilding();
    void errorsInTheLoopAreShownAndNoCommandRunsMeanwhile();
    void mainRoutineShowsEachErrorOnceAndReturnsZero();
    void randomActionsKeepTheConsoleRules();
    void closingTheWindowEndsWithStatusZero(); // last: it ends the toolkit
};

void TestForm::windowAsDescribed()
{
    Driver d;
    d.form.show();
    QVERIFY(QTest::qWaitForWindowActive(&d.form));
    QCOMPARE(d.form.windowTitle(), "Form1");
    QTRY_COMPARE(d.form.frameGeometry(), QRect(193, 114, 870, 500)); // frame included
    QCOMPARE(d.Log(), QStringList{"Log"});
    QCOMPARE(d.Boxes().join(' '), "0 0 0 0");
    QCOMPARE(QApplication::focusWidget(), d.form.Button1);
    QStringList items;
    for (int i = 0; i < d.form.Opers->count(); ++i)
        items << d.form.Opers->itemText(i);
    QCOMPARE(items.join(' ') + d.form.Opers->currentText(),
             "+ - * / += -= *= /= ++ -- == > < >= <=+");
    QVERIFY(!d.form.Opers->isEditable());
    QCOMPARE(d.form.Opers->view()->sizeHintForRow(0), 14);
    const struct {
        QWidget *control;
        const char *className, *text, *name;
        QRect geometry;
    } rows[] = {
        {d.form.Log, "TMemo", "", "Log", {40, 24, 529, 241}},
        {d.form.X1, "TEdit", "", "Real part of the first operand", {40, 280, 65, 21}},
        {d.form.Y1, "TEdit", "", "Imaginary part of the first operand", {112, 280, 65, 21}},
        {d.form.X2, "TEdit", "", "Real part of the second operand", {288, 280, 65, 21}},
        {d.form.Y2, "TEdit", "", "Imaginary part of the second operand", {360, 280, 65, 21}},
        {d.form.Opers, "TComboBox", "", "Operator", {208, 280, 49, 22}},
        {d.form.Button1, "TButton", "Exec", "Exec: apply the operator", {448, 280, 115, 25}},
        {d.form.Button2, "TButton", "Set", "Set the first operand", {40, 312, 65, 25}},
        {d.form.Button3, "TButton", "Set", "Set the second operand", {288, 312, 75, 25}},
        {d.form.Button4,
         "TButton",
         "Abs",
         "Abs: log the modulus of the first operand",
         {112, 312, 65, 25}},
    };
    d.form.resize(400, 200); // resizing moves and resizes no control
    d.form.Log->setFocus();
    for (const auto &row : rows) {
        // The tab order is the order of the rows, the operator list after Y2.
        QCOMPARE(QApplication::focusWidget(), row.control);
        QTest::keyClick(row.control, Qt::Key_Tab);
        QCOMPARE(row.control->parentWidget(), &d.form);
        QCOMPARE(row.control->metaObject()->className(), row.className);
        QCOMPARE(row.control->geometry(), row.geometry);
        QCOMPARE(row.control->accessibleName(), row.name);
        if (auto *button = qobject_cast<QPushButton *>(row.control))
            QCOMPARE(button->text(), row.text);
    }
    QCOMPARE(QApplication::focusWidget(), d.form.Log);
    for (QWidget *w : std::initializer_list<QWidget *>{&d.form, d.form.Log, d.form.Opers})
        QCOMPARE(w->font().pixelSize(), 11);
    QVERIFY(QFontInfo(d.form.Log->font()).fixedPitch() &&
            QFontInfo(d.form.Opers->font()).fixedPitch());
    QVERIFY(!QFontInfo(d.form.Button1->font()).fixedPitch());
    // The described families and pitches, whatever fonts stand in for them here.
    QVERIFY(d.form.Log->font().fixedPitch() && !d.form.font().fixedPitch());
    QCOMPARE(d.form.font().family() + d.form.Log->font().family(), "MS Sans SerifCourier New");
    d.form.Log->setFocus();
    QTest::keyClicks(d.form.Log, "typed\b");
    QCOMPARE(d.Log(), QStringList{"Log"}); // read-only
    QCOMPARE(d.form.Log->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(d.form.Log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

void TestForm::exec_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("outcome"); // empty: no line
    QTest::addColumn<QString>("boxes");
    const char *rows[][4] = {
        {"+ sum", "+", "4.0000 + 1.0000i", "1 2 3 -1"},
        {"- difference", "-", "-2.0000 + 3.0000i", "1 2 3 -1"},
        {"* product", "*", "5.0000 + 5.0000i", "1 2 3 -1"},
        {"/ quotient", "/", "0.1000 + 0.7000i", "1 2 3 -1"},
        {"+= changes Z1", "+=", "", "4 1 3 -1"},
        {"-= changes Z1", "-=", "", "-2 3 3 -1"},
        {"*= changes Z1", "*=", "", "5 5 3 -1"},
        {"/= shows 15 digits", "/=", "", "0.1 0.7 3 -1"},
        {"++ adds 1 to re", "++", "", "2 2 3 -1"},
        {"-- subtracts 1 from re", "--", "", "0 2 3 -1"},
        {"== by parts", "==", "FALSE", "1 2 3 -1"},
        {"> by modulus", ">", "FALSE", "1 2 3 -1"},
        {"< by modulus", "<", "TRUE", "1 2 3 -1"},
        {">= by modulus", ">=", "FALSE", "1 2 3 -1"},
        {"<= by modulus", "<=", "TRUE", "1 2 3 -1"},
        {"no row for an empty item", "", "", "1 2 3 -1"},
        {"no row for an unknown item", "%", "", "1 2 3 -1"},
        {"no row for a symbol and a blank", "+ ", "", "1 2 3 -1"},
        {"no row for part of a symbol", "=", "", "1 2 3 -1"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3]);
}

void TestForm::exec()
{
    QFETCH(QString, symbol);
    QFETCH(QString, outcome);
    QFETCH(QString, boxes);
    Driver d;
    d.Set(true, "1", "2.0");
    d.Set(false, "3", "-1");
    d.Type(d.form.X2, "typed but not Set");
    d.form.Opers->addItem(symbol);
    d.form.Opers->setCurrentIndex(d.form.Opers->findText(symbol));
    d.Click(d.form.Button1);
    const QString line = "(1.0000 + 2.0000i) " + symbol + " (3.0000 - 1.0000i) = " + outcome;
    QCOMPARE(d.Log(), outcome.isEmpty() ? QStringList{"Log"} : QStringList({"Log", line}));
    QCOMPARE(d.Boxes().join(' '), boxes);
    QCOMPARE(d.form.X1->cursorPosition(), 0); // the start of a number is in view
    QVERIFY(d.errors.isEmpty());
}

void TestForm::set_data()
{
    QTest::addColumn<QString>("re");
    QTest::addColumn<QString>("im");
    QTest::addColumn<QString>("error"); // empty: stored
    const char *rows[][4] = {
        {"typed text is kept", "007", " -.5e1\n", ""},
        {"beyond the range is infinite", "1e400", "-1e400", ""},
        {"empty imaginary box", "5", "", "''"},
        {"both bad: the imaginary box is named", "abc", "1,5", "'1,5'"},
        {"bad real box", "x", "2", "'x'"},
        {"markup is text", "1", "<b>2</b>", "'<b>2</b>'"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3]);
}

void TestForm::set()
{
    QFETCH(QString, re);
    QFETCH(QString, im);
    QFETCH(QString, error);
    for (bool first : {true, false}) {
        Driver d;
        d.Set(!first, "1", "2");
        d.Set(first, "1", "2");
        d.Set(first, re, im);
        const ComplexNumber want = error.isEmpty() ? ComplexNumber(StrToFloat(ToAnsiString(re)),
                                                                   StrToFloat(ToAnsiString(im)))
                                                   : ComplexNumber(1, 2);
        QVERIFY(SameBits(first ? *Z1 : *Z2, want));
        QVERIFY(SameBits(first ? *Z2 : *Z1, ComplexNumber(1, 2)));
        QCOMPARE(d.errors.join(""),
                 error.isEmpty() ? "" : error + " is not a valid floating point value");
        QCOMPARE(d.Boxes().mid(first ? 0 : 2, 2), QStringList({re, im}));
        QCOMPARE(d.Log(), QStringList{"Log"});
    }
}

void TestForm::equalModuliOrderButAreNotEqual()
{
    Driver d;
    d.Set(true, "1", "0");
    d.Set(false, "0", "1");
    for (const char *symbol : {"==", ">=", "<=", "<", ">"}) {
        d.form.Opers->setCurrentIndex(d.form.Opers->findText(symbol));
        d.Click(d.form.Button1);
    }
    QStringList outcomes;
    for (const QString &line : d.Log().mid(1))
        outcomes << line.section(' ', -1);
    QCOMPARE(outcomes.join(' '), "FALSE TRUE TRUE FALSE FALSE");
}

void TestForm::absLogsTheModulusOfZ1Only()
{
    Driver d;
    d.Click(d.form.Button4);
    d.Set(true, "3", "4");
    d.Set(false, "100", "100");
    d.Type(d.form.X1, "9");
    d.Click(d.form.Button4);
    d.Set(true, "1", "1");
    d.Click(d.form.Button4);
    d.Click(d.form.Button4);
    QCOMPARE(d.Log(),
             QStringList({"Log", "Absolute value = 0", "Absolute value = 5",
                          "Absolute value = 1.4142135623731", "Absolute value = 1.4142135623731"}));
    QCOMPARE(d.Boxes().join(' '), "1 1 100 100");
}

void TestForm::keysClickAFocusedButtonOnly()
{
    Driver d;
    QTest::keyClick(d.form.Button1, Qt::Key_Return);
    QTest::keyClick(d.form.Button4, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(d.form.Button4, Qt::Key_Space);
    QTest::keyClick(d.form.Button4, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(d.form.X1, Qt::Key_Return);
    QCOMPARE(d.Log().size(), 4);
}

void TestForm::everyControlOffersItsText()
{
    Driver d;
    QCOMPARE(d.form.Log->Lines->Add("x"), 1); // the new line's index
    QCOMPARE(d.form.Opers->Items->Add("x"), 15);
    for (TControl *control :
         std::initializer_list<TControl *>{d.form.Log, d.form.X1, d.form.Opers, d.form.Button1}) {
        control->SetText("x");
        QCOMPARE(control->GetText().str(), "x");
    }
}

void TestForm::loudFormBuilding_data()
{
    QTest::addColumn<QString>("controls");
    QTest::addColumn<QString>("message"); // empty: built
    const QString button = R"(<widget class="TButton" name="Button1">
        <property name="OnClick" stdset="0"><string>%1</string></property></widget>)";
    const QString rows[][3] = {
        {"control not published", R"(<widget class="TEdit" name="Edit2"/>)",
         "TSmallForm has no published control Edit2"},
        {"member of another class", R"(<widget class="TMemo" name="Button1"/>)",
         "TSmallForm::Button1 cannot hold a TMemo"},
        {"unknown class", R"(<widget class="QSlider" name="Button1"/>)",
         "The control Button1 is of the unknown class QSlider"},
        {"handler not there", button.arg("Button2Click"),
         "TSmallForm has no published handler Button2Click"},
        {"handler not published", button.arg("Hidden"),
         "TSmallForm has no published handler Hidden"},
        {"published control missing", "", "The description of TSmallForm has no control Button1"},
        {"complete", button.arg("Button1Click"), ""},
    };
    for (const auto &row : rows)
        QTest::newRow(qPrintable(row[0])) << row[1] << row[2];
}

void TestForm::loudFormBuilding()
{
    QFETCH(QString, controls);
    QFETCH(QString, message);
    try {
        TSmallForm form(controls);
        QCOMPARE(form.Button1->objectName() + message, "Button1");
    } catch (const Exception &e) {
        QCOMPARE(QString(e.Message.c_str()), message);
    }
}

void TestForm::errorsInTheLoopAreShownAndNoCommandRunsMeanwhile()
{
    Driver d;
    Application->SetErrorDisplay([&](const AnsiString &m) {
        d.errors << m.c_str();
        d.Click(d.form.Button4); // a screen reader's action while the error shows
        d.Click(d.form.Button2);
    });
    QEventLoop loop;
    d.Type(d.form.Y1, "oops");
    QTimer::singleShot(0, &loop, [&] { d.Click(d.form.Button2); });
    QTimer::singleShot(0, &loop, [&] {
        d.Set(true, "3", "4");
        d.Click(d.form.Button4);
        loop.quit();
    });
    loop.exec();
    QCOMPARE(d.errors, QStringList{"'oops' is not a valid floating point value"});
    QCOMPARE(d.Log(), QStringList({"Log", "Absolute value = 5"}));
}

// Stands in for the application object and records what the main routine asks.
struct RecordingApp {
    QStringList calls;
    QString failing;
    bool frameworkError;
    void Step(const QString &name)
    {
        calls << name;
        if (name == failing && frameworkError)
            throw EConvertError("bad");
        if (name == failing)
            throw std::bad_alloc();
    }
    void Initialize() { Step("Initialize"); }
    template <class T> void CreateForm(T **) { Step("CreateForm"); }
    void Run() { Step("Run"); }
    void ShowException(const Exception *E) { calls << "Show:" + QString(E->Message.c_str()); }
};

void TestForm::mainRoutineShowsEachErrorOnceAndReturnsZero()
{
    const struct {
        const char *failing;
        bool frameworkError;
        const char *calls;
    } rows[] = {{"", true, "Initialize CreateForm Run"},
                {"Initialize", true, "Initialize Show:bad"},
                {"CreateForm", true, "Initialize CreateForm Show:bad"}, // no Run
                {"Run", true, "Initialize CreateForm Run Show:bad"},
                {"CreateForm", false, "Initialize CreateForm Show:"}, // an empty message
                {"Run", false, "Initialize CreateForm Run Show:"}};
    for (const auto &row : rows) {
        RecordingApp app{{}, row.failing, row.frameworkError};
        TForm1 *form = nullptr;
        QCOMPARE(ApplicationMain(app, &form), 0);
        QCOMPARE(app.calls.join(' '), row.calls);
    }
}

void TestForm::randomActionsKeepTheConsoleRules()
{
    Driver d;
    std::mt19937 random(20261207);
    const QStringList texts = {"0",      "-0",     "2.5", "1e308",  "1.79769313486232E308",
                               "-1e400", "1e-400", "inf", "NaN",    " 3\n",
                               ".",      "1,5",    "",    "\u05d0", "\u2029"};
    const QRegularExpression line(R"(^(\(\S+ [+-] \S+i\) \S+ \(\S+ [+-] \S+i\) = )"
                                  R"((\S+ [+-] \S+i|TRUE|FALSE)|Absolute value = \S+)$)");
    for (int i = 0; i < 3000; ++i) {
        const QStringList before = d.Log();
        const qsizetype errors = d.errors.size();
        const ComplexNumber z1 = *Z1;
        const int action = int(random() % 6);
        if (action < 2)
            d.Type(std::array{d.form.X1, d.form.Y1, d.form.X2, d.form.Y2}[random() % 4],
                   texts[random() % texts.size()]);
        else if (action == 2)
            d.form.Opers->setCurrentIndex(int(random() % 15));
        else
            d.Click(std::array{d.form.Button1, d.form.Button2, d.form.Button4}[action - 3]);
        const QStringList after = d.Log();
        QCOMPARE(after.mid(0, before.size()), before); // the log only grows,
        QVERIFY(after.size() - before.size() <= (action == 3 || action == 5));
        if (after.size() > before.size()) // by one line of a known shape
            QVERIFY2(line.match(after.back()).hasMatch(), qPrintable(after.back()));
        QVERIFY(d.errors.size() == errors || action == 4);       // errors come from Set only,
        QVERIFY(d.errors.size() == errors || SameBits(z1, *Z1)); // and change nothing
        if (action == 3)
            QCOMPARE(d.Boxes()[0], FloatToStr(Z1->GetRe()).c_str());
    }
}

void TestForm::closingTheWindowEndsWithStatusZero()
{
    QCOMPARE(QCoreApplication::arguments(), QStringList{"complexops"}); // toolkit options ignored
    QCOMPARE(QGuiApplication::platformName(), "offscreen");
    QTimer::singleShot(0, [] { Application->MainForm()->close(); });
    QCOMPARE(ApplicationMain(*Application, &Form1), 0);
    QVERIFY(Form1 && !Application->MainForm());
}

int main(int, char **argv)
{
    // The program's own start-up: the toolkit options CTest passes are ignored.
    Application->Initialize();
    TestForm test;
    return QTest::qExec(&test, 1, argv);
}

#include "tst_form.moc"
