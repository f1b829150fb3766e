// The main routine's body: start-up, the event loop until the main window
// closes, and the outermost error display. Generic over the application so
// that tests can watch the order of calls; the program passes Application.
#pragma once

#include "SysUtils.h"

/// Returns the exit status, which is always 0. An Exception escaping start-up
/// or the loop is shown once with its own message; any other error is shown
/// once as an Exception with an empty message.
template <class TApp, class TFormClass> int ApplicationMain(TApp &App, TFormClass **MainForm)
{
    try {
        App.Initialize();
        App.CreateForm(MainForm);
        App.Run();
    } catch (Exception &E) {
        App.ShowException(&E);
    } catch (...) {
        try {
            throw Exception("");
        } catch (Exception &E) {
            App.ShowException(&E);
        }
    }
    return 0;
}
