// Drives a TForm1 as a user would: typing replaces a box's text, clicks go
// through the real buttons, and errors land in a list instead of a message box.
#pragma once

#include "Unit1.h"

#include <QTest>
#include <string>
#include <vector>

class FormDriver {
  public:
    FormDriver()
    {
        Application->SetErrorDisplay(
            [this](const AnsiString &message) { errors.push_back(message.str()); });
    }
    ~FormDriver() { Application->SetErrorDisplay({}); }
    FormDriver(const FormDriver &) = delete;
    FormDriver &operator=(const FormDriver &) = delete;

    static void Type(QLineEdit *box, const QString &text)
    {
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        else
            QTest::keyClicks(box, text);
    }
    static void Click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }

    void SetZ1(const QString &re, const QString &im)
    {
        Type(form.X1, re);
        Type(form.Y1, im);
        Click(form.Button2);
    }
    void SetZ2(const QString &re, const QString &im)
    {
        Type(form.X2, re);
        Type(form.Y2, im);
        Click(form.Button3);
    }
    void Exec(const QString &symbol)
    {
        const int index = form.Opers->findText(symbol);
        QVERIFY2(index >= 0, qPrintable(symbol));
        form.Opers->setCurrentIndex(index);
        Click(form.Button1);
    }

    QStringList LogLines() const { return form.Log->toPlainText().split('\n'); }
    QString LastLine() const { return LogLines().back(); }
    QStringList Boxes() const
    {
        return {form.X1->text(), form.Y1->text(), form.X2->text(), form.Y2->text()};
    }

    TForm1 form{nullptr};
    std::vector<std::string> errors;
};
