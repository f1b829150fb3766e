#include "StdCtrls.h"

#include "Accessible.h"
#include "Forms.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
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

// The lines of a memo, one paragraph each.
class TMemoLines final : public TStrings {
  public:
    explicit TMemoLines(QPlainTextEdit &owner) : memo(owner) {}

    int Add(const AnsiString &text) override
    {
        const int index = Count();
        // An append moves a cursor that stands at the end of the text; the
        // user's selection and cursor must not move, so they are put back.
        const int anchor = memo.textCursor().anchor(), position = memo.textCursor().position();
        const int end = memo.document()->characterCount() - 1;
        const bool touchesEnd = anchor == end || position == end;
        // Follows new lines when the last line was in view, however the user
        // got there.
        memo.appendPlainText(ToQString(text));
        if (touchesEnd) {
            QScrollBar &bar = *memo.verticalScrollBar();
            const int view = bar.value();
            QTextCursor kept(memo.document());
            kept.setPosition(anchor);
            kept.setPosition(position, QTextCursor::KeepAnchor);
            memo.setTextCursor(kept);
            bar.setValue(view);
        }
        Announce(memo, ToQString(text)); // the screen reader's way to the new line
        return index;
    }

    int Count() const override
    {
        const QTextDocument &document = *memo.document();
        return document.isEmpty() ? 0 : document.blockCount();
    }

    AnsiString Get(int index) const override
    {
        const QTextBlock block = memo.document()->findBlockByNumber(index); // invalid past the end
        return block.isValid() ? ToAnsiString(block.text()) : AnsiString();
    }

  private:
    QPlainTextEdit &memo;
};

// Gives every item of a list the same height and leaves the rest, painting
// above all, to the delegate the style chose.
class FixedHeightDelegate final : public QAbstractItemDelegate {
  public:
    FixedHeightDelegate(QAbstractItemDelegate &styled, int height, QObject *parent)
        : QAbstractItemDelegate(parent), inner(styled), itemHeight(height)
    {
    }
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        inner.paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {inner.sizeHint(option, index).width(), itemHeight};
    }

  private:
    QAbstractItemDelegate &inner;
    int itemHeight;
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
    // Rewriting the same text would only cost a repaint.
    if (const QString shown = ToQString(text); shown != this->text())
        setText(shown);
    // A number longer than the box shows its sign and leading digits.
    setCursorPosition(0);
}

TMemo::TMemo(QWidget *parent) : QPlainTextEdit(parent), Lines(std::make_unique<TMemoLines>(*this))
{
    // The log only grows; an undo history would hold a second copy of it.
    setUndoRedoEnabled(false);
}

void TMemo::mouseDoubleClickEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        sinceDoubleClick.start();
        doubleClickAt = event->position().toPoint();
    }
}

void TMemo::mousePressEvent(QMouseEvent *event)
{
    // A triple click as the toolkit counts one: a left press soon after a left
    // double click, at the same place, Shift or not.
    const bool tripleClick = event->button() == Qt::LeftButton && sinceDoubleClick.isValid() &&
                             sinceDoubleClick.elapsed() < QApplication::doubleClickInterval() &&
                             (event->position().toPoint() - doubleClickAt).manhattanLength() <
                                 QApplication::startDragDistance();
    QPlainTextEdit::mousePressEvent(event);
    if (!tripleClick)
        return;
    sinceDoubleClick.invalidate(); // as the toolkit counts: one per double click
    // The toolkit selects the double-clicked line and the break after it; a log
    // line is its text alone, so that copying it gives just that line.
    QTextCursor line = textCursor();
    line.setPosition(line.selectionStart());
    line.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    setTextCursor(line);
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
void TComboBox::SetItemHeight(int height)
{
    // The view never deletes a delegate it is given; the combo box owns both.
    view()->setItemDelegate(new FixedHeightDelegate(*view()->itemDelegate(), height, this));
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

void TButton::keyPressEvent(QKeyEvent *event)
{
    // Return and Enter click the focused button, as Space does; no button is
    // a default button, so Return elsewhere does nothing.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void TButton::Click()
{
    if (!OnClick)
        return;
    Application->Dispatch([this] { OnClick(this); });
}
