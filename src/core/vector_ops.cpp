#include "core/vector_ops.hpp"

#include <limits>

namespace velkor {

std::expected<ValueVector, LengthMismatch> broadcast_to(ValueVector v, std::size_t n) {
    if (v.size() == n) return v;
    if (v.size() != 1) return std::unexpected(LengthMismatch{n, v.size()});
    return ValueVector(n, v[0]);
}

double mean(const ValueVector& v) {
    if (v.empty()) return std::numeric_limits<double>::quiet_NaN();
    double sum = 0.0;
    for (double x : v) sum += x;
    return sum / static_cast<double>(v.size());
}

}  // namespace velkor
