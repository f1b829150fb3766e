#include "StdCtrls.h"

#include "Accessible.h"
#include "Application.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionFrame>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolTip>
#include <limits>

namespace {

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
    setModified(false); // the text is the program's now, even where unchanged
    // A number longer than the box shows its sign and leading digits.
    setCursorPosition(0);
}

void TEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // Tab selects the whole text, which puts its end in view; a number left
    // behind shows its sign and leading digits again. A switch to another
    // window or a menu keeps the place.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        setCursorPosition(0);
}

bool TEdit::TextFits() const
{
    // The toolkit's own test for a text that needs no scrolling: the text and
    // the cursor's pixel within the text area, less the margin of 2 it keeps
    // on either side.
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    return fontMetrics().horizontalAdvance(text()) + 1 <=
           area.marginsRemoved(textMargins()).width() - 2 * 2;
}

bool TEdit::event(QEvent *event)
{
    // Asked for when the tooltip is about to show, so the fit is that of the
    // text and the font of the moment. Not the toolTip property: the toolkit
    // would pass it on to screen readers as the description, and they read
    // the whole value already.
    if (event->type() != QEvent::ToolTip)
        return QLineEdit::event(event);
    if (TextFits()) {
        QToolTip::hideText();
    } else { // plain text, however it looks, and no longer than a long number
        constexpr int MaxShown = 256;
        const QString shown = text().size() > MaxShown ? text().left(MaxShown) + u'\u2026' : text();
        // Broken into lines at most half as wide as the screen, so that the tip
        // fits beside the pointer wherever that is; a number has no blanks to
        // break at, so any place will do.
        const QPoint pointerPos = static_cast<QHelpEvent *>(event)->globalPos();
        const QScreen *screen = QGuiApplication::screenAt(pointerPos);
        const int width = (screen ? screen : this->screen())->availableGeometry().width() / 2;
        QTextLayout layout(shown, QToolTip::font());
        QTextOption wrap;
        wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(wrap);
        QStringList lines;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines << shown.mid(line.textStart(), line.textLength());
        }
        layout.endLayout();
        QToolTip::showText(pointerPos,
                           Qt::convertFromPlainText(lines.join('\n'), Qt::WhiteSpaceNoWrap), this);
    }
    return true;
}

void TMemoLines::Add(const AnsiString &text)
{
    // The user's selection and cursor stay, and a screen reader hears of
    // no change: a cursor at the end moves with the new text, so it is put
    // back within the same edit, before the text control looks.
    QTextCursor cursor = memo.textCursor();
    const int anchor = cursor.anchor(), position = cursor.position();
    QTextCursor end(memo.document());
    end.movePosition(QTextCursor::End);
    const bool following = // the last line in view, however the user got there
        memo.isVisible() && memo.cursorRect(end).bottom() <= memo.viewport()->rect().bottom();
    QScrollBar &bar = *memo.verticalScrollBar();
    end.beginEditBlock();
    if (!memo.document()->isEmpty())
        end.insertBlock();
    end.insertText(ToQString(text));
    if (cursor.anchor() != anchor || cursor.position() != position) {
        const int view = bar.value();
        QTextCursor kept(memo.document());
        kept.setPosition(anchor);
        kept.setPosition(position, QTextCursor::KeepAnchor);
        memo.setTextCursor(kept);
        bar.setValue(view);
    }
    end.endEditBlock();
    if (following)
        bar.setValue(bar.maximum());
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

TComboBox::TComboBox(QWidget *parent)
    : QComboBox(parent), Items(std::make_unique<TComboItems>(*this))
{
    FollowItemChanges(*this);
    // The wheel gives no focus: scrolling past the list must not pick an
    // operator that the next Exec would run.
    setFocusPolicy(Qt::StrongFocus);
}

void TComboBox::wheelEvent(QWheelEvent *event)
{
    // Unfocused, the list passes the wheel on to the form, which ignores it.
    if (hasFocus())
        QComboBox::wheelEvent(event);
    else
        event->ignore();
}
void TComboBox::SetItemHeight(int height)
{
    // The view never deletes a delegate it is given; the combo box owns both.
    view()->setItemDelegate(new FixedHeightDelegate(*view()->itemDelegate(), height, this));
}

TButton::TButton(QWidget *parent) : QPushButton(parent)
{
    connect(this, &QAbstractButton::clicked, this, &TButton::Click);
}

void TButton::keyPressEvent(QKeyEvent *event)
{
    // Return and Enter click the focused button, as Space does; no button is
    // a default button, so Return elsewhere does nothing.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
        click();
    else
        QPushButton::keyPressEvent(event);
}

void TButton::Click()
{
    if (!OnClick)
        return;
    Application->Dispatch([this] { OnClick(this); });
}
