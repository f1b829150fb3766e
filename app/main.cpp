#include "Shell.h"
#include "Unit1.h"

#include <QGuiApplication>

// Takes no arguments: nothing on the command line changes the program.
int main()
{
    QGuiApplication::setDesktopFileName(QStringLiteral(COMPLEXOPS_APP_ID));
    return ApplicationMain(*Application, &Form1);
}
