#include "StdCtrls.h"

#include "Forms.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <limits>

QString ToQString(const AnsiString &text)
{
    return QString::fromUtf8(text.c_str(), text.Length());
}

AnsiString ToAnsiString(const QString &text)
{
    return text.toUtf8().toStdString();
}

namespace {

// The lines of a memo. Qt keeps a laid-out QTextLayout for every paragraph
// of a document, which costs more than a short line's text, so appended lines
// share paragraphs, LinesPerParagraph at most, joined by line separators
// (which read and copy as line breaks). An append still lays out only the
// last, short paragraph.
class TMemoLines final : public TStrings {
  public:
    explicit TMemoLines(QPlainTextEdit &owner) : memo(owner) {}

    int Add(const AnsiString &text) override
    {
        const int index = Count();
        QTextDocument &document = *memo.document();
        QScrollBar &bar = *memo.verticalScrollBar();
        const bool following = bar.value() == bar.maximum();

        QTextCursor cursor(&document);
        cursor.movePosition(QTextCursor::End);
        const QString line = ToQString(text);
        cursor.beginEditBlock(); // one change notification, one relayout
        if (index == 0) {
            cursor.insertText(line);
        } else if (LinesIn(document.lastBlock()) >= LinesPerParagraph) {
            cursor.insertBlock();
            cursor.insertText(line);
        } else {
            cursor.insertText(QChar::LineSeparator + line);
        }
        cursor.endEditBlock();

        if (following)
            bar.setValue(bar.maximum());
        counted = {document.revision(), index + 1};
        return index;
    }

    int Count() const override
    {
        const QTextDocument &document = *memo.document();
        if (counted.revision != document.revision()) {
            int lines = 0;
            if (!document.isEmpty())
                for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
                    lines += LinesIn(block);
            counted = {document.revision(), lines};
        }
        return counted.lines;
    }

    AnsiString Get(int index) const override
    {
        if (index < 0)
            return {};
        for (QTextBlock block = memo.document()->begin(); block.isValid(); block = block.next()) {
            const int lines = LinesIn(block);
            if (index < lines)
                return ToAnsiString(block.text().split(QChar::LineSeparator)[index]);
            index -= lines;
        }
        return {};
    }

  private:
    static constexpr int LinesPerParagraph = 4;

    static int LinesIn(const QTextBlock &block)
    {
        return 1 + static_cast<int>(block.text().count(QChar::LineSeparator));
    }

    // The line count, valid while the document is at that revision.
    struct Counted {
        int revision = -1;
        int lines = 0;
    };

    QPlainTextEdit &memo;
    mutable Counted counted;
};

class TComboItems final : public TStrings {
  public:
    explicit TComboItems(QComboBox &owner) : box(owner) {}

    int Add(const AnsiString &text) override
    {
        box.addItem(ToQString(text));
        return Count() - 1;
    }
    int Count() const override { return box.count(); }
    AnsiString Get(int index) const override { return ToAnsiString(box.itemText(index)); }

  private:
    QComboBox &box;
};

} // namespace

TEdit::TEdit(QWidget *parent) : QLineEdit(parent)
{
    // The toolkit's default cuts pasted text at 32767 characters.
    setMaxLength(std::numeric_limits<int>::max());
}

AnsiString TEdit::GetText() const
{
    return ToAnsiString(text());
}
void TEdit::SetText(const AnsiString &text)
{
    setText(ToQString(text));
}

TMemo::TMemo(QWidget *parent) : QPlainTextEdit(parent), Lines(std::make_unique<TMemoLines>(*this))
{
    // The log only grows; an undo history would hold a second copy of it.
    setUndoRedoEnabled(false);
}

AnsiString TMemo::GetText() const
{
    return ToAnsiString(toPlainText());
}
void TMemo::SetText(const AnsiString &text)
{
    setPlainText(ToQString(text));
}

TComboBox::TComboBox(QWidget *parent)
    : QComboBox(parent), Items(std::make_unique<TComboItems>(*this))
{
}
AnsiString TComboBox::GetText() const
{
    return ToAnsiString(currentText());
}
void TComboBox::SetText(const AnsiString &text)
{
    setCurrentText(ToQString(text));
}

TButton::TButton(QWidget *parent) : QPushButton(parent)
{
    connect(this, &QAbstractButton::clicked, this, &TButton::Click);
}

AnsiString TButton::GetText() const
{
    return ToAnsiString(text());
}
void TButton::SetText(const AnsiString &text)
{
    setText(ToQString(text));
}

void TButton::Click()
{
    if (!OnClick)
        return;
    Application->Dispatch([this] { OnClick(this); });
}
