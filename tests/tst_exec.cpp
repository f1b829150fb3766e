// Exec on the real form: the line or the in-place change for every operator,
// repeated in-place presses, the display rewrite, and symbols matching no row.
#include "FormDriver.h"

// Z1 = 1 + 2i and Z2 = 3 - 1i, set through the boxes.
static void SetWorkedOperands(FormDriver &d)
{
    d.SetZ1("1", "2");
    d.SetZ2("3", "-1");
}

class TestExec : public QObject {
    Q_OBJECT
  private slots:
    void everyOperatorOnTheWorkedOperands_data();
    void everyOperatorOnTheWorkedOperands();
    void inPlaceOperatorsApplyAgainAtEachPress_data();
    void inPlaceOperatorsApplyAgainAtEachPress();
    void equalityByPartsOrderingByModulus();
    void negativeResultPartsUseTheTextForm();
    void typedButNotSetIsReplacedByTheStoredValues();
    void symbolMatchingNoRowLogsNothingButRewritesBoxes_data();
    void symbolMatchingNoRowLogsNothingButRewritesBoxes();
    void divisionByZeroIsNotAnError();
    void linesGoAfterEverythingInTheLog();
};

void TestExec::everyOperatorOnTheWorkedOperands_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<QString>("line"); // empty: nothing logged
    QTest::addColumn<QStringList>("boxes");
    const QString z = "(1.0000 + 2.0000i) %1 (3.0000 - 1.0000i) = %2";
    const QStringList unchanged = {"1", "2", "3", "-1"};
    auto row = [&](const char *name, const char *symbol, const char *outcome,
                   const QStringList &boxes) {
        QTest::newRow(name) << symbol << (*outcome ? z.arg(symbol, outcome) : QString()) << boxes;
    };
    row("+ sum", "+", "4.0000 + 1.0000i", unchanged);
    row("- difference", "-", "-2.0000 + 3.0000i", unchanged);
    row("* product", "*", "5.0000 + 5.0000i", unchanged);
    row("/ quotient", "/", "0.1000 + 0.7000i", unchanged);
    row("+= changes Z1 only", "+=", "", {"4", "1", "3", "-1"});
    row("-= changes Z1 only", "-=", "", {"-2", "3", "3", "-1"});
    row("*= changes Z1 only", "*=", "", {"5", "5", "3", "-1"});
    row("/= shows 15 digits", "/=", "", {"0.1", "0.7", "3", "-1"});
    row("++ adds 1 to re", "++", "", {"2", "2", "3", "-1"});
    row("-- subtracts 1 from re", "--", "", {"0", "2", "3", "-1"});
    row("== compares parts", "==", "FALSE", unchanged);
    row("> by modulus", ">", "FALSE", unchanged);
    row("< by modulus", "<", "TRUE", unchanged);
    row(">= by modulus", ">=", "FALSE", unchanged);
    row("<= two-character symbol", "<=", "TRUE", unchanged);
}

void TestExec::everyOperatorOnTheWorkedOperands()
{
    QFETCH(QString, symbol);
    QFETCH(QString, line);
    QFETCH(QStringList, boxes);
    FormDriver d;
    SetWorkedOperands(d);
    d.Exec(symbol);
    QCOMPARE(d.LogLines(), line.isEmpty() ? QStringList({"Log"}) : QStringList({"Log", line}));
    QCOMPARE(d.Boxes(), boxes);
    QCOMPARE(*Z2, ComplexNumber(3, -1));
    QVERIFY(d.errors.empty());
}

void TestExec::inPlaceOperatorsApplyAgainAtEachPress_data()
{
    QTest::addColumn<QString>("symbol");
    QTest::addColumn<double>("re");
    QTest::addColumn<double>("im");
    QTest::newRow("+= three times") << "+=" << 10.0 << -1.0;
    QTest::newRow("-= three times") << "-=" << -8.0 << 5.0;
    QTest::newRow("++ three times") << "++" << 4.0 << 2.0;
    QTest::newRow("-- three times") << "--" << -2.0 << 2.0;
}

