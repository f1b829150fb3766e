// The framework's string type, its error classes and its number conversions.
// Plain standard C++: the console and its tests use these without the toolkit.
#pragma once

#include <stdexcept>
#include <string>

class QObject; // the toolkit's, named here only: a control an error came from
using TObject = QObject;

/// The framework's byte string (UTF-8). Equality is byte for byte: no case
/// folding, no trimming.
class AnsiString {
  public:
    AnsiString() = default;
    AnsiString(const char *text) : bytes(text) {}
    AnsiString(std::string text) : bytes(std::move(text)) {}

    const char *c_str() const { return bytes.c_str(); }
    const std::string &str() const { return bytes; }
    int Length() const { return static_cast<int>(bytes.size()); }

    friend bool operator==(const AnsiString &, const AnsiString &) = default;

  private:
    std::string bytes;
};

/// The framework's error class; everything the program raises is one of these.
class Exception : public std::exception {
  public:
    explicit Exception(const AnsiString &message, TObject *source = nullptr)
        : Message(message), Source(source)
    {
    }
    const char *what() const noexcept override { return Message.c_str(); }

    AnsiString Message;
    /// The control whose content could not be used, where one was: the error
    /// display gives it the focus once dismissed.
    TObject *Source;
};

/// A text that is not a number.
class EConvertError : public Exception {
  public:
    using Exception::Exception;
};

/// Accepts blanks (space, tab, line feed, carriage return) around an optional
/// sign and a decimal number with optional point, fraction and exponent, or
/// INF or NAN in any ASCII letter case; nothing depends on the locale. The
/// value is correctly rounded. Past the largest double, texts up to
/// "1.79769313486232E308" (what FloatToStr writes for it) read as the largest
/// double, so that every written text reads back; beyond that the value is
/// infinite, and below the range subnormal or zero. Anything else raises
/// EConvertError "'<text>' is not a valid floating point value", quoting at
/// most 64 characters of the text (then "…"), control characters and line
/// separators escaped, the quote isolated (and the message marked left to
/// right) where it holds non-ASCII text. The error names Source, the control
/// the text came from, where given.
double StrToFloat(const AnsiString &text, TObject *Source = nullptr);

/// Up to 15 significant digits, correctly rounded, no trailing zeros; fixed
/// notation for decimal exponents -5 to 14, otherwise "1.5E-7" style.
/// Infinities are "INF" and "-INF", not-a-number "NAN" whatever its sign,
/// negative zero "-0". The largest double is written "1.79769313486232E308".
AnsiString FloatToStr(double value);
