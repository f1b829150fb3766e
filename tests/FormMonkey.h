// Random user actions on a real form, each followed by a check of what must
// hold whatever the user does: the log only grows, by at most one line of one
// of the three shapes per Exec or Abs; Set stores exactly what the boxes say
// or reports the first bad box; the operands stay valid; errors reach the
// display and nothing else.
//
// Where the choices come from is a parameter: a random generator for the
// monkey test, the fuzzer's bytes for the console fuzzer.
#pragma once

#include "FormDriver.h"

#include <QApplication>
#include <QClipboard>
#include <QRegularExpression>
#include <cmath>
#include <cstring>

/// What FormMonkey needs of a source of choices.
class ChoiceSource {
  public:
    virtual ~ChoiceSource() = default;
    /// A number in [0, bound).
    virtual unsigned Pick(unsigned bound) = 0;
    /// Up to max bytes, any values.
    virtual std::string Bytes(std::size_t max) = 0;
};

class FormMonkey {
  public:
    explicit FormMonkey(FormDriver &driver) : d(driver) {}

    /// Performs one action; returns a description of the first broken rule,
    /// or an empty string.
    QString Act(ChoiceSource &source)
    {
        const QStringList before = d.LogLines();
        const std::size_t errorsBefore = d.errors.size();
        QString wrote; // what the action may add to the log: "", "exec", "abs"
        QString failure;
        bool isSet = false; // Set checks its own errors

        switch (source.Pick(7)) {
        case 0:
        case 1:
            Enter(Box(source.Pick(4)), AnyText(source), source.Pick(2) == 0);
            break;
        case 2:
            failure = Set(source.Pick(2) == 0);
            isSet = true;
            break;
        case 3:
            d.form.Opers->setCurrentIndex(static_cast<int>(source.Pick(15)));
            break;
        case 4:
            failure = Exec();
            wrote = "exec";
            break;
        case 5:
            FormDriver::Click(d.form.Button4);
            wrote = "abs";
            break;
        default:
            QTest::keyClicks(d.form.Log, "x"); // refused: the log is read-only
            break;
        }
        if (!failure.isEmpty())
            return failure;
        if (!Z1 || !Z2)
            return "an operand is gone";
        if (!isSet && d.errors.size() != errorsBefore)
            return "an error outside Set: " + QString::fromStdString(d.errors.back());
        return CheckLog(before, wrote);
    }

  private:
    TEdit *Box(unsigned index)
    {
        TEdit *boxes[] = {d.form.X1, d.form.Y1, d.form.X2, d.form.Y2};
        return boxes[index];
    }

    // Numbers at the edges, words the parser must refuse, and raw bytes.
    QString AnyText(ChoiceSource &source)
    {
        static const char *const edges[] = {
            "0", "-0", "1", "-2.5", "1e308", "1.79769313486232E308", "1e309", "-1e400",
            "4.94065645841247E-324", "1e-400", "INF", "-inf", "NaN", " 3 ", "\t.5", "3.",
            "1e15", "0.00001", "", ".", "1,5", "0x10", "١", "1e", "--1", "1 2"};
        switch (source.Pick(4)) {
        case 0:
            return edges[source.Pick(std::size(edges))];
        case 1:
            return QString(static_cast<qsizetype>(1 + source.Pick(5000)), QChar('9'));
        default: {
            const std::string bytes = source.Bytes(40);
            return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
        }
        }
    }

    // Typed key by key, or pasted as a whole; the test tool types printable
    // ASCII only, so anything else is pasted.
    static void Enter(TEdit *box, const QString &text, bool paste)
    {
        for (QChar c : text)
            paste = paste || c.unicode() < 0x20 || c.unicode() > 0x7e;
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        if (paste || text.size() > 40) {
            QApplication::clipboard()->setText(text);
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        } else {
            QTest::keyClicks(box, text);
        }
    }

    static bool SameBits(double a, double b)
    {
        return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
    }

    static bool Converts(const AnsiString &text, double &value, std::string &message)
    {
        try {
            value = StrToFloat(text);
            return true;
        } catch (const EConvertError &e) {
            message = e.Message.str();
            return false;
        }
    }

    QString Set(bool first)
    {
        TEdit *re = first ? d.form.X1 : d.form.X2;
        TEdit *im = first ? d.form.Y1 : d.form.Y2;
        const ComplexNumber old = first ? *Z1 : *Z2;
        const std::size_t errorsBefore = d.errors.size();
        double real = 0, imaginary = 0;
        std::string message;
        const bool ok =
            Converts(im->GetText(), imaginary, message) && Converts(re->GetText(), real, message);
        FormDriver::Click(first ? d.form.Button2 : d.form.Button3);
        const ComplexNumber &now = first ? *Z1 : *Z2;
        if (ok) {
            if (d.errors.size() != errorsBefore)
                return "Set failed on good text";
            if (!SameBits(now.GetRe(), real) || !SameBits(now.GetIm(), imaginary))
                return "Set stored another value";
        } else {
            if (d.errors.size() != errorsBefore + 1 || d.errors.back() != message)
                return "Set did not show exactly the first bad box's error";
            if (!SameBits(now.GetRe(), old.GetRe()) || !SameBits(now.GetIm(), old.GetIm()))
                return "a failed Set changed the operand";
        }
        return {};
    }

    QString Exec()
    {
        FormDriver::Click(d.form.Button1);
        const QStringList shown = {FloatToStr(Z1->GetRe()).c_str(), FloatToStr(Z1->GetIm()).c_str(),
                                   FloatToStr(Z2->GetRe()).c_str(), FloatToStr(Z2->GetIm()).c_str()};
        if (d.Boxes() != shown)
            return "Exec did not rewrite the boxes from the operands";
        return {};
    }

    QString CheckLog(const QStringList &before, const QString &wrote)
    {
        const QStringList after = d.LogLines();
        if (after.mid(0, before.size()) != before)
            return "the log lost or changed a line";
        const qsizetype added = after.size() - before.size();
        if (added > (wrote.isEmpty() ? 0 : 1))
            return QString("%1 lines added by one action").arg(added);
        if (added == 0)
            return {};
        static const QString number = R"(-?(\d+\.\d{4}|inf|nan))";
        static const QString complex = number + R"( [+-] (\d+\.\d{4}|inf|nan)i)";
        static const QRegularExpression execLine(
            "^\\((" + complex + ")\\) (\\+|-|\\*|/|==|>|<|>=|<=) \\((" + complex + ")\\) = (" +
            complex + "|TRUE|FALSE)$");
        static const QRegularExpression absLine(
            R"(^Absolute value = (\d+(\.\d+)?(E-?\d+)?|INF|NAN)$)");
        const QString &line = after.back();
        const auto &shape = wrote == "exec" ? execLine : absLine;
        if (!shape.match(line).hasMatch())
            return "a line of no known shape: " + line.left(200);
        if (wrote == "exec" && !line.startsWith("(" + QString(Z1->ToString().c_str()) + ") "))
            return "the line does not show Z1";
        return {};
    }

    FormDriver &d;
};
