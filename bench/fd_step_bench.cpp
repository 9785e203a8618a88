// Cost of one Crank-Nicolson step of the Black-Scholes grid (N_X = 500, 1,001 points; 1,000
// steps over a year) with 1 and with 10 tracks, in ns per grid point per step per track,
// against a bare product-then-solve loop over the same matrices and as the ratio of the two.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "qfd/crank.hpp"
#include "qfd/crank/black_scholes.hpp"
#include "timetable/op.hpp"

namespace {

using namespace velkor;

constexpr std::size_t n_x = 500;
constexpr std::size_t points = 2 * n_x + 1;
constexpr std::int64_t steps = 1000;
constexpr std::int64_t pricing_ts = 1'700'000'000'000;
constexpr std::int64_t year = 31'536'000'000;
constexpr std::int64_t step_ms = year / steps;

void fail(const ModelError& error) {
    std::fprintf(stderr, "%s\n", error.message().c_str());
    std::exit(1);
}

BlackScholesCN model() {
    CurveMap curves;
    curves.emplace("USD", AssetLogFwd::create(ValueVector{0.5, 2.0}, ValueVector{0.01, 0.06},
                                              FwdBase::Base{})
                              .value());
    curves.emplace("EQ", AssetLogFwd::create(ValueVector{0.0, 2.0},
                                             ValueVector{std::log(100.0), std::log(110.0)},
                                             FwdBase::InBase{})
                             .value());
    FD1FParams params{Assets("USD", std::move(curves)), n_x, 3.0, points, 0.001, pricing_ts, 0};
    return BlackScholesCN(std::move(params), "EQ", 0.2);
}

// A call-like payoff on every track, so the values are those of a real valuation.
FdState start(std::size_t tracks) {
    FdState state = FdState::create(n_x, 3.0, pricing_ts + year);
    for (double& x : state.grid) x += std::log(100.0);
    for (std::size_t t = 0; t < tracks; ++t) {
        ValueVector payoff(points);
        for (std::size_t i = 0; i < points; ++i)
            payoff[i] = std::fmax(std::exp(state.grid[i]) - 90.0 - static_cast<double>(t), 0.0);
        if (!state.ledger.one_track_event(Op::Add{}, t, std::move(payoff), t, 0)) std::exit(1);
    }
    return state;
}

double seconds_since(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

double per_point(double seconds, std::size_t tracks) {
    return seconds * 1e9 / static_cast<double>(points * steps * tracks);
}

// step_back over the whole year: coefficients, shared factorisation, every track in place.
double engine(const BlackScholesCN& bs, std::size_t tracks) {
    FdState state = start(tracks);
    const auto from = std::chrono::steady_clock::now();
    for (std::int64_t k = 1; k <= steps; ++k)
        if (auto stepped = step_back(bs, state, pricing_ts + year - k * step_ms); !stepped)
            fail(stepped.error());
    const double seconds = seconds_since(from);
    volatile double sink = state.ledger.pv_vec(0)->get()[n_x];
    (void)sink;
    return per_point(seconds, tracks);
}

// The same matrices, each track through Tridiagonal::product and then Tridiagonal::solve as
// a separate pass (a fresh vector each, and the Thomas sweep redone per track).
double bare(const BlackScholesCN& bs, std::size_t tracks) {
    FdState state = start(tracks);
    std::vector<ValueVector> vectors;
    for (std::size_t t = 0; t < tracks; ++t) vectors.push_back(state.ledger.pv_vec(t)->get());
    double seconds = 0;
    for (std::int64_t k = 1; k <= steps; ++k) {
        auto m = bs.cn_coefficients(state, pricing_ts + year - k * step_ms);
        if (!m) fail(m.error());
        const auto from = std::chrono::steady_clock::now();
        for (ValueVector& v : vectors)
            v = m->implicit_m.solve(m->explicit_m.product(v.span()).span());
        seconds += seconds_since(from);
        state.ts = pricing_ts + year - k * step_ms;
    }
    volatile double sink = vectors[0][n_x];
    (void)sink;
    return per_point(seconds, tracks);
}

}  // namespace

int main() {
    const BlackScholesCN bs = model();
    for (std::size_t tracks : {1, 10}) {
        // Best of a few runs: the machine is shared.
        double ours = 1e300;
        double reference = 1e300;
        for (int run = 0; run < 5; ++run) {
            ours = std::fmin(ours, engine(bs, tracks));
            reference = std::fmin(reference, bare(bs, tracks));
        }
        std::printf("step_back, %zu track(s), ns per point per step per track: %.3f\n", tracks,
                    ours);
        std::printf("bare product+solve, %zu track(s), ns per point per step per track: %.3f\n",
                    tracks, reference);
        std::printf("step_back over bare product+solve, %zu track(s): %.2f\n", tracks,
                    ours / reference);
    }
    return 0;
}
