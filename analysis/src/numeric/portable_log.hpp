// Logarithms that give the same double on every target. The C library's log and log2
// are not correctly rounded and differ in the last bit between implementations (x86-64
// glibc picks a fused multiply-add variant at run time, 32-bit ARM does not), which
// would change the result text. These are correctly rounded, computed with plain IEEE
// double arithmetic only.
#pragma once

namespace kestrova {

// Base-2 logarithm, correctly rounded to nearest. Special values as std::log2:
// NaN and negative give NaN, ±0 gives -inf, +inf gives +inf.
double portable_log2(double x);

// Natural logarithm, correctly rounded to nearest; special values as std::log.
double portable_log(double x);

}  // namespace kestrova
