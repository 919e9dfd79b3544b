#pragma once
// Whole powers of ten as exact as a double holds them: from a table of the exact ones (up to
// 10^22), and their reciprocals by one correctly rounded division, so 10^-2 is the double
// nearest 0.01 on every C library (std::pow may be an ulp off, and ranges and scales derived
// from it then differ between systems). Beyond that std::pow.
#include <cmath>

namespace velatrace {

inline constexpr double kPowersOfTen[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

inline double PowerOfTen(int exponent) {
    if (exponent >= 0 && exponent <= 22) {
        return kPowersOfTen[exponent];
    }
    if (exponent < 0 && exponent >= -22) {
        return 1.0 / kPowersOfTen[-exponent];
    }
    return std::pow(10.0, exponent);
}

}  // namespace velatrace
