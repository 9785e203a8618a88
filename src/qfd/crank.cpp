#include "qfd/crank.hpp"

#include <string>

#include "core/vector_ops.hpp"
#include "qfd/grid_time.hpp"

namespace velkor {
namespace {

// Shorter steps (about 3 ms) change nothing.
constexpr double kMinStepYears = 1e-10;

bool fits(const Tridiagonal& m, std::size_t n) {
    return m.n == n && m.lower.size() == n && m.diag.size() == n && m.upper.size() == n;
}

}  // namespace

std::expected<CnMatrices, ModelError> cn_rows(double a, const ValueVector& b,
                                              const ValueVector& d, std::size_t n) {
    CnMatrices m{Tridiagonal::uninitialized(n), Tridiagonal::uninitialized(n)};
    double* __restrict el = m.explicit_m.lower.data();
    double* __restrict ed = m.explicit_m.diag.data();
    double* __restrict eu = m.explicit_m.upper.data();
    double* __restrict il = m.implicit_m.lower.data();
    double* __restrict id = m.implicit_m.diag.data();
    double* __restrict iu = m.implicit_m.upper.data();
    // The implicit entries are (-lower, -2 - diag, -upper) of the explicit ones, row by row.
    const auto row = [&](std::size_t i, double lower, double diag, double upper) {
        el[i] = lower;
        ed[i] = diag;
        eu[i] = upper;
        il[i] = -lower;
        id[i] = -2.0 - diag;
        iu[i] = -upper;
    };
    auto interior = for_each_broadcast(n, b, d, [&](std::size_t i, double bi, double di) {
        row(i, -a - bi, (-1.0 + 2.0 * a) + di, bi - a);
    });
    if (!interior)
        return std::unexpected(ModelError::Message{
            "Crank-Nicolson coefficients of " + std::to_string(interior.error().right) +
            " entries for a grid of " + std::to_string(n) + " points"});
    if (n > 0) {
        // The end rows: no diffusion, one-sided first difference towards the interior. Their
        // outer entries keep the interior formula and are never read.
        const double b_top = b[0];
        const double b_bottom = b[b.size() - 1];
        row(0, el[0], (-1.0 - 2.0 * b_top) + d[0], 2.0 * b_top);
        row(n - 1, -(2.0 * b_bottom), (-1.0 + 2.0 * b_bottom) + d[d.size() - 1], eu[n - 1]);
    }
    return m;
}

std::expected<std::optional<ValueVector>, ModelError> FDCN::get_model_val_cn(
    const FdState&, std::string_view) const {
    return std::nullopt;
}

std::expected<void, ModelError> step_back(const FDCN& model, FdState& state, std::int64_t ts) {
    if (year_fraction(state.ts, ts) < kMinStepYears) return {};
    auto matrices = model.cn_coefficients(state, ts);
    if (!matrices) return std::unexpected(std::move(matrices.error()));
    const std::size_t n = state.ledger.size();
    if (!fits(matrices->implicit_m, n) || !fits(matrices->explicit_m, n))
        return std::unexpected(ModelError::Message{
            "Crank-Nicolson matrices of " + std::to_string(matrices->implicit_m.n) + " and " +
            std::to_string(matrices->explicit_m.n) + " rows for a grid of " +
            std::to_string(n) + " points"});
    state.stepper.step(matrices->implicit_m, matrices->explicit_m, state.ledger);
    state.ts = ts;
    return {};
}

}  // namespace velkor
