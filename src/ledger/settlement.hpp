// How one event changes its track's present value: payments add, choices keep the better of the
// event's value and the continuation value path by path, conditions mix the two by weights.
// The Ledger's one_track_event and one_track_weights are defined with these helpers.
#pragma once

#include <cstdint>
#include <expected>
#include <span>

#include "core/value_vector.hpp"
#include "core/vector_ops.hpp"
#include "ledger/ledger.hpp"
#include "timetable/op.hpp"

namespace velkor {

// Writes mark into choice[i] wherever the value wins against pv[i] under the op (">":
// value[i] > pv[i], "<": value[i] < pv[i]; strict, so equal or NaN operands never win); other
// entries and other ops leave choice unchanged. choice has pv's length; value that or one.
[[nodiscard]] std::expected<void, LengthMismatch> update_choice(const ValueVector& pv,
                                                                ChoiceVector& choice,
                                                                const ValueVector& value,
                                                                const Op& op, std::uint64_t mark);

// A vector of the mask's length: value[i] (broadcast) where mask[i] is true, 0.0 elsewhere.
[[nodiscard]] std::expected<ValueVector, LengthMismatch> filter(std::span<const bool> mask,
                                                                const ValueVector& value);

}  // namespace velkor
