#include "qfd/tridiagonal.hpp"

namespace velkor {

ValueVector Tridiagonal::product(std::span<const double> v) const {
    ValueVector y(n, 0.0);
    if (n == 0) return y;
    const double* a = lower.data();
    const double* b = diag.data();
    const double* c = upper.data();
    if (n == 1) {
        y[0] = b[0] * v[0];
        return y;
    }
    y[0] = b[0] * v[0] + c[0] * v[1];
    y[n - 1] = b[n - 1] * v[n - 1] + a[n - 1] * v[n - 2];
    for (std::size_t i = 1; i + 1 < n; ++i)
        y[i] = (a[i] * v[i - 1] + b[i] * v[i]) + c[i] * v[i + 1];
    return y;
}

ValueVector Tridiagonal::solve(std::span<const double> rhs) const {
    ValueVector x(n, 0.0);
    if (n == 0) return x;
    ValueVector b(diag.span());
    ValueVector d(rhs.first(n));
    const double* a = lower.data();
    const double* c = upper.data();
    for (std::size_t i = 1; i < n; ++i) {
        const double m = a[i] / b[i - 1];
        b[i] = b[i] - c[i - 1] * m;
        d[i] = d[i] - m * d[i - 1];
    }
    x[n - 1] = d[n - 1] / b[n - 1];
    for (std::size_t i = n - 1; i >= 1; --i) x[i - 1] = (d[i - 1] - c[i - 1] * x[i]) / b[i - 1];
    return x;
}

}  // namespace velkor
