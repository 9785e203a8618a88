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
    // Any other length of v changes the target's length (an empty v empties it).
    if (target.size() == 1 && v.size() != 1) {
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

// f(i, a_i) for every i < n, where a_i is a[i], or a[0] at every i when a has a single entry:
// a loop over full-length vectors indexed directly that also reads one that may be broadcast.
template <class F>
[[nodiscard]] std::expected<void, LengthMismatch> for_each_broadcast(std::size_t n,
                                                                     const ValueVector& a, F f) {
    if (a.size() != n && a.size() != 1) return std::unexpected(LengthMismatch{n, a.size()});
    const double* __restrict x = a.data();
    if (a.size() == n) {
        for (std::size_t i = 0; i < n; ++i) f(i, x[i]);
    } else {
        const double x0 = x[0];
        for (std::size_t i = 0; i < n; ++i) f(i, x0);
    }
    return {};
}

// f(i, a_i, b_i) for every i < n, each of a and b broadcast as above.
template <class F>
[[nodiscard]] std::expected<void, LengthMismatch> for_each_broadcast(std::size_t n,
                                                                     const ValueVector& a,
                                                                     const ValueVector& b, F f) {
    if (a.size() != n && a.size() != 1) return std::unexpected(LengthMismatch{n, a.size()});
    if (b.size() != n && b.size() != 1) return std::unexpected(LengthMismatch{n, b.size()});
    const double* __restrict x = a.data();
    const double* __restrict y = b.data();
    const bool full_a = a.size() == n;
    const bool full_b = b.size() == n;
    if (full_a && full_b) {
        for (std::size_t i = 0; i < n; ++i) f(i, x[i], y[i]);
    } else if (full_a) {
        const double y0 = y[0];
        for (std::size_t i = 0; i < n; ++i) f(i, x[i], y0);
    } else if (full_b) {
        const double x0 = x[0];
        for (std::size_t i = 0; i < n; ++i) f(i, x0, y[i]);
    } else {
        const double x0 = x[0];
        const double y0 = y[0];
        for (std::size_t i = 0; i < n; ++i) f(i, x0, y0);
    }
    return {};
}

// v with n entries: v itself when it already has n, its single entry repeated otherwise.
[[nodiscard]] std::expected<ValueVector, LengthMismatch> broadcast_to(ValueVector v,
                                                                      std::size_t n);

// The larger operand, ignoring a NaN one (both NaN give NaN).
[[nodiscard]] inline double max_ignoring_nan(double t, double v) {
    return t != t ? v : (v > t ? v : t);
}

// The smaller operand, ignoring a NaN one (both NaN give NaN).
[[nodiscard]] inline double min_ignoring_nan(double t, double v) {
    return t != t ? v : (v < t ? v : t);
}

inline constexpr auto plus = [](double a, double b) { return a + b; };
inline constexpr auto minus = [](double a, double b) { return a - b; };
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
