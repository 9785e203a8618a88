// Records keyed twice, by an outer and an inner unsigned key: the choice records (event index,
// then track key) and the cashflow records (track key, then event index). Iteration order is
// unspecified.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <utility>

#include "core/value_vector.hpp"

namespace velkor {

template <class Vector>
class RecordMap {
public:
    using Inner = std::unordered_map<std::uint64_t, Vector>;
    using Outer = std::unordered_map<std::uint64_t, Inner>;

    // Creates the outer entry if needed; replaces a vector already stored under both keys.
    void insert(std::uint64_t outer, std::uint64_t inner, Vector v) {
        entries_[outer].insert_or_assign(inner, std::move(v));
    }

    // The vector stored under both keys, or null.
    [[nodiscard]] const Vector* find(std::uint64_t outer, std::uint64_t inner) const {
        const auto o = entries_.find(outer);
        if (o == entries_.end()) return nullptr;
        const auto i = o->second.find(inner);
        return i == o->second.end() ? nullptr : &i->second;
    }

    [[nodiscard]] bool empty() const noexcept { return entries_.empty(); }
    // Number of outer keys.
    [[nodiscard]] std::size_t size() const noexcept { return entries_.size(); }

    // Mutable iteration lets a new owner take each vector's storage (ValueVector::release).
    auto begin() noexcept { return entries_.begin(); }
    auto end() noexcept { return entries_.end(); }
    auto begin() const noexcept { return entries_.begin(); }
    auto end() const noexcept { return entries_.end(); }

private:
    Outer entries_;
};

// Event index -> track key -> 1 where the event's choice replaced the continuation value.
using ChoiceMap = RecordMap<ChoiceVector>;
// Track key -> event index -> what the event finally pays on the track, path by path.
using CashflowMap = RecordMap<ValueVector>;

}  // namespace velkor
