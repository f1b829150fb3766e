// The main window as described: start state, controls and their geometry,
// tab order, fonts, the read-only log, and one Exec driven by keys and clicks.
#include "FormDriver.h"

#include <QClipboard>
#include <QFontInfo>

class TestWindow : public QObject {
    Q_OBJECT
  private slots:
    void startState();
    void controlsAsDescribed_data();
    void controlsAsDescribed();
    void tabVisitsEveryControlInOrder();
    void fontsHaveElevenPixelsAndLogIsFixedPitch();
    void logRefusesTypingButCopies();
    void resizingMovesNothing();
    void theRoadOfOneExec();
    void everyControlHasAnAccessibleName();
    void outerSizeIncludesTheFrame();
};

static void ShowActive(QWidget &w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

void TestWindow::startState()
{
    FormDriver d;
    ShowActive(d.form);
    QCOMPARE(d.form.windowTitle(), QString("Form1"));
    QCOMPARE(d.LogLines(), QStringList({"Log"}));
    QCOMPARE(d.Boxes(), QStringList({"0", "0", "0", "0"}));
    QCOMPARE(*Z1, ComplexNumber(0, 0));
    QCOMPARE(*Z2, ComplexNumber(0, 0));
    QCOMPARE(d.form.Opers->currentText(), QString("+"));
    QCOMPARE(QApplication::focusWidget(), d.form.Button1);
    QCOMPARE(d.form.Button1->text(), QString("Exec"));
    QCOMPARE(d.form.Button2->text(), QString("Set"));
    QCOMPARE(d.form.Button3->text(), QString("Set"));
    QCOMPARE(d.form.Button4->text(), QString("Abs"));
    QStringList items;
    for (int i = 0; i < d.form.Opers->count(); ++i)
        items << d.form.Opers->itemText(i);
    QCOMPARE(items, QStringList({"+", "-", "*", "/", "+=", "-=", "*=", "/=", "++", "--", "==", ">",
                                 "<", ">=", "<="}));
    QVERIFY(!d.form.Opers->isEditable());
    QCOMPARE(d.form.pos(), QPoint(193, 114));
}

void TestWindow::controlsAsDescribed_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Log") << "Log"
                         << "TMemo" << QRect(40, 24, 529, 241);
    QTest::newRow("X1") << "X1"
                        << "TEdit" << QRect(40, 280, 65, 21);
    QTest::newRow("Y1") << "Y1"
                        << "TEdit" << QRect(112, 280, 65, 21);
    QTest::newRow("X2") << "X2"
                        << "TEdit" << QRect(288, 280, 65, 21);
    QTest::newRow("Y2") << "Y2"
                        << "TEdit" << QRect(360, 280, 65, 21);
    QTest::newRow("Opers between the operands") << "Opers"
                                                << "TComboBox" << QRect(208, 280, 49, 22);
    QTest::newRow("Button1 Exec") << "Button1"
                                  << "TButton" << QRect(448, 280, 115, 25);
    QTest::newRow("Button2 Set under X1") << "Button2"
                                          << "TButton" << QRect(40, 312, 65, 25);
    QTest::newRow("Button3 Set is 75 wide") << "Button3"
                                            << "TButton" << QRect(288, 312, 75, 25);
    QTest::newRow("Button4 Abs under Y1") << "Button4"
                                          << "TButton" << QRect(112, 312, 65, 25);
}

void TestWindow::controlsAsDescribed()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    FormDriver d;
    ShowActive(d.form);
    auto *control = d.form.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), &d.form);
    QCOMPARE(QString(control->metaObject()->className()), className);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(d.form.property(name.toUtf8()).value<QObject *>(), control);
}

void TestWindow::tabVisitsEveryControlInOrder()
{
    FormDriver d;
    ShowActive(d.form);
    d.form.Log->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, QStringList({"Log", "X1", "Y1", "X2", "Y2", "Opers", "Button1", "Button2",
                                   "Button3", "Button4", "Log"}));
}

