// The framework's base names, on Qt.
#pragma once

#include "SysUtils.h"

#include <QObject>
#include <functional>

using TObject = QObject;
using TComponent = QObject;

/// A click handler bound to a control; Sender is the control.
using TNotifyEvent = std::function<void(TObject *Sender)>;

QString ToQString(const AnsiString &text);
AnsiString ToAnsiString(const QString &text);
