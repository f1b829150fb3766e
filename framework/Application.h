// The application object: start-up, the event loop, and the error display.
#pragma once

#include "Classes.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QApplication;

/// The one application object: runs the event loop, owns the forms created
/// through it, and shows the errors that leave click handlers. main owns it,
/// so that all it holds goes before the toolkit's statics.
class TApplication : public QObject {
    Q_OBJECT
  public:
    TApplication();
    ~TApplication() override;
    TApplication(const TApplication &) = delete;
    TApplication &operator=(const TApplication &) = delete;

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
    void Adopt(std::unique_ptr<QWidget> form);

    std::unique_ptr<QApplication> toolkit;
    // As windows, all this needs of them: so the controls, which forms build,
    // can reach Dispatch here without a cycle.
    std::vector<std::unique_ptr<QWidget>> forms;
    QWidget *mainForm = nullptr;
    bool showingError = false;
};

/// The application object while it exists.
extern TApplication *Application;