void TestWindow::fontsHaveElevenPixelsAndLogIsFixedPitch()
{
    FormDriver d;
    ShowActive(d.form);
    for (QWidget *w : std::initializer_list<QWidget *>{&d.form, d.form.Log, d.form.Opers, d.form.X1,
                                                       d.form.Button1})
        QCOMPARE(w->font().pixelSize(), 11);
    QVERIFY2(QFontInfo(d.form.Log->font()).fixedPitch(),
             qPrintable(QFontInfo(d.form.Log->font()).family()));
    QVERIFY(QFontInfo(d.form.Opers->font()).fixedPitch());
    QVERIFY2(!QFontInfo(d.form.X1->font()).fixedPitch(),
             qPrintable(QFontInfo(d.form.X1->font()).family()));
}

void TestWindow::logRefusesTypingButCopies()
{
    FormDriver d;
    ShowActive(d.form);
    d.form.Log->setFocus();
    QTest::keyClicks(d.form.Log, "typed");
    QTest::keyClick(d.form.Log, Qt::Key_Return);
    QTest::keyClick(d.form.Log, Qt::Key_Backspace);
    QCOMPARE(d.LogLines(), QStringList({"Log"}));
    QTest::keyClick(d.form.Log, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(d.form.Log, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("Log"));
    QVERIFY(d.form.Log->lineWrapMode() == QPlainTextEdit::WidgetWidth);
    QCOMPARE(d.form.Log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(d.form.Log->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

void TestWindow::resizingMovesNothing()
{
    FormDriver d;
    ShowActive(d.form);
    QList<QRect> before;
    for (QWidget *w : d.form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        before << w->geometry();
    d.form.resize(400, 200);
    QApplication::processEvents();
    d.form.resize(1200, 900);
    QApplication::processEvents();
    QList<QRect> after;
    for (QWidget *w : d.form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        after << w->geometry();
    QCOMPARE(after, before);
}

void TestWindow::theRoadOfOneExec()
{
    FormDriver d;
    ShowActive(d.form);
    // A user: type, Tab, click Set, pick "*" with the keyboard, press Exec.
    d.form.X1->setFocus();
    QTest::keyClick(d.form.X1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(d.form.X1, "1");
    QTest::keyClick(d.form.X1, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), "2");
    FormDriver::Click(d.form.Button2);
    FormDriver::Type(d.form.X2, "3");
    FormDriver::Type(d.form.Y2, "-1");
    FormDriver::Click(d.form.Button3);
    d.form.Opers->setFocus();
    QTest::keyClick(d.form.Opers, Qt::Key_Down);
    QTest::keyClick(d.form.Opers, Qt::Key_Down);
    QCOMPARE(d.form.Opers->currentText(), QString("*"));
    QCOMPARE(d.LogLines(), QStringList({"Log"})); // picking alone does nothing
    d.form.Button1->setFocus();
    QTest::keyClick(d.form.Button1, Qt::Key_Space);
    QCOMPARE(d.LogLines(), QStringList({"Log", "(1.0000 + 2.0000i) * (3.0000 - 1.0000i) = "
                                               "5.0000 + 5.0000i"}));
    QCOMPARE(d.Boxes(), QStringList({"1", "2", "3", "-1"}));
    QVERIFY(d.errors.empty());
}

void TestWindow::everyControlHasAnAccessibleName()
{
    FormDriver d;
    for (QWidget *w : d.form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
    QCOMPARE(d.form.X1->accessibleName(), QString("Real part of the first operand"));
    QCOMPARE(d.form.Opers->accessibleName(), QString("Operator"));
}

void TestWindow::outerSizeIncludesTheFrame()
{
    FormDriver d;
    ShowActive(d.form);
    QTRY_VERIFY(d.form.frameGeometry().size() != d.form.size() || d.form.size() == QSize(862, 466));
    if (d.form.frameGeometry().size() == d.form.size())
        QCOMPARE(d.form.size(), QSize(862, 466)); // no frame: the described client size
    else
        QTRY_COMPARE(d.form.frameGeometry().size(), QSize(870, 500));
    for (QWidget *w : d.form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        QVERIFY(d.form.rect().contains(w->geometry()));
}

int main(int argc, char **argv)
{
    QApplication toolkit(argc, argv);
    Application->Initialize();
    TestWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window.moc"
