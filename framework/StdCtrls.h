// The standard controls: each is the Qt widget it stands on plus the
// framework's interface to it.
#pragma once

#include "Classes.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>

/// A one-line text box that shows the start of its text unless it is being
/// edited. Where the text does not fit, its tooltip shows all of it.
class TEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TEdit(QWidget *parent = nullptr);
    /// The text exactly as typed or shown.
    AnsiString GetText() const;
    /// Replaces the whole text and leaves its start in view.
    void SetText(const AnsiString &text);
    /// Whether the user has edited the text since SetText wrote it.
    bool Modified() const { return isModified(); }

  protected:
    bool event(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

  private:
    bool TextFits() const;
};

/// The lines of a memo, one paragraph each.
class TMemoLines {
  public:
    explicit TMemoLines(QPlainTextEdit &owner) : memo(owner) {}
    TMemoLines(const TMemoLines &) = delete;
    TMemoLines &operator=(const TMemoLines &) = delete;

    /// Appends one line in constant time, however long the text already is,
    /// and keeps the user's selection; the view follows new lines while the
    /// last line is in view.
    void Add(const AnsiString &text);

  private:
    QPlainTextEdit &memo;
};

/// A multi-line text box.
class TMemo : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit TMemo(QWidget *parent = nullptr);

    const std::unique_ptr<TMemoLines> Lines;

  protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

  private:
    QElapsedTimer sinceDoubleClick;
    QPoint doubleClickAt;
};

/// The items of a list, read in the framework's form: Items->Strings[i].
class TComboItems {
  public:
    explicit TComboItems(const QComboBox &owner) : Strings(owner) {}

    /// The item at index, or the empty text where there is none.
    class StringsIndexer {
      public:
        explicit StringsIndexer(const QComboBox &owner) : box(owner) {}
        AnsiString operator[](int index) const { return ToAnsiString(box.itemText(index)); }

      private:
        const QComboBox &box;
    };
    const StringsIndexer Strings;
};

class TComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit TComboBox(QWidget *parent = nullptr);

    /// Index of the selected item, -1 when none is; read on every use.
    class ItemIndexProperty {
      public:
        explicit ItemIndexProperty(const QComboBox &combo) : box(combo) {}
        operator int() const { return box.currentIndex(); }

      private:
        const QComboBox &box;
    };
    const ItemIndexProperty ItemIndex{*this};
    const std::unique_ptr<TComboItems> Items;

    /// The height of every item in the drop-down list, in pixels.
    void SetItemHeight(int height);

  protected:
    void wheelEvent(QWheelEvent *event) override;
};

/// A push button. A click runs OnClick; an error leaving it is shown with
/// Application->ShowException and goes no further, so it never unwinds
/// through the toolkit.
class TButton : public QPushButton {
    Q_OBJECT
  public:
    explicit TButton(QWidget *parent = nullptr);

    TNotifyEvent OnClick;

  protected:
    void keyPressEvent(QKeyEvent *event) override;

  private:
    void Click();
};
