#include "Application.h"
#include "Unit1.h"

#include <QGuiApplication>

// Takes no arguments: nothing on the command line changes the program. The
// exit status is always 0: an Exception escaping start-up or the loop is shown
// once with its own message; any other error is shown once as an Exception
// with an empty message.
int main()
{
    QGuiApplication::setDesktopFileName(QStringLiteral(COMPLEXOPS_APP_ID));
    TApplication application; // gone, with the toolkit, before the toolkit's statics
    try {
        Application->Initialize();
        Application->CreateForm(&Form1);
        Application->Run();
    } catch (Exception &E) {
        Application->ShowException(&E);
    } catch (...) {
        try {
            throw Exception("");
        } catch (Exception &E) {
            Application->ShowException(&E);
        }
    }
    return 0;
}
