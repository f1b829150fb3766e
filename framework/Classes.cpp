#include "Classes.h"

QString ToQString(const AnsiString &text)
{
    return QString::fromUtf8(text.c_str(), text.Length());
}

AnsiString ToAnsiString(const QString &text)
{
    return text.toUtf8().toStdString();
}
