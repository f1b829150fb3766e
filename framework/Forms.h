// Forms.
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
