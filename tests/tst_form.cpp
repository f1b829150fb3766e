// The real form offscreen, driven as a user drives it: the window as described, Exec over the
// operator table and the documents' Exec lines, Set and its errors, tooltips, keys, the log's view
// and triple-click, loud form descriptions, the error display, and the loop's signals.
#include "Application.h"
#include "Unit1.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QClipboard>
#include <QFile>
#include <QFontInfo>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>
#include <csignal>
#include <functional>
#include <tuple>

namespace {

// A form whose errors are read from the real message box, which then closes; whileShown runs
// while it is open. Text is pasted, so that any text, line breaks included, can be entered.
struct Driver : QObject {
    Driver() { qApp->installEventFilter(this); }
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (auto *box = qobject_cast<QMessageBox *>(object); box && event->type() == QEvent::Show) {
            errors << box->text() + (box->textFormat() == Qt::PlainText ? "" : " as markup");
            QMetaObject::invokeMethod(
                box, [this, box] { whileShown(*box), box->accept(); }, Qt::QueuedConnection);
        }
        return false;
    }
    static void Type(QLineEdit *box, const QString &text)
    {
        box->selectAll();
        QApplication::clipboard()->setText(text);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    }
    static void Click(QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    void Set(bool first, const QString &re, const QString &im)
    {
        Type(first ? form.X1 : form.X2, re);
        Type(first ? form.Y1 : form.Y2, im);
        Click(first ? form.Button2 : form.Button3);
    }
    QStringList Log() const { return form.Log->toPlainText().split('\n'); }
    QString Boxes() const
    {
        return form.X1->text() + ' ' + form.Y1->text() + ' ' + form.X2->text() + ' ' +
               form.Y2->text();
    }
    TForm1 form{nullptr};
    QStringList errors;
    std::function<void(QMessageBox &)> whileShown = [](QMessageBox &) {};
};

bool messagesGoOn; // after start-up, to the handler there was before
struct sigaction interruptBeforeStartUp;

} // namespace

// Forms a maintainer has described wrongly; each description is embedded under the class's name.
class TLoudForm : public TForm {
    Q_OBJECT
    Q_PROPERTY(TButton *Button1 MEMBER Button1)
  public:
    TLoudForm() : TForm(nullptr) {}
    using TForm::LoadDescription;
    TButton *Button1 = nullptr;
  public slots:
    void Button1Click(TObject *) {}
};
class TMissingHandler : public TLoudForm {
    Q_OBJECT
};
class TRenamedControl : public TLoudForm {
    Q_OBJECT
};
class TForeignControl : public TLoudForm {
    Q_OBJECT
};
class TMisspeltProperty : public TLoudForm {
    Q_OBJECT
};
class TUnknownPitch : public TLoudForm {
    Q_OBJECT
};
class TPlaceAsText : public TLoudForm {
    Q_OBJECT
};
class TMisnamedForm : public TLoudForm {
    Q_OBJECT
};
class TReadOnlyControl : public TForm { // publishes its button with no way to set it
    Q_OBJECT
    Q_PROPERTY(TButton *Button1 READ Control)
  public:
    TReadOnlyControl() : TForm(nullptr) {}
    using TForm::LoadDescription;
    TButton *Control() const { return nullptr; }
};
class TNoButton : public TLoudForm {
    Q_OBJECT
};
class TUndescribed : public TLoudForm { // its description not embedded
    Q_OBJECT
};

template <class TFormClass> void Build()
{
    TFormClass form;
    form.LoadDescription();
}

