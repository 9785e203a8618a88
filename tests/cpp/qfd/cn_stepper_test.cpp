#include "qfd/cn_stepper.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <span>
#include <tuple>
#include <vector>

#include "timetable/op.hpp"

namespace velkor {
namespace {

// Random matrices and vectors: the shared factorisation must reproduce product then solve
// bit for bit, whatever the values.
struct Problem {
    Problem(std::size_t n, std::size_t tracks, std::uint64_t seed)
        : implicit(n), explicit_m(n), vectors(tracks, std::vector<double>(n)) {
        std::mt19937_64 random(seed);
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        for (Tridiagonal* m : {&implicit, &explicit_m})
            for (std::size_t i = 0; i < n; ++i) {
                m->lower[i] = u(random);
                m->diag[i] = 3.0 + u(random);
                m->upper[i] = u(random);
            }
        for (auto& v : vectors)
            for (double& x : v) x = 100.0 * u(random);
    }

    // implicit.solve(explicit_m.product(v)), as written, for every vector.
    std::vector<std::vector<double>> reference() const {
        std::vector<std::vector<double>> out;
        for (const auto& v : vectors) {
            const ValueVector x = implicit.solve(explicit_m.product(v).span());
            out.emplace_back(x.begin(), x.end());
        }
        return out;
    }

    Tridiagonal implicit;
    Tridiagonal explicit_m;
    std::vector<std::vector<double>> vectors;
};

testing::AssertionResult same_bits(const std::vector<double>& actual,
                                   const std::vector<double>& expected) {
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (std::bit_cast<std::uint64_t>(actual[i]) != std::bit_cast<std::uint64_t>(expected[i]))
            return testing::AssertionFailure()
                   << "entry " << i << " is " << actual[i] << " instead of " << expected[i];
    return testing::AssertionSuccess();
}

// Grid sizes from the degenerate one and two rows up to a real grid, and track counts that
// fill every width of the groups swept side by side.
class SharedFactorisation
    : public testing::TestWithParam<std::tuple<std::size_t, std::size_t>> {};

TEST_P(SharedFactorisation, MatchesProductThenSolveBitForBit) {
    const auto [n, tracks] = GetParam();
    Problem problem(n, tracks, 1000 * n + tracks);
    const auto expected = problem.reference();
    std::vector<std::span<double>> spans;
    for (auto& v : problem.vectors) spans.emplace_back(v);
    CnStepper stepper;
    stepper.step(problem.implicit, problem.explicit_m, spans);
    for (std::size_t t = 0; t < tracks; ++t)
        EXPECT_TRUE(same_bits(problem.vectors[t], expected[t])) << "track " << t;
}

INSTANTIATE_TEST_SUITE_P(Sizes, SharedFactorisation,
                         testing::Combine(testing::Values(1, 2, 3, 6, 1001),
                                          testing::Values(1, 2, 3, 4, 5, 9)));

TEST(CnStepper, ReusedAcrossStepsOfDifferentSizesAndLedgerTracks) {
    CnStepper stepper;
    for (std::size_t n : {1001, 5, 40}) {
        Problem problem(n, 6, n);
        const auto expected = problem.reference();
        Ledger ledger(n);
        for (std::size_t t = 0; t < problem.vectors.size(); ++t)
            ASSERT_TRUE(ledger.one_track_event(
                Op::Add{}, t, ValueVector{std::span<const double>(problem.vectors[t])}, t, 0));
        stepper.step(problem.implicit, problem.explicit_m, ledger);
        for (std::size_t t = 0; t < expected.size(); ++t) {
            const ValueVector& pv = ledger.pv_vec(t)->get();
            EXPECT_TRUE(same_bits({pv.begin(), pv.end()}, expected[t])) << n << " track " << t;
        }
    }
}

}  // namespace
}  // namespace velkor
