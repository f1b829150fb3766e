// The framework's controls on their own: a memo's lines, however they are
// grouped inside, read back and copy as the lines that were added.
#include "StdCtrls.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

class TestControls : public QObject {
    Q_OBJECT
  private slots:
    void memoLinesReadBackInOrder_data();
    void memoLinesReadBackInOrder();
    void memoCopiesLinesWithLineBreaks();
    void comboItemsOutOfRangeAreEmpty();
};

void TestControls::memoLinesReadBackInOrder_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("added");
    QTest::newRow("empty memo") << "" << 3;
    QTest::newRow("one line, a few added") << "Log" << 3;
    QTest::newRow("across many paragraphs") << "Log" << 41;
    QTest::newRow("several lines to start with") << "a\nb\nc" << 9;
}

void TestControls::memoLinesReadBackInOrder()
{
    QFETCH(QString, start);
    QFETCH(int, added);
    TMemo memo;
    memo.SetText(ToAnsiString(start));
    QStringList want = start.isEmpty() ? QStringList() : start.split('\n');
    for (int i = 0; i < added; ++i) {
        const QString line = QString("line %1").arg(i);
        QCOMPARE(memo.Lines->Add(ToAnsiString(line)), int(want.size()));
        want << line;
    }
    QCOMPARE(memo.Lines->Count(), int(want.size()));
    for (int i = 0; i < want.size(); ++i)
        QCOMPARE(QString(memo.Lines->Get(i).c_str()), want[i]);
    QCOMPARE(memo.Lines->Get(int(want.size())).str(), std::string());
    QCOMPARE(memo.toPlainText(), want.join('\n'));
}

void TestControls::memoCopiesLinesWithLineBreaks()
{
    TMemo memo;
    memo.SetText("Log");
    for (int i = 0; i < 6; ++i)
        memo.Lines->Add("x");
    memo.selectAll();
    memo.copy();
    QCOMPARE(QApplication::clipboard()->text(), QString("Log\nx\nx\nx\nx\nx\nx"));
}

void TestControls::comboItemsOutOfRangeAreEmpty()
{
    TComboBox box;
    box.Items->Add("+");
    box.setCurrentIndex(-1);
    QCOMPARE(int(box.ItemIndex), -1);
    QCOMPARE(box.Items->Strings[box.ItemIndex].str(), std::string());
    box.setCurrentIndex(0);
    QCOMPARE(box.Items->Strings[box.ItemIndex].str(), std::string("+"));
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
