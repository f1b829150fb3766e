// The operands on the real form: Set, Abs, the display, a form
// description that names what the form does not publish, and errors in the
// event loop.
#include "FormDriver.h"

#include <QBuffer>
#include <QEventLoop>
#include <QTimer>
#include <cmath>

class TestOperands : public QObject {
    Q_OBJECT
  private slots:
    void setKeepsTypedTextAndStoresTheValue_data();
    void setKeepsTypedTextAndStoresTheValue();
    void badTextFailsSetAndChangesNothing_data();
    void badTextFailsSetAndChangesNothing();
    void absLogsTheModulusInGeneralFormat();
    void absTwiceLogsTwoLines();
    void typedButNotSetIsNotUsed();
    void descriptionNamingUnpublishedThingsFails_data();
    void descriptionNamingUnpublishedThingsFails();
    void handlerErrorReachesDisplayAndLoopGoesOn();
};

void TestOperands::setKeepsTypedTextAndStoresTheValue_data()
{
    QTest::addColumn<QString>("re");
    QTest::addColumn<QString>("im");
    QTest::addColumn<double>("wantRe");
    QTest::addColumn<double>("wantIm");
    QTest::newRow("plain") << "3"
                           << "4" << 3.0 << 4.0;
    QTest::newRow("leading zeros stay as typed") << "007"
                                                 << "-0.5" << 7.0 << -0.5;
    QTest::newRow("blanks around") << " 1e3  "
                                   << "  .25" << 1000.0 << 0.25;
    QTest::newRow("beyond the range is infinite") << "1e400"
                                                  << "-1e400" << HUGE_VAL << -HUGE_VAL;
}

void TestOperands::setKeepsTypedTextAndStoresTheValue()
{
    QFETCH(QString, re);
    QFETCH(QString, im);
    QFETCH(double, wantRe);
    QFETCH(double, wantIm);
    FormDriver d;
    d.SetZ1(re, im);
    d.SetZ2(im, re);
    QVERIFY(d.errors.empty());
    QCOMPARE(Z1->GetRe(), wantRe);
    QCOMPARE(Z1->GetIm(), wantIm);
    QCOMPARE(Z2->GetRe(), wantIm);
    QCOMPARE(Z2->GetIm(), wantRe);
    QCOMPARE(d.Boxes(), QStringList({re, im, im, re}));
    QCOMPARE(d.LogLines(), QStringList({"Log"}));
}

void TestOperands::badTextFailsSetAndChangesNothing_data()
{
    QTest::addColumn<QString>("re");
    QTest::addColumn<QString>("im");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty imaginary box, good real box") << "5"
                                                        << ""
                                                        << "'' is not a valid floating point value";
    QTest::newRow("both bad: the imaginary box is named")
        << "abc"
        << "1,5"
        << "'1,5' is not a valid floating point value";
    QTest::newRow("bad real box") << "x"
                                  << "2"
                                  << "'x' is not a valid floating point value";
    QTest::newRow("message keeps the text as typed")
        << "1"
        << " 2 3 "
        << "' 2 3 ' is not a valid floating point value";
}

void TestOperands::badTextFailsSetAndChangesNothing()
{
    QFETCH(QString, re);
    QFETCH(QString, im);
    QFETCH(QString, message);
    FormDriver d;
    d.SetZ1("1", "2");
    d.SetZ1(re, im);
    QCOMPARE(d.errors, std::vector<std::string>({message.toStdString()}));
    QCOMPARE(*Z1, ComplexNumber(1, 2));
    QCOMPARE(d.Boxes(), QStringList({re, im, "0", "0"}));
    QCOMPARE(d.LogLines(), QStringList({"Log"}));

    d.SetZ2(re, im);
    QCOMPARE(*Z2, ComplexNumber(0, 0));
    QCOMPARE(d.errors.size(), 2u);
}

void TestOperands::absLogsTheModulusInGeneralFormat()
{
    FormDriver d;
    d.Click(d.form.Button4);
    d.SetZ1("3", "4");
    d.Click(d.form.Button4);
    d.SetZ1("1", "1");
    d.Click(d.form.Button4);
    QCOMPARE(d.LogLines(), QStringList({"Log", "Absolute value = 0", "Absolute value = 5",
                                        "Absolute value = 1.4142135623731"}));
    // Abs rewrites no box and never reads Z2.
    QCOMPARE(d.Boxes(), QStringList({"1", "1", "0", "0"}));
}

