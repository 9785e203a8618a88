#include "core/vector_ops.hpp"

#include <limits>

namespace velkor {

double mean(const ValueVector& v) {
    if (v.empty()) return std::numeric_limits<double>::quiet_NaN();
    double sum = 0.0;
    for (double x : v) sum += x;
    return sum / static_cast<double>(v.size());
}

}  // namespace velkor
