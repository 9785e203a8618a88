// Time to settle one event per path: 1,000 events over 100,000 paths on one track, as a choice
// with choice and cashflow records, as a choice without records, and as a plain payment.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "ledger/ledger.hpp"
#include "timetable/op.hpp"

namespace {

using velkor::Ledger;
using velkor::Op;
using velkor::ValueVector;

constexpr std::size_t paths = 100'000;
constexpr std::size_t events = 1'000;

struct Timing {
    double all;        // ns per path per event over every event
    double first_100;  // over the first 100 events settled
    double last_100;   // over the last 100: grows with the records if masking were not lazy
};

// Settles every event, timing only the settlement calls (the values are prepared outside).
Timing settle(const Op& op, std::uint32_t flags, const std::vector<ValueVector>& pool) {
    Ledger ledger(paths);
    std::vector<double> ns(events);
    for (std::size_t step = 0; step < events; ++step) {
        // Later-settled events drift upwards so that choices keep winning on some paths.
        ValueVector value = pool[step % pool.size()];
        for (double& x : value) x += 0.002 * static_cast<double>(step);
        const auto start = std::chrono::steady_clock::now();
        auto settled = ledger.one_track_event(op, 0, std::move(value), events - 1 - step, flags);
        const auto stop = std::chrono::steady_clock::now();
        if (!settled) {
            std::fprintf(stderr, "%s\n", settled.error().message().c_str());
            std::exit(1);
        }
        ns[step] = std::chrono::duration<double, std::nano>(stop - start).count();
    }
    auto per_path_event = [&](std::size_t from, std::size_t to) {
        double total = 0;
        for (std::size_t i = from; i < to; ++i) total += ns[i];
        return total / static_cast<double>(paths * (to - from));
    };
    return {per_path_event(0, events), per_path_event(0, 100),
            per_path_event(events - 100, events)};
}

}  // namespace

int main() {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<ValueVector> pool(8, ValueVector(paths));
    for (auto& v : pool)
        for (double& x : v) x = uniform(random);

    const Timing choice_records = settle(Op::Max{}, 2 | 8, pool);
    const Timing choice = settle(Op::Max{}, 0, pool);
    const Timing add = settle(Op::Add{}, 0, pool);

    std::printf("settle '>' flags 2|8, ns per path per event: %.3f\n", choice_records.all);
    std::printf("settle '>' flags 0, ns per path per event: %.3f\n", choice.all);
    std::printf("settle '+' flags 0, ns per path per event: %.3f\n", add.all);
    std::printf("settle '>' flags 2|8, last 100 over first 100 events: %.2f\n",
                choice_records.last_100 / choice_records.first_100);
    std::printf("settle '>' flags 2|8 over '+' flags 0: %.2f\n", choice_records.all / add.all);
    return 0;
}