void TestExec::inPlaceOperatorsApplyAgainAtEachPress()
{
    QFETCH(QString, symbol);
    QFETCH(double, re);
    QFETCH(double, im);
    FormDriver d;
    SetWorkedOperands(d);
    for (int i = 0; i < 3; ++i)
        d.Exec(symbol);
    QCOMPARE(*Z1, ComplexNumber(re, im));
    QCOMPARE(d.LogLines(), QStringList({"Log"}));
}

void TestExec::equalityByPartsOrderingByModulus()
{
    FormDriver d;
    d.SetZ1("1", "0");
    d.SetZ2("0", "1");
    for (const char *symbol : {"==", ">=", "<=", "<", ">"})
        d.Exec(symbol);
    const QString z = "(1.0000 + 0.0000i) %1 (0.0000 + 1.0000i) = %2";
    QCOMPARE(d.LogLines(),
             QStringList({"Log", z.arg("==", "FALSE"), z.arg(">=", "TRUE"), z.arg("<=", "TRUE"),
                          z.arg("<", "FALSE"), z.arg(">", "FALSE")}));
}

void TestExec::negativeResultPartsUseTheTextForm()
{
    FormDriver d;
    d.SetZ1("1", "2");
    d.SetZ2("3", "5");
    d.Exec("-");
    QCOMPARE(d.LastLine(), QString("(1.0000 + 2.0000i) - (3.0000 + 5.0000i) = -2.0000 - 3.0000i"));
}

void TestExec::typedButNotSetIsReplacedByTheStoredValues()
{
    FormDriver d;
    d.SetZ1("007", "2");
    FormDriver::Type(d.form.X2, "9");
    FormDriver::Type(d.form.Y2, "not a number");
    d.Exec("+");
    QCOMPARE(d.LastLine(), QString("(7.0000 + 2.0000i) + (0.0000 + 0.0000i) = 7.0000 + 2.0000i"));
    QCOMPARE(d.Boxes(), QStringList({"7", "2", "0", "0"}));
    QVERIFY(d.errors.empty());
}

void TestExec::symbolMatchingNoRowLogsNothingButRewritesBoxes_data()
{
    QTest::addColumn<QString>("item");
    QTest::newRow("empty text") << "";
    QTest::newRow("unknown symbol") << "%";
    QTest::newRow("symbol with a blank") << "+ ";
    QTest::newRow("prefix of a symbol") << "=";
}

void TestExec::symbolMatchingNoRowLogsNothingButRewritesBoxes()
{
    QFETCH(QString, item);
    FormDriver d;
    d.SetZ1("1.50", "2");
    FormDriver::Type(d.form.X2, "typed");
    d.form.Opers->addItem(item);
    d.form.Opers->setCurrentIndex(d.form.Opers->count() - 1);
    FormDriver::Click(d.form.Button1);
    QCOMPARE(d.LogLines(), QStringList({"Log"}));
    QCOMPARE(d.Boxes(), QStringList({"1.5", "2", "0", "0"}));
    QCOMPARE(*Z1, ComplexNumber(1.5, 2));
}

void TestExec::divisionByZeroIsNotAnError()
{
    FormDriver d;
    d.SetZ1("1", "2");
    d.Exec("/");
    QCOMPARE(d.LastLine(), QString("(1.0000 + 2.0000i) / (0.0000 + 0.0000i) = nan + nani"));
    d.Exec("/=");
    QCOMPARE(d.Boxes(), QStringList({"NAN", "NAN", "0", "0"}));
    QVERIFY(d.errors.empty());
}

void TestExec::linesGoAfterEverythingInTheLog()
{
    FormDriver d;
    d.SetZ1("3", "4");
    d.Click(d.form.Button4);
    d.Exec("*");
    d.Click(d.form.Button4);
    QCOMPARE(d.LogLines(),
             QStringList({"Log", "Absolute value = 5",
                          "(3.0000 + 4.0000i) * (0.0000 + 0.0000i) = 0.0000 + 0.0000i",
                          "Absolute value = 5"}));
}

int main(int argc, char **argv)
{
    QApplication toolkit(argc, argv);
    Application->Initialize();
    TestExec test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_exec.moc"
