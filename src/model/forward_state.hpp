// What a forward-sweep valuation carries from its forward pass into its backward pass: the
// saved event values, the snaps recorded so far, the ledger being filled and the path-wise
// discount factor from the pricing time to the model's current time (one entry or `size`).
#pragma once

#include <cstddef>

#include "core/name_map.hpp"
#include "core/value_vector.hpp"
#include "ledger/depgraph.hpp"
#include "ledger/ledger.hpp"

namespace velkor {

class TimeTable;

using SnapMap = NameMap<ValueVector>;

struct FwdModelStateGeneric {
    EvGraph graph;
    SnapMap snaps;
    Ledger ledger;
    ValueVector df;

    // Every event unsaved, no snaps, an empty ledger of `size`-entry vectors, df = [1.0].
    [[nodiscard]] static FwdModelStateGeneric create(const TimeTable& timetable,
                                                     std::size_t size);

    // The ledger, once the backward pass has emptied the graph.
    [[nodiscard]] Ledger into_ledger() && { return std::move(ledger); }
};

}  // namespace velkor