class TestForm : public QObject {
    Q_OBJECT
  private slots:
    void windowAsDescribed()
    {
        Driver d;
        QCOMPARE(d.form.geometry(), QRect(193, 114, 862, 466)); // until the frame is known
        d.form.show();
        QVERIFY(QTest::qWaitForWindowActive(&d.form));
        QVERIFY(!d.form.Opers->isEditable());
        QCOMPARE(d.form.Opers->view()->sizeHintForRow(0), 14);
        const std::tuple<QWidget *, QString, QString, QRect, bool> rows[] = {
            // clang-format off
            {d.form.Log, "Log", "Log", {40, 24, 529, 241}, true},
            {d.form.X1, "0", "Real part of the first operand", {40, 280, 65, 21}, false},
            {d.form.Y1, "0", "Imaginary part of the first operand", {112, 280, 65, 21}, false},
            {d.form.X2, "0", "Real part of the second operand", {288, 280, 65, 21}, false},
            {d.form.Y2, "0", "Imaginary part of the second operand", {360, 280, 65, 21}, false},
            {d.form.Opers, "+", "Operator", {208, 280, 49, 22}, true},
            {d.form.Button1, "Exec", "Exec: apply the operator", {448, 280, 115, 25}, false},
            {d.form.Button2, "Set", "Set the first operand", {40, 312, 65, 25}, false},
            {d.form.Button3, "Set", "Set the second operand", {288, 312, 75, 25}, false},
            {d.form.Button4, "Abs", "Abs: log the modulus of the first operand", {112, 312, 65, 25}, false},
            // clang-format on
        };
        d.form.resize(400, 200); // resizing moves and resizes no control
        d.form.Log->setFocus();
        for (const auto &[control, text, name, geometry, fixedPitch] : rows) {
            // The tab order is the order of the rows, the operator list after Y2.
            QCOMPARE(QApplication::focusWidget(), control);
            QTest::keyClick(control, Qt::Key_Tab);
            if (auto *box = qobject_cast<QLineEdit *>(control)) // Tab left its start in view
                QCOMPARE(box->cursorPosition(), 0);
            QCOMPARE(control->geometry(), geometry);
            QCOMPARE(control->accessibleName(), name);
            QCOMPARE(control->property("plainText").toString() +
                         control->property("currentText").toString() +
                         control->property("text").toString(),
                     text);
            // The described size and pitch, and a font that has the pitch (an alias here).
            const QFont font = control->font();
            QCOMPARE(font.pixelSize(), 11);
            QVERIFY(font.fixedPitch() == fixedPitch && QFontInfo(font).fixedPitch() == fixedPitch);
        }
        QCOMPARE(QApplication::focusWidget(), d.form.Log);
        d.form.Opers->setCurrentIndex(2);
        QVERIFY(!QCoreApplication::libraryPaths().isEmpty()); // plugins still load after the build
        d.form.Log->setFocus();
        QTest::keyClicks(d.form.Log, "typed\b");
        QCOMPARE(d.form.Log->toPlainText(), "Log"); // read-only
        QVERIFY(d.form.Log->lineWrapMode() == QPlainTextEdit::WidgetWidth);
        QCOMPARE(d.form.Log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        // What a screen reader is told: the operator list by its name, with its list and its
        // actions; the log's and a box's caret, selection and character places.
        QAccessibleInterface *combo = QAccessible::queryAccessibleInterface(d.form.Opers);
        QCOMPARE(combo->text(QAccessible::Name) + combo->text(QAccessible::Value), "Operatortimes");
        combo->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
        QVERIFY(QTest::qWaitFor([&] { return d.form.Opers->view()->isVisible(); }));
        QVERIFY(combo->indexOfChild(combo->child(0)) == 0 && // the open item list, and only it
                combo->indexOfChild(combo->parent()) == -1);
        QAccessibleTextInterface *log =
            QAccessible::queryAccessibleInterface(d.form.Log)->textInterface();
        log->setCursorPosition(2); // a reader's caret, which selects nothing
        QVERIFY(d.form.Log->textCursor().position() == 2 && log->selectionCount() == 0);
        const QRect first = log->characterRect(0); // the L of "Log", as shown
        QVERIFY(first.width() == QFontMetrics(d.form.Log->font()).horizontalAdvance('L') &&
                log->offsetAtPoint(first.topLeft() + QPoint(1, 1)) == 0);
        int start = -1, end = -1;
        log->selection(0, &start, &end); // none
        QAccessibleTextInterface *box =
            QAccessible::queryAccessibleInterface(d.form.X1)->textInterface();
        box->setSelection(0, 0, 1); // a reader selects the box's 0
        QVERIFY(start == 0 && end == 0 && box->selectionCount() == 1 &&
                d.form.X1->selectedText() == "0");
    }

    void execOverTheOperatorTable()
    {
        // Z1 is 1 + 2i; Z2 is 3 - 1i, or 2 - 1i of the same modulus. Each row: the symbols run in
        // turn, Z2's real part, the outcomes (none: no line) and the boxes after (none: as Set).
        const char *rows[][4] = {
            // clang-format off
            {"+", "3", "4.0000 + 1.0000i", ""},     {"-", "3", "-2.0000 + 3.0000i", ""},
            {"*", "3", "5.0000 + 5.0000i", ""},     {"/", "3", "0.1000 + 0.7000i", ""},
            {"+=", "3", "", "4 1 3 -1"},            {"-=", "3", "", "-2 3 3 -1"},
            {"*=", "3", "", "5 5 3 -1"},            {"/=", "3", "", "0.1 0.7 3 -1"}, // 15 digits
            {"++", "3", "", "2 2 3 -1"},            {"--", "3", "", "0 2 3 -1"},
            {"==|>|<|>=|<=", "3", "FALSE|FALSE|TRUE|FALSE|TRUE", ""}, // == by parts, the rest by modulus
            {"==|>|<|>=|<=", "2", "FALSE|FALSE|FALSE|TRUE|TRUE", ""},
            // clang-format on
        };
        for (const auto &[symbols, z2, outcomes, boxes] : rows) {
            Driver d;
            d.Set(true, "1", "2.0");
            d.Set(false, z2, "-1");
            d.Type(d.form.X2, "typed but not Set");
            QStringList log{"Log"};
            for (const QString &symbol : QString(symbols).split('|')) {
                d.form.Opers->setCurrentIndex(d.form.Opers->findText(symbol));
                d.Click(d.form.Button1);
                if (*outcomes)
                    log << "(1.0000 + 2.0000i) " + symbol + " (" + z2 +
                               ".0000 - 1.0000i) = " + QString(outcomes).split('|')[log.size() - 1];
            }
            QCOMPARE(d.Log(), log);
            QCOMPARE(d.Boxes(), *boxes ? boxes : "1 2 " + QString(z2) + " -1");
            // The start of a number is in view, and nothing went wrong.
            QVERIFY2(d.form.X1->cursorPosition() == 0 && d.errors.isEmpty(), symbols);
        }
    }

    void setGivesBackWhatAnUntouchedBoxShows()
    {
        // The box shows 15 digits of a part that has more: only a box the user left alone gives
        // the part back; a screen reader's change is not flagged as the user's, but reads as typed.
        const auto retype = [](TEdit *box) { Driver::Type(box, box->text()); };
        const auto byReader = [](TEdit *box) {
            QAccessible::queryAccessibleInterface(box)->editableTextInterface()->replaceText(
                0, int(box->text().size()), "2");
        };
        const std::tuple<const char *, std::function<void(TEdit *)>, bool, QString> rows[] = {
            {"untouched", [](TEdit *) {}, false, "TRUE"},
            {"the same text typed again", retype, false, "FALSE"},
            {"typed, then shown again by Exec", retype, true, "TRUE"},
            {"changed by a screen reader", byReader, false, "(0.1000 + 2.0000i) =="},
            {"given a value by a screen reader",
             [](TEdit *box) {
                 QAccessible::queryAccessibleInterface(box)->setText(QAccessible::Value, "2");
             },
             false, "(0.1000 + 2.0000i) =="}};
        for (const auto &[name, change, exec, outcome] : rows) {
            Driver d;
            d.Set(true, "0.1", "1.4142135623730951");
            d.Set(false, "0.1", "1.4142135623730951");
            d.form.Opers->setCurrentIndex(10); // ==
            d.Click(d.form.Button1);
            change(d.form.Y1);
            if (exec)
                d.Click(d.form.Button1);
            d.Click(d.form.Button2);
            d.Click(d.form.Button1);
            QVERIFY2(d.Log().back().contains(outcome), name);
        }
    }

    void aNumberThatDoesNotFitHasItsTooltip()
    {
        // The tooltip holds the whole text, as plain text, exactly when the toolkit has to scroll
        // to show the text's end: as it is typed, and at every width around the edge of fitting.
        Driver d;
        d.form.show();
        TEdit *box = d.form.X1;
        QSet<bool> seen;
        const auto check = [&](const QString &shown) {
            box->end(false);
            const QImage atEnd = box->grab().toImage();
            box->setCursorPosition(0);
            const bool scrolled = box->grab().toImage() != atEnd;
            QHelpEvent ask(QEvent::ToolTip, {5, 5}, box->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(box, &ask);
            if (scrolled) { // in lines that keep the tip on the screen
                QTextDocument tip;
                tip.setHtml(QToolTip::text());
                QCOMPARE(tip.toPlainText().remove('\n'), shown);
                const QRect screen = box->screen()->geometry();
                for (const QWidget *w : QApplication::topLevelWidgets())
                    if (w->windowType() == Qt::ToolTip && w->isVisible())
                        QCOMPARE(screen.united(w->frameGeometry()), screen);
            }
            QVERIFY(QTest::qWaitFor(
                [&] { return QToolTip::isVisible() == scrolled; })); // a tip fades out
            seen << scrolled;
        };
        box->clear();
        for (const QChar c : QString("<1.2345678>")) {
            box->end(false);
            QTest::keyClick(box, c.toLatin1());
            check(box->text());
        }
        for (int width = 90; width > 50; --width) {
            box->resize(width, box->height());
            check(box->text());
        }
        Driver::Type(box, QString(256, '9')); // whole up to 256 characters
        check(box->text());
        Driver::Type(box, QString(300, '9'));
        check(QString(256, '9') + u'\u2026');
        QCOMPARE(seen.size(), 2); // it fitted and it did not
        QCOMPARE(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Description),
                 box->accessibleDescription());
    }

    void documentedExecLinesAreThoseTheProgramWrites_data()
    {
        // Every line of the README and the manual that reads as an Exec line is one.
        QTest::addColumn<QStringList>("line"); // whole, Z1's parts, operator, Z2's parts
        const QRegularExpression exec(
            R"(^ *(\((\S+) ([-+]) (\S+)i\) (\S+) \((\S+) ([-+]) (\S+)i\) = .+)$)",
            QRegularExpression::MultilineOption);
        for (const char *name : {"README.md", "app/complexops.1"}) {
            QFile file(SOURCE_DIR "/" + QString(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text =
                QString::fromUtf8(file.readAll()).replace("\\-", "-"); // roff's minus
            QVERIFY(exec.globalMatch(text).hasNext());
            for (const QRegularExpressionMatch &match : exec.globalMatch(text))
                QTest::addRow("%s: %s", name, qPrintable(match.captured(1)))
                    << match.capturedTexts().mid(1);
        }
    }

    void documentedExecLinesAreThoseTheProgramWrites()
    {
        QFETCH(QStringList, line);
        Driver d;
        d.Set(true, line[1], line[2] + line[3]);
        d.Set(false, line[5], line[6] + line[7]);
        d.form.Opers->setCurrentIndex(d.form.Opers->findText(line[4]));
        d.Click(d.form.Button1);
        QCOMPARE(d.Log().back(), line[0]);
    }

    void keysClickAFocusedButtonOnlyOncePerPress()
    {
        // Presses (P) and releases (R) at X time stamps, as the toolkit hands them on: a held
        // key repeats here as pairs at one time (the desktop tier holds real keys); Q is a
        // release that went to another widget, D the application losing the keyboard.
        Driver d;
        d.form.show();
        QVERIFY(QTest::qWaitForWindowActive(&d.form));
        const std::tuple<QWidget *, Qt::Key, Qt::KeyboardModifiers, const char *, int> rows[] = {
            {d.form.Button4, Qt::Key_Return, Qt::ControlModifier, "P1 R2", 0},
            {d.form.X1, Qt::Key_Return, {}, "P1 R2", 0}, // no button is a default button
            {d.form.Button4, Qt::Key_Return, {}, "P1 R5 P5 R9 P9 R12", 1},
            {d.form.Button4, Qt::Key_Space, {}, "P1 R5 P5 R9 P9 R12", 1},
            {d.form.Button4, Qt::Key_Return, {}, "P1 R2 P3 R4 P5 R6", 3},
            {d.form.Button4, Qt::Key_Space, {}, "P1 R2 P3 R4 P5 R6", 3},
            {d.form.Button4, Qt::Key_Return, {}, "P1 Q2 P3 R4", 2},
            {d.form.Button4, Qt::Key_Return, {}, "P1 D P3 R4", 2}};
        quint64 base = 0;
        for (const auto &[focused, key, modifiers, events, lines] : rows) {
            const qsizetype before = d.Log().size();
            focused->setFocus();
            for (const QString &event : QString(events).split(' ')) {
                if (event == "D") {
                    QEvent deactivate(QEvent::ApplicationDeactivate);
                    QApplication::sendEvent(qApp, &deactivate);
                    continue;
                }
                QKeyEvent e(event[0] == 'P' ? QEvent::KeyPress : QEvent::KeyRelease, key, modifiers,
                            key == Qt::Key_Space ? " " : "");
                e.setTimestamp(base + event.mid(1).toULongLong());
                QApplication::sendEvent(event[0] == 'Q' ? static_cast<QObject *>(d.form.X2)
                                                        : d.form.windowHandle(),
                                        &e);
            }
            QVERIFY2(d.Log().size() - before == lines, events);
            base += 100;
        }
    }

    void theLogKeepsTheUsersSelectionAndFollowsItsEnd()
    {
        Driver d;
        d.form.show();
        const QScrollBar *bar = d.form.Log->verticalScrollBar();
        for (int i = 0; i < 40; ++i)
            d.Click(d.form.Button4);
        QVERIFY(bar->value() == bar->maximum() && bar->maximum() > 0); // it follows at the end
        QTextCursor first(d.form.Log->document());
        first.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        d.form.Log->setTextCursor(first); // which shows the top
        d.Click(d.form.Button4);
        QCOMPARE(d.form.Log->textCursor().selectedText() + QString::number(bar->value()), "Log0");
        QTextCursor last(d.form.Log->document()->lastBlock()); // touching the end, which shows it
        last.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        d.form.Log->setTextCursor(last);
        d.Click(d.form.Button4);
        QCOMPARE(d.form.Log->textCursor().selectedText(), "Absolute value = 0"); // not grown
        QVERIFY(d.Log().size() == 43 && bar->value() == bar->maximum());
    }

    void tripleClickCopiesOneLineAsTheToolkitCountsIt()
    {
        Driver d;
        d.form.show();
        QWidget *page = d.form.Log->viewport();
        // A left press soon after a double click on a word, at the same place, Shift or not.
        const std::tuple<Qt::MouseButton, Qt::KeyboardModifiers, QPoint, int, int, QString> rows[] =
            {{Qt::LeftButton, {}, {}, 0, 1, "Absolute value = 0"},
             {Qt::RightButton, {}, {}, 0, 1, "Absolute"},
             {Qt::LeftButton, Qt::ShiftModifier, {}, 0, 1, "Absolute value = 0"},
             {Qt::LeftButton, {}, {0, 8}, 0, 1, "Absolute value = 0"}, // the double-clicked line
             {Qt::LeftButton, {}, {60, 0}, 0, 1, ""},
             {Qt::LeftButton, {}, {}, QApplication::doubleClickInterval() + 100, 1, ""},
             {Qt::LeftButton, {}, {0, 8}, 0, 2, ""}}; // a fourth press is a plain one
        for (const auto &[button, modifiers, moved, wait, presses, selected] : rows) {
            d.Click(d.form.Button4); // each row on a line of its own, away from the last clicks,
            d.Click(d.form.Button4); // with a line after it
            const QTextCursor line(d.form.Log->document()->lastBlock().previous());
            const QPoint clickAt = d.form.Log->cursorRect(line).center() + QPoint(10, 0);
            QTest::mouseDClick(page, Qt::LeftButton, {}, clickAt);
            QTest::qWait(wait);
            for (int i = 0; i < presses; ++i)
                QTest::mouseClick(page, button, modifiers, clickAt + moved);
            QApplication::clipboard()->clear();
            QTest::keyClick(d.form.Log, Qt::Key_C, Qt::ControlModifier); // what the user copies
            QCOMPARE(QApplication::clipboard()->text(), selected);
            QVERIFY(selected.isEmpty() ||
                    d.form.Log->textCursor().selectionStart() == line.position());
        }
    }

    void mistakesInADescriptionAreLoud()
    {
        // Each would otherwise leave a dead button, a wrong font or a misplaced window.
        const std::pair<void (*)(), QString> rows[] = {
            {Build<TMissingHandler>, "TMissingHandler has no published handler Button2Click"},
            {Build<TRenamedControl>, "TRenamedControl has no published control Button2"},
            {Build<TForeignControl>, "The control Button1 is of the unknown class QPushButton"},
            {Build<TMisspeltProperty>, "TMisspeltProperty: Button1 has no property OnClik"},
            {Build<TUnknownPitch>,
             "TUnknownPitch: FontPitch of Button1 is fpBold, not fpDefault, fpFixed or fpVariable"},
            {Build<TPlaceAsText>, "TPlaceAsText: Left of F is not a number"},
            {Build<TMisnamedForm>, "The description is for TLoudForm, not for TMisnamedForm"},
            {Build<TUndescribed>, "The form description TUNDESCRIBED is missing"},
            {Build<TNoButton>, "The description of TNoButton has no control Button1"},
            {Build<TReadOnlyControl>, "TReadOnlyControl::Button1 is not writable"},
        };
        for (const auto &[build, message] : rows) {
            QString said;
            try {
                build();
            } catch (const Exception &e) {
                said = ToQString(e.Message);
            }
            QCOMPARE(said, message);
        }
    }

    void aSignalClosesTheErrorDisplayBeforeTheLoop()
    {
        QTimer::singleShot(0, [] { raise(SIGTERM); });
        const EConvertError error("x");
        Application->ShowException(&error); // returns once the display is closed
    }

    void setReadsTheImaginaryPartFirstAndAnErrorChangesNothing()
    {
        const QString rows[][4] = {
            // clang-format off
            {" 3e0\n", "+.4E1", "", "5"},
            {"x", "y", "'y' is not a valid floating point value", "0"},
            {"<b>2</b>", "0", "'<b>2</b>' is not a valid floating point value", "0"},
            {"-nan", "1", "", "NAN"},
            // clang-format on
        };
        for (const auto &[re, im, error, modulus] : rows) {
            Driver d;
            d.whileShown = [&](QMessageBox &box) { // no command runs, no held key closes it
                d.Click(d.form.Button4);
                QVERIFY(QTest::qWaitForWindowActive(&box));
                QKeyEvent held(QEvent::KeyPress, Qt::Key_Return, {}, {}, true);
                QApplication::sendEvent(box.windowHandle(), &held);
                QVERIFY(box.isVisible());
            };
            d.Set(true, re, im);
            d.Click(d.form.Button4);
            QCOMPARE(d.errors.join(""), error);
            QCOMPARE(d.Log(), QStringList({"Log", "Absolute value = " + modulus}));
            QCOMPARE(d.Boxes(), re + ' ' + im + " 0 0"); // as typed
        }
    }

    // Last: it ends the toolkit.
    void closingTheWindowEndsTheLoop()
    {
        QCOMPARE(QCoreApplication::arguments(),
                 QStringList{"complexops"}); // toolkit options ignored
        QVERIFY(QGuiApplication::platformName() == "offscreen" && messagesGoOn);
        // Ctrl+C in the terminal closes the window as the user would (the end of a session too),
        // but a signal ignored from the start (nohup) stays ignored; the handlers before start-up
        // are back after the loop.
        struct sigaction during = {}, hangup = {}, after = {};
        QPointer<TForm> window;
        QTimer::singleShot(0, [&] {
            window = Form1;
            sigaction(SIGINT, nullptr, &during);
            sigaction(SIGHUP, nullptr, &hangup);
            raise(SIGINT);
        });
        Application->CreateForm(&Form1);
        Application->Run();
        sigaction(SIGINT, nullptr, &after);
        QVERIFY(during.sa_handler != interruptBeforeStartUp.sa_handler &&
                hangup.sa_handler == SIG_IGN);
        QVERIFY(after.sa_handler == interruptBeforeStartUp.sa_handler);
        QVERIFY(!Form1 && !window); // finalised, in the toolkit's time
    }
};

int main(int, char **argv)
{
    // The program's own start-up: the toolkit options CTest passes are ignored, and what the
    // toolkit says while it starts reaches the handler there was before, category and all.
    static QStringList said;
    const QtMessageHandler before = qInstallMessageHandler(nullptr),
                           recorder = [](QtMsgType, const QMessageLogContext &c,
                                         const QString &text) { said << c.category + text; };
    qInstallMessageHandler(recorder);
    qputenv("QT_LOGGING_RULES", "qt.qpa.plugin.debug=true");
    std::signal(SIGHUP, SIG_IGN);
    sigaction(SIGINT, nullptr, &interruptBeforeStartUp);
    TApplication application;
    Application->Initialize();
    QLoggingCategory::setFilterRules("qt.qpa.plugin.debug=false");
    messagesGoOn = qInstallMessageHandler(before) == recorder &&
                   !said.filter(QRegularExpression("^qt\\.qpa\\.plugin")).isEmpty(); // its category
    TestForm test;
    // The program's own signal handlers, not the test library's.
    char noCrashHandler[] = "-nocrashhandler";
    char *arguments[] = {argv[0], noCrashHandler, nullptr};
    return QTest::qExec(&test, 2, arguments);
}

#include "tst_form.moc"
