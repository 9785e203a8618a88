#include "qfd/cn_stepper.hpp"

#include <algorithm>

namespace velkor {
namespace {

// The two matrices' entries, read-only for the whole step.
struct Rows {
    const double* ea;  // explicit lower, diag, upper
    const double* eb;
    const double* ec;
    const double* ia;  // implicit lower, diag, upper
    const double* ib;
    const double* ic;
    std::size_t n;
};

// Up to this many vectors are swept side by side: each sweep is a chain of dependent
// operations (the back substitution waits on a division per point), so independent vectors
// fill the pipeline that a single chain leaves idle. A group costs about as much as its chain
// until the divider is busy, so the vectors are shared out evenly over as few groups as
// possible; beyond six lanes the registers run out.
constexpr std::size_t kLanes = 6;

// Product, forward elimination and back substitution of K vectors, in place (n >= 2). Row i of
// the product only needs v[i+1] beyond what is already read, so d' overwrites v as the sweep
// passes; the product's arithmetic hides under the latency of the elimination chain. With
// Factor the pivots and multipliers are computed on the way and stored for later groups.
template <std::size_t K, bool Factor>
void sweep(const Rows& r, double* pivots, double* multipliers, double* const* v) {
    const std::size_t n = r.n;
    double prev[K];
    double cur[K];
    double d[K];
    for (std::size_t k = 0; k < K; ++k) {
        const double next = v[k][1];
        cur[k] = v[k][0];
        d[k] = r.eb[0] * cur[k] + r.ec[0] * next;
        v[k][0] = d[k];
        prev[k] = cur[k];
        cur[k] = next;
    }
    double pivot = r.ib[0];
    if constexpr (Factor) pivots[0] = pivot;
    for (std::size_t i = 1; i + 1 < n; ++i) {
        double m;
        if constexpr (Factor) {
            m = r.ia[i] / pivot;
            pivot = r.ib[i] - r.ic[i - 1] * m;
            pivots[i] = pivot;
            multipliers[i] = m;
        } else {
            m = multipliers[i];
        }
        const double a = r.ea[i];
        const double b = r.eb[i];
        const double c = r.ec[i];
        for (std::size_t k = 0; k < K; ++k) {
            const double next = v[k][i + 1];
            const double y = (a * prev[k] + b * cur[k]) + c * next;
            d[k] = y - m * d[k];
            v[k][i] = d[k];
            prev[k] = cur[k];
            cur[k] = next;
        }
    }
    const std::size_t last = n - 1;
    double m;
    if constexpr (Factor) {
        m = r.ia[last] / pivot;
        pivot = r.ib[last] - r.ic[last - 1] * m;
        pivots[last] = pivot;
        multipliers[last] = m;
    } else {
        m = multipliers[last];
        pivot = pivots[last];
    }
    double x[K];
    for (std::size_t k = 0; k < K; ++k) {
        const double y = r.eb[last] * cur[k] + r.ea[last] * prev[k];
        x[k] = (y - m * d[k]) / pivot;
        v[k][last] = x[k];
    }
    for (std::size_t i = last; i >= 1; --i) {
        const double c = r.ic[i - 1];
        const double p = pivots[i - 1];
        for (std::size_t k = 0; k < K; ++k) {
            x[k] = (v[k][i - 1] - c * x[k]) / p;
            v[k][i - 1] = x[k];
        }
    }
}

template <bool Factor>
void sweep_group(const Rows& r, double* pivots, double* multipliers, double* const* v,
                 std::size_t lanes) {
    switch (lanes) {
        case 1: return sweep<1, Factor>(r, pivots, multipliers, v);
        case 2: return sweep<2, Factor>(r, pivots, multipliers, v);
        case 3: return sweep<3, Factor>(r, pivots, multipliers, v);
        case 4: return sweep<4, Factor>(r, pivots, multipliers, v);
        case 5: return sweep<5, Factor>(r, pivots, multipliers, v);
        default: return sweep<kLanes, Factor>(r, pivots, multipliers, v);
    }
}

}  // namespace

void CnStepper::step(const Tridiagonal& implicit, const Tridiagonal& explicit_m,
                     std::span<const std::span<double>> vectors) {
    const std::size_t n = implicit.n;
    if (vectors.empty() || n == 0) return;
    if (n == 1) {
        // One row: the product is diag * v, the solve one division.
        for (std::span<double> v : vectors)
            v[0] = (explicit_m.diag[0] * v[0]) / implicit.diag[0];
        return;
    }
    const Rows rows{explicit_m.lower.data(), explicit_m.diag.data(), explicit_m.upper.data(),
                    implicit.lower.data(),   implicit.diag.data(),   implicit.upper.data(),
                    n};
    pivots_.resize(n);
    multipliers_.resize(n);
    const std::size_t groups = (vectors.size() + kLanes - 1) / kLanes;
    double* group[kLanes];
    for (std::size_t g = 0, first = 0; g < groups; ++g) {
        // The first (size % groups) groups take one vector more than the others.
        const std::size_t lanes = vectors.size() / groups + (g < vectors.size() % groups ? 1 : 0);
        for (std::size_t k = 0; k < lanes; ++k) group[k] = vectors[first + k].data();
        if (g == 0) {
            sweep_group<true>(rows, pivots_.data(), multipliers_.data(), group, lanes);
        } else {
            sweep_group<false>(rows, pivots_.data(), multipliers_.data(), group, lanes);
        }
        first += lanes;
    }
}

void CnStepper::step(const Tridiagonal& implicit, const Tridiagonal& explicit_m,
                     Ledger& ledger) {
    tracks_.clear();
    ledger.pvs_by_track_mut([this](TrackKey, std::span<double> pv) { tracks_.push_back(pv); });
    step(implicit, explicit_m, tracks_);
}

}  // namespace velkor
