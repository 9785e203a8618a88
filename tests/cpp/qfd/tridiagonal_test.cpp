#include "qfd/tridiagonal.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "support/expect_values.hpp"

namespace velkor {
namespace {

using test::same_values;
using test::values;

Tridiagonal matrix(const std::vector<double>& lower, const std::vector<double>& diag,
                   const std::vector<double>& upper) {
    Tridiagonal m(diag.size());
    m.lower = values(lower);
    m.diag = values(diag);
    m.upper = values(upper);
    return m;
}

TEST(Tridiagonal, OneRowSolveDividesByTheDiagonal) {
    const Tridiagonal m = matrix({7}, {4}, {9});
    EXPECT_TRUE(same_values(m.solve(std::vector<double>{10}), {2.5}));
}

TEST(Tridiagonal, ThreeRowsProductAndSolve) {
    // The never-read corners hold NaN: any use of them would show.
    const double unread = std::nan("");
    const Tridiagonal m = matrix({unread, 1, 1}, {4, 4, 4}, {1, 1, unread});
    EXPECT_TRUE(same_values(m.product(std::vector<double>{1, 1, 1}), {5, 6, 5}));
    EXPECT_TRUE(same_values(m.solve(std::vector<double>{5, 6, 5}), {1, 1, 1}));
}

TEST(Tridiagonal, LeavesMatrixAndArgumentUnchanged) {
    const Tridiagonal m = matrix({0, 1, 2}, {5, 6, 7}, {3, 4, 0});
    const std::vector<double> rhs{1, 2, 3};
    (void)m.solve(rhs);
    (void)m.product(rhs);
    EXPECT_TRUE(same_values(m.diag, {5, 6, 7}));
    EXPECT_TRUE(same_values(values(rhs), {1, 2, 3}));
}

// Thomas without pivoting is backward stable on diagonally dominant matrices: the residual of
// solve then product is a few ulps of the entries (here of size ~10), so 1e-12 is ample.
TEST(Tridiagonal, SolveThenProductGivesBackTheRightHandSide) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> off(-1.0, 1.0);
    for (std::size_t n : {2, 3, 10, 257}) {
        Tridiagonal m(n);
        std::vector<double> rhs(n);
        for (std::size_t i = 0; i < n; ++i) {
            m.lower[i] = off(random);
            m.upper[i] = off(random);
            m.diag[i] = 2.5 + off(random);
            rhs[i] = 10.0 * off(random);
        }
        const ValueVector back = m.product(m.solve(rhs).span());
        for (std::size_t i = 0; i < n; ++i) EXPECT_NEAR(back[i], rhs[i], 1e-12) << n << " " << i;
    }
}

TEST(Tridiagonal, ZeroPivotGivesNonFiniteValues) {
    // The first pivot is zero: every entry depends on a division by it.
    const Tridiagonal m = matrix({0, 1, 1}, {0, 4, 4}, {1, 1, 0});
    const ValueVector x = m.solve(std::vector<double>{1, 2, 3});
    ASSERT_EQ(x.size(), 3U);
    for (double v : x) EXPECT_FALSE(std::isfinite(v));
}

}  // namespace
}  // namespace velkor
