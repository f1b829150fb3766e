// Forms and the application object.
//
// A form is declared, not coded: its window and controls come from a Qt
// Designer description embedded under the form class's name in upper case
// (":/TFORM1"). Building it creates each control as the framework class the
// description names, stores it in the form's published member (a Q_PROPERTY)
// of the same name, and binds each button's OnClick to the published handler
// (a public slot taking TObject *) the description names. Anything the form
// does not publish is an Exception, not a warning, and so is a property of
// the framework's own (OnClick, ItemHeight, Font..., Left, Top, Width, Height,
// ActiveControl) that is misspelt or has a value of the wrong kind.
#pragma once

#include "Classes.h"

#include <QElapsedTimer>
#include <QWidget>
#include <memory>
#include <vector>

class QApplication;

class TForm : public QWidget {
    Q_OBJECT
  public:
    explicit TForm(TComponent *Owner);

    /// Has a screen reader speak the text once, on behalf of the form, without
    /// moving the focus or changing what is shown.
    void Announce(const AnsiString &text);

  protected:
    /// Builds this form from its embedded description. Call it first in the
    /// derived constructor: only there does the form know its own class.
    void LoadDescription();

    void showEvent(QShowEvent *event) override;

  private:
    /// The description gives the outer geometry, frame included; Qt places
    /// the client area. Done once, when the frame is first known.
    void FitOuterGeometry();

    static constexpr int FrameWaitMillis = 2000, FramePollMillis = 20;
    QElapsedTimer fitDeadline; // started at the first show, which alone fits
};

/// The one application object: runs the event loop, owns the forms created
/// through it, and shows the errors that leave click handlers.
class TApplication : public QObject {
    Q_OBJECT
  public:
    TApplication();
    ~TApplication() override;

    /// Creates the toolkit's application. Hands it no command-line
    /// arguments, so none changes what the program does.
    void Initialize();

    /// Constructs a TFormClass owned by this object and stores it in
    /// *Reference until the form is destroyed; the first form created is the
    /// main form. An error in the constructor leaves this call and nothing is
    /// stored.
    template <class TFormClass> void CreateForm(TFormClass **Reference)
    {
        auto form = std::make_unique<TFormClass>(this);
        *Reference = form.get();
        QObject::connect(form.get(), &QObject::destroyed, form.get(),
                         [Reference, form = form.get()] {
                             if (*Reference == form)
                                 *Reference = nullptr;
                         });
        Adopt(std::move(form));
    }

    /// Shows the main form and handles events until it is closed.
    void Run();

    /// Shows the error's message in the standard error display (a modal
    /// message box) and returns once it is dismissed.
    void ShowException(const Exception *E);

    /// Runs a command; an error leaving it is shown with ShowException
    /// instead of going further. This is the one place errors are caught
    /// inside the event loop. While an error is shown no command runs.
    void Dispatch(const std::function<void()> &command);

  private:
    void Adopt(std::unique_ptr<TForm> form);

    std::unique_ptr<QApplication> toolkit;
    std::vector<std::unique_ptr<TForm>> forms;
    TForm *mainForm = nullptr;
    bool showingError = false;
};

extern TApplication *Application;
