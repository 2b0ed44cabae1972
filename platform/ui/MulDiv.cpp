// MulDiv as the platform rounds it, for systems whose libraries lack it.
#include <cstdlib>

#include "Afx.h"

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(static_cast<long long>(c)) / 2;
    // Round half away from zero, with the sign of the quotient.
    const bool bNegative = (product < 0) != (c < 0);
    const long long q = (std::llabs(product) + half) / std::llabs(static_cast<long long>(c));
    return static_cast<int>(bNegative ? -q : q);
}
