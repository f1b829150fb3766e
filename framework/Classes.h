// The framework's base names and its string lists, on Qt.
#pragma once

#include "SysUtils.h"

#include <QObject>
#include <functional>

using TObject = QObject;
using TComponent = QObject;

/// A click handler bound to a control; Sender is the control.
using TNotifyEvent = std::function<void(TObject *Sender)>;

/// A list of lines behind a control: the lines of a memo, the items of a list.
class TStrings {
  public:
    TStrings() = default;
    TStrings(const TStrings &) = delete;
    TStrings &operator=(const TStrings &) = delete;
    virtual ~TStrings() = default;

    /// Appends one line.
    virtual void Add(const AnsiString &text) = 0;
    virtual int Count() const = 0;
    /// The line at index, or the empty text where there is none.
    virtual AnsiString Get(int index) const = 0;

    /// Read access in the framework's form: Items->Strings[i].
    class StringsIndexer {
      public:
        explicit StringsIndexer(const TStrings &list) : owner(list) {}
        AnsiString operator[](int index) const { return owner.Get(index); }

      private:
        const TStrings &owner;
    };
    const StringsIndexer Strings{*this};
};

QString ToQString(const AnsiString &text);
AnsiString ToAnsiString(const QString &text);
