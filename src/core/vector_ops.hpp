// Element-wise arithmetic on value vectors with broadcasting: two operands combine when
// their lengths are equal or one of them has a single entry, which then stands for every
// position. This is the only place that loops over two vectors of possibly different lengths.
#pragma once

#include <cstddef>
#include <expected>
#include <optional>

#include "core/value_vector.hpp"

namespace velkor {

// Two operand lengths that cannot be combined.
struct LengthMismatch {
    std::size_t left;
    std::size_t right;
};

// The length two operands combine to, or nothing when they cannot be combined.
[[nodiscard]] constexpr std::optional<std::size_t> broadcast_size(std::size_t a, std::size_t b) {
    if (a == b || b == 1) return a;
    if (a == 1) return b;
    return std::nullopt;
}

// result[i] = f(a[i], b[i]) with broadcasting. Each length pattern gets its own loop so the
// compiler can vectorise it.
template <class F>
[[nodiscard]] std::expected<ValueVector, LengthMismatch> combine(const ValueVector& a,
                                                                 const ValueVector& b, F f) {
    const auto n = broadcast_size(a.size(), b.size());
    if (!n) return std::unexpected(LengthMismatch{a.size(), b.size()});
    ValueVector out = ValueVector::uninitialized(*n);
    double* __restrict o = out.data();
    const double* __restrict x = a.data();
    const double* __restrict y = b.data();
    if (a.size() == b.size()) {
        for (std::size_t i = 0; i < *n; ++i) o[i] = f(x[i], y[i]);
    } else if (b.size() == 1) {
        const double y0 = y[0];
        for (std::size_t i = 0; i < *n; ++i) o[i] = f(x[i], y0);
    } else {
        const double x0 = x[0];
        for (std::size_t i = 0; i < *n; ++i) o[i] = f(x0, y[i]);
    }
    return out;
}

// target[i] = f(target[i], v[i]) with broadcasting; a one-entry target grows to v's length.
template <class F>
[[nodiscard]] std::expected<void, LengthMismatch> combine_into(ValueVector& target,
                                                               const ValueVector& v, F f) {
    if (target.size() == 1 && v.size() > 1) {
        auto grown = combine(target, v, f);
        if (!grown) return std::unexpected(grown.error());
        target = std::move(*grown);
        return {};
    }
    if (!broadcast_size(target.size(), v.size()))
        return std::unexpected(LengthMismatch{target.size(), v.size()});
    double* __restrict t = target.data();
    const double* __restrict y = v.data();
    const std::size_t n = target.size();
    if (v.size() == n) {
        for (std::size_t i = 0; i < n; ++i) t[i] = f(t[i], y[i]);
    } else {
        const double y0 = y[0];
        for (std::size_t i = 0; i < n; ++i) t[i] = f(t[i], y0);
    }
    return {};
}

// The larger operand, ignoring a NaN one (both NaN give NaN).
[[nodiscard]] inline double max_ignoring_nan(double t, double v) {
    return t != t ? v : (v > t ? v : t);
}

// The smaller operand, ignoring a NaN one (both NaN give NaN).
[[nodiscard]] inline double min_ignoring_nan(double t, double v) {
    return t != t ? v : (v < t ? v : t);
}

inline constexpr auto plus = [](double a, double b) { return a + b; };
inline constexpr auto times = [](double a, double b) { return a * b; };

[[nodiscard]] inline std::expected<ValueVector, LengthMismatch> multiply(const ValueVector& a,
                                                                         const ValueVector& b) {
    return combine(a, b, times);
}

// Every entry multiplied by s, in place.
inline void scale(ValueVector& v, double s) {
    for (double& x : v) x *= s;
}

// Arithmetic mean; NaN for an empty vector (callers report emptiness themselves).
[[nodiscard]] double mean(const ValueVector& v);

}  // namespace velkor
