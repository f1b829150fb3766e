// Every number in the program is an IEEE double, infinities and NaNs
// included: they are values here, written "INF" and "NAN", never errors.
#pragma once

#if defined(__FAST_MATH__) || (defined(__FINITE_MATH_ONLY__) && __FINITE_MATH_ONLY__)
#error "-ffast-math, -Ofast and -ffinite-math-only drop the infinities and NaNs this code relies on"
#endif
