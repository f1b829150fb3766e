#include "Unit1.h"

#include <cmath>

TForm1 *Form1 = nullptr;
std::unique_ptr<ComplexNumber> Z1;
std::unique_ptr<ComplexNumber> Z2;

namespace {

// One row of the operator table. Exactly one operation is set, and which one
// says what becomes of the outcome: a complex result and a truth value are
// logged, an in-place change of Z1 is not. The words are what a screen reader
// speaks for the symbol, which it may drop as punctuation.
struct OperatorRow {
    const char *Symbol;
    const char *Words;
    ComplexNumber (*Complex)(const ComplexNumber &, const ComplexNumber &) = nullptr;
    void (*InPlace)(ComplexNumber &, const ComplexNumber &) = nullptr;
    bool (*Truth)(const ComplexNumber &, const ComplexNumber &) = nullptr;
};

// An operand the operator reads, and the one an in-place operator changes.
using In = const ComplexNumber &;
using InOut = ComplexNumber &;

// The symbols are the items of Opers, in the same order; rows are tried in
// this order. In-place rows discard what their operator returns.
const OperatorRow OperatorTable[] = {
    {.Symbol = "+", .Words = "plus", .Complex = [](In a, In b) { return a + b; }},
    {.Symbol = "-", .Words = "minus", .Complex = [](In a, In b) { return a - b; }},
    {.Symbol = "*", .Words = "times", .Complex = [](In a, In b) { return a * b; }},
    {.Symbol = "/", .Words = "divided by", .Complex = [](In a, In b) { return a / b; }},
    {.Symbol = "+=", .Words = "plus assign", .InPlace = [](InOut a, In b) { a += b; }},
    {.Symbol = "-=", .Words = "minus assign", .InPlace = [](InOut a, In b) { a -= b; }},
    {.Symbol = "*=", .Words = "times assign", .InPlace = [](InOut a, In b) { a *= b; }},
    {.Symbol = "/=", .Words = "divide assign", .InPlace = [](InOut a, In b) { a /= b; }},
    {.Symbol = "++", .Words = "increment", .InPlace = [](InOut a, In) { a++; }},
    {.Symbol = "--", .Words = "decrement", .InPlace = [](InOut a, In) { a--; }},
    {.Symbol = "==", .Words = "equals", .Truth = [](In a, In b) { return a == b; }},
    {.Symbol = ">", .Words = "greater than", .Truth = [](In a, In b) { return a > b; }},
    {.Symbol = "<", .Words = "less than", .Truth = [](In a, In b) { return a < b; }},
    {.Symbol = ">=", .Words = "greater or equal", .Truth = [](In a, In b) { return a >= b; }},
    {.Symbol = "<=", .Words = "less or equal", .Truth = [](In a, In b) { return a <= b; }},
};

const OperatorRow *FindOperator(const AnsiString &symbol)
{
    for (const OperatorRow &row : OperatorTable)
        if (symbol == AnsiString(row.Symbol))
            return &row;
    return nullptr;
}

std::string ExecLine(const std::string &symbol, const std::string &outcome)
{
    std::string line = "(";
    line += Z1->ToString();
    line += ") ";
    line += symbol;
    line += " (";
    line += Z2->ToString();
    line += ") = ";
    line += outcome;
    return line;
}

// An operand as the boxes show it, for a screen reader: "Z1 = 3 + 4i". The
// sign of a negative imaginary part stays with its digits, where a reader
// says it at every punctuation level.
std::string OperandText(const char *name, const ComplexNumber &z)
{
    const bool negative = std::signbit(z.GetIm()) && !std::isnan(z.GetIm());
    return std::string(name) + " = " + FloatToStr(z.GetRe()).str() + (negative ? " " : " + ") +
           FloatToStr(z.GetIm()).str() + "i";
}

} // namespace

TForm1::TForm1(TComponent *Owner) : TForm(Owner)
{
    LoadDescription();
    for (const OperatorRow &row : OperatorTable)
        Opers->setItemData(Opers->findText(row.Symbol, Qt::MatchExactly | Qt::MatchCaseSensitive),
                           row.Words, Qt::AccessibleTextRole);
    Z1 = std::make_unique<ComplexNumber>(0, 0);
    Z2 = std::make_unique<ComplexNumber>(0, 0);
    ShowOperands();
}

void TForm1::ShowOperands()
{
    const std::pair<TEdit *, double> parts[] = {
        {X1, Z1->GetRe()}, {Y1, Z1->GetIm()}, {X2, Z2->GetRe()}, {Y2, Z2->GetIm()}};
    for (const auto &[box, part] : parts) {
        shown[box] = {part, FloatToStr(part)};
        box->SetText(shown[box].text);
    }
}

// A box the user has left alone gives back the very part it shows, to the
// bit; anything else, the same text typed again included, reads as typed.
// The text is compared too: a screen reader's or an on-screen keyboard's
// change does not count as the user's edit.
double TForm1::ReadPart(TEdit &box) const
{
    const AnsiString text = box.GetText();
    if (const auto found = shown.find(&box);
        found != shown.end() && !box.Modified() && text == found->second.text)
        return found->second.part;
    return StrToFloat(text, &box);
}

void TForm1::Button1Click(TObject *)
{
    const AnsiString symbol = Opers->Items->Strings[Opers->ItemIndex];

    std::unique_ptr<ComplexNumber> complexResult;
    std::unique_ptr<bool> truthResult;
    const OperatorRow *row = FindOperator(symbol);
    if (row) {
        if (row->Complex)
            complexResult = std::make_unique<ComplexNumber>(row->Complex(*Z1, *Z2));
        else if (row->InPlace)
            row->InPlace(*Z1, *Z2);
        else
            truthResult = std::make_unique<bool>(row->Truth(*Z1, *Z2));
    }

    // A reader hears the line with the operator in words, and Z1 after an
    // in-place change.
    if (complexResult || truthResult) {
        const std::string outcome = complexResult  ? complexResult->ToString()
                                    : *truthResult ? "TRUE"
                                                   : "FALSE";
        Log->Lines->Add(ExecLine(symbol.str(), outcome));
        Announce(ExecLine(row->Words, outcome));
        complexResult.reset();
        truthResult.reset();
    } else if (row) {
        Announce(OperandText("Z1", *Z1));
    }
    ShowOperands();
}

// The imaginary part first: with both boxes bad, its text is the one named.
void TForm1::Button2Click(TObject *)
{
    const double im = ReadPart(*Y1);
    Z1 = std::make_unique<ComplexNumber>(ReadPart(*X1), im);
    Announce(OperandText("Z1", *Z1));
}

void TForm1::Button3Click(TObject *)
{
    const double im = ReadPart(*Y2);
    Z2 = std::make_unique<ComplexNumber>(ReadPart(*X2), im);
    Announce(OperandText("Z2", *Z2));
}

void TForm1::Button4Click(TObject *)
{
    const double modulus = Z1->Abs();
    const std::string line = "Absolute value = " + FloatToStr(modulus).str();
    Log->Lines->Add(line);
    Announce(line);
}
