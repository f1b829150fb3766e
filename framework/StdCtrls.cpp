#include "StdCtrls.h"

#include "Forms.h"

#include <QTextBlock>
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

class TMemoLines final : public TStrings {
  public:
    explicit TMemoLines(QPlainTextEdit &owner) : memo(owner) {}

    int Add(const AnsiString &text) override
    {
        memo.appendPlainText(ToQString(text));
        return Count() - 1;
    }
    int Count() const override { return memo.document()->blockCount(); }
    AnsiString Get(int index) const override
    {
        return ToAnsiString(memo.document()->findBlockByNumber(index).text());
    }

  private:
    QPlainTextEdit &memo;
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
