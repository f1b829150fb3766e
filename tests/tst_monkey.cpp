// 10,000 random user actions on the real window, with the rules of
// FormMonkey checked after each; the window still works at the end.
#include "FormMonkey.h"

#include <random>

namespace {

class RandomChoices : public ChoiceSource {
  public:
    explicit RandomChoices(std::uint64_t start) : generator(start) {}
    unsigned Pick(unsigned bound) override
    {
        return std::uniform_int_distribution<unsigned>(0, bound - 1)(generator);
    }
    std::string Bytes(std::size_t max) override
    {
        std::string bytes(Pick(static_cast<unsigned>(max) + 1), '\0');
        for (char &c : bytes)
            c = static_cast<char>(Pick(256));
        return bytes;
    }

  private:
    std::mt19937_64 generator;
};

} // namespace

class TestMonkey : public QObject {
    Q_OBJECT
  private slots:
    void randomActionsKeepEveryRule();
};

void TestMonkey::randomActionsKeepEveryRule()
{
    FormDriver d;
    d.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d.form));
    FormMonkey monkey(d);
    RandomChoices choices(20261206);
    for (int i = 0; i < 10000; ++i) {
        const QString failure = monkey.Act(choices);
        QVERIFY2(failure.isEmpty(), qPrintable(QString("action %1: %2").arg(i).arg(failure)));
        if (i % 100 == 0)
            QCoreApplication::processEvents(); // let it paint now and then
    }
    // Still usable.
    const qsizetype lines = d.LogLines().size();
    d.SetZ1("1", "2");
    d.SetZ2("3", "-1");
    d.Exec("*");
    QCOMPARE(d.LogLines().size(), lines + 1);
    QCOMPARE(d.LastLine(), QString("(1.0000 + 2.0000i) * (3.0000 - 1.0000i) = 5.0000 + 5.0000i"));
}

int main(int argc, char **argv)
{
    QApplication toolkit(argc, argv);
    Application->Initialize();
    TestMonkey test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_monkey.moc"
