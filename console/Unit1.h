// The operator console: two complex operands, the form that shows them, and
// its four commands (Exec, two Sets, Abs).
//
// The operands live here, not in the form or in widget text: the edit boxes
// only show them (ShowOperands) and offer text for Set to convert.
#pragma once

#include "ComplexNumber.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <map>
#include <memory>

class TForm1 : public TForm {
    Q_OBJECT
    Q_PROPERTY(TMemo *Log MEMBER Log)
    Q_PROPERTY(TEdit *X1 MEMBER X1)
    Q_PROPERTY(TEdit *Y1 MEMBER Y1)
    Q_PROPERTY(TEdit *X2 MEMBER X2)
    Q_PROPERTY(TEdit *Y2 MEMBER Y2)
    Q_PROPERTY(TComboBox *Opers MEMBER Opers)
    Q_PROPERTY(TButton *Button1 MEMBER Button1)
    Q_PROPERTY(TButton *Button2 MEMBER Button2)
    Q_PROPERTY(TButton *Button3 MEMBER Button3)
    Q_PROPERTY(TButton *Button4 MEMBER Button4)

  public:
    TMemo *Log = nullptr;
    TEdit *X1 = nullptr;
    TEdit *Y1 = nullptr;
    TEdit *X2 = nullptr;
    TEdit *Y2 = nullptr;
    TComboBox *Opers = nullptr;
    TButton *Button1 = nullptr;
    TButton *Button2 = nullptr;
    TButton *Button3 = nullptr;
    TButton *Button4 = nullptr;

    explicit TForm1(TComponent *Owner);

  public slots:
    /// Exec: applies the selected operator to Z1 and Z2.
    void Button1Click(TObject *Sender);
    /// Set of Z1 from X1 and Y1.
    void Button2Click(TObject *Sender);
    /// Set of Z2 from X2 and Y2.
    void Button3Click(TObject *Sender);
    /// Abs: logs the modulus of Z1.
    void Button4Click(TObject *Sender);

  private:
    void ShowOperands();
    double ReadPart(TEdit &box) const;

    // What ShowOperands last wrote in each box, and the part it came from: the
    // text has at most 15 digits, so it may not read back to that part.
    struct ShownPart {
        double part;
        AnsiString text;
    };
    std::map<const TEdit *, ShownPart> shown;
};

extern TForm1 *Form1;

/// The operands: valid from the end of a form's construction on.
extern std::unique_ptr<ComplexNumber> Z1;
extern std::unique_ptr<ComplexNumber> Z2;
