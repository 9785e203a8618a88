// A square tridiagonal matrix of n rows: lower[i] multiplies v[i-1] in row i, diag[i] v[i]
// and upper[i] v[i+1]; lower[0] and upper[n-1] are never read. All three vectors have n
// entries. `product` and `solve` leave the matrix unchanged and return a new vector.
#pragma once

#include <cstddef>
#include <span>
#include <utility>

#include "core/value_vector.hpp"

namespace velkor {

struct Tridiagonal {
    ValueVector lower;
    ValueVector diag;
    ValueVector upper;
    std::size_t n;

    // n rows of zeros.
    explicit Tridiagonal(std::size_t rows)
        : lower(rows, 0.0), diag(rows, 0.0), upper(rows, 0.0), n(rows) {}

    // n rows of unset entries, for a caller that sets every one.
    [[nodiscard]] static Tridiagonal uninitialized(std::size_t rows) {
        return Tridiagonal(ValueVector::uninitialized(rows), ValueVector::uninitialized(rows),
                           ValueVector::uninitialized(rows));
    }

    // The matrix times v (n entries). Row i sums (lower * v[i-1] + diag * v[i]) + upper *
    // v[i+1] in that order; the end rows have two terms, and one row just diag[0] * v[0].
    [[nodiscard]] ValueVector product(std::span<const double> v) const;

    // x with (this matrix) x = rhs (n entries), by the Thomas algorithm without pivoting: a
    // zero pivot gives infinite or NaN entries, not an error.
    [[nodiscard]] ValueVector solve(std::span<const double> rhs) const;

private:
    Tridiagonal(ValueVector l, ValueVector d, ValueVector u)
        : lower(std::move(l)), diag(std::move(d)), upper(std::move(u)), n(diag.size()) {}
};

}  // namespace velkor
