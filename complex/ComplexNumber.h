// A complex number as two doubles with member operators; the left operand is
// the object the operator is called on.
//
// IEEE semantics throughout: nothing is checked and nothing throws, so a
// division by 0 + 0i or an overflow yields infinite or not-a-number parts.
// Every operator is defined here so that callers can inline it; the target is
// built (and exports) -ffp-contract=off so that no multiply and add are fused
// across the rounding points below and the same operands give the same bits
// on every machine.
#pragma once

#include "FloatingPoint.h"

#include <cmath>
#include <string>

class ComplexNumber {
  public:
    ComplexNumber(double real, double imaginary) : re(real), im(imaginary) {}

    double GetRe() const { return re; }
    double GetIm() const { return im; }

    /// sqrt of the sum of squares, rounded once before sqrt; no scaling, so a
    /// part beyond about 1.3e154 overflows to infinity.
    double Abs() const
    {
        const double squares = re * re + im * im;
        return std::sqrt(squares);
    }

    /// "%.4f %c %.4fi" of re, the sign of im ('-' only when im < 0) and |im|,
    /// with '.' as the decimal point whatever the locale. Complete for every
    /// double, however long.
    std::string ToString() const;

    ComplexNumber operator+(const ComplexNumber &b) const { return {re + b.re, im + b.im}; }
    ComplexNumber operator-(const ComplexNumber &b) const { return {re - b.re, im - b.im}; }
    ComplexNumber operator*(const ComplexNumber &b) const
    {
        return {re * b.re - im * b.im, re * b.im + im * b.re};
    }
    /// Multiplies by the reciprocal of |b|^2, which is rounded on its own;
    /// never divides the numerator by |b|^2 directly.
    ComplexNumber operator/(const ComplexNumber &b) const
    {
        const double s = b.re * b.re + b.im * b.im;
        const double k = 1.0 / s;
        return {(re * b.re + im * b.im) * k, (im * b.re - re * b.im) * k};
    }

    // Built from the binary operators: both new parts come from the old
    // values, which also keeps z *= z and z /= z right.
    ComplexNumber &operator+=(const ComplexNumber &b) { return *this = *this + b; }
    ComplexNumber &operator-=(const ComplexNumber &b) { return *this = *this - b; }
    ComplexNumber &operator*=(const ComplexNumber &b) { return *this = *this * b; }
    ComplexNumber &operator/=(const ComplexNumber &b) { return *this = *this / b; }

    /// Postfix, but returns the value after the change.
    ComplexNumber operator++(int)
    {
        re += 1.0;
        return *this;
    }
    ComplexNumber operator--(int)
    {
        re -= 1.0;
        return *this;
    }

    /// Exact on both parts; +0 and -0 are equal, NaN equals nothing.
    bool operator==(const ComplexNumber &b) const { return re == b.re && im == b.im; }

    // Ordered by modulus alone, so not consistent with ==.
    bool operator<(const ComplexNumber &b) const { return Abs() < b.Abs(); }
    bool operator>(const ComplexNumber &b) const { return Abs() > b.Abs(); }
    bool operator<=(const ComplexNumber &b) const { return Abs() <= b.Abs(); }
    bool operator>=(const ComplexNumber &b) const { return Abs() >= b.Abs(); }

  private:
    double re;
    double im;
};