void TestOperands::absTwiceLogsTwoLines()
{
    FormDriver d;
    d.SetZ1("-2", "0");
    d.Click(d.form.Button4);
    d.Click(d.form.Button4);
    QCOMPARE(d.LogLines(), QStringList({"Log", "Absolute value = 2", "Absolute value = 2"}));
}

void TestOperands::typedButNotSetIsNotUsed()
{
    FormDriver d;
    d.SetZ1("3", "4");
    FormDriver::Type(d.form.X1, "100");
    FormDriver::Type(d.form.X2, "7");
    d.Click(d.form.Button4);
    QCOMPARE(d.LastLine(), QString("Absolute value = 5"));
    QCOMPARE(*Z2, ComplexNumber(0, 0));
}

// A form that publishes fewer controls and handlers than some descriptions name.
class TSmallForm : public TForm {
    Q_OBJECT
    Q_PROPERTY(TButton *Button1 MEMBER Button1)
    Q_PROPERTY(TEdit *Edit1 MEMBER Edit1)
  public:
    TButton *Button1 = nullptr;
    TEdit *Edit1 = nullptr;
    int clicks = 0;

    TSmallForm(const QByteArray &ui) : TForm(nullptr)
    {
        QByteArray text = ui;
        QBuffer description(&text);
        description.open(QIODevice::ReadOnly);
        LoadDescription(description);
    }

  public slots:
    void Button1Click(TObject *) { ++clicks; }

  private slots:
    void Hidden(TObject *) {}
};

static QByteArray SmallUi(const QString &controls)
{
    return QString(R"(<ui version="4.0"><class>TSmallForm</class>
<widget class="TSmallForm" name="SmallForm">%1</widget></ui>)")
        .arg(controls)
        .toUtf8();
}

void TestOperands::descriptionNamingUnpublishedThingsFails_data()
{
    QTest::addColumn<QString>("controls");
    QTest::addColumn<QString>("message");
    const QString button = R"(<widget class="TButton" name="Button1">
        <property name="OnClick" stdset="0"><string>%1</string></property></widget>)";
    QTest::newRow("control not published") << R"(<widget class="TEdit" name="Edit2"/>)"
                                           << "TSmallForm has no published control Edit2";
    QTest::newRow("member of another class") << R"(<widget class="TMemo" name="Edit1"/>)"
                                             << "TSmallForm::Edit1 cannot hold a TMemo";
    QTest::newRow("unknown control class") << R"(<widget class="QSlider" name="Edit1"/>)"
                                           << "The control Edit1 is of the unknown class QSlider";
    QTest::newRow("handler not there")
        << button.arg("Button2Click") << "TSmallForm has no published handler Button2Click";
    QTest::newRow("handler not published")
        << button.arg("Hidden") << "TSmallForm has no published handler Hidden";
}

void TestOperands::descriptionNamingUnpublishedThingsFails()
{
    QFETCH(QString, controls);
    QFETCH(QString, message);
    try {
        TSmallForm form(SmallUi(controls));
        QFAIL("the description was accepted");
    } catch (const Exception &e) {
        QCOMPARE(QString(e.Message.c_str()), message);
    }
}

void TestOperands::handlerErrorReachesDisplayAndLoopGoesOn()
{
    FormDriver d;
    d.form.show();
    QEventLoop loop;
    FormDriver::Type(d.form.Y1, "oops");
    QTimer::singleShot(0, &loop, [&] { FormDriver::Click(d.form.Button2); });
    QTimer::singleShot(0, &loop, [&] {
        // Still running after the error: the next command works.
        d.SetZ1("3", "4");
        FormDriver::Click(d.form.Button4);
        loop.quit();
    });
    loop.exec();
    QCOMPARE(d.errors, std::vector<std::string>({"'oops' is not a valid floating point value"}));
    QCOMPARE(d.LastLine(), QString("Absolute value = 5"));
}

int main(int argc, char **argv)
{
    QApplication toolkit(argc, argv);
    Application->Initialize();
    TestOperands test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_operands.moc"
