// The compiled contract every engine reads: the event columns in place, one Op per op
// dictionary value, one Unit per unit dictionary value and the named expressions. Built once
// per call and then read-only. Invariant: every non-null track, op and unit index is a
// position in its dictionary, so the lookups by event index never check again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "timetable/event.hpp"
#include "timetable/expr/expressions.hpp"
#include "timetable/op.hpp"
#include "timetable/timetable_error.hpp"
#include "timetable/unit.hpp"

namespace velkor {

// The event times in row order, nothing for a null slot.
class TsRange {
public:
    class iterator {
    public:
        using iterator_concept = std::forward_iterator_tag;
        using iterator_category = std::input_iterator_tag;
        using value_type = std::optional<std::int64_t>;
        using difference_type = std::ptrdiff_t;

        iterator() noexcept = default;
        iterator(const arrow::TimestampView* times, std::int64_t row) noexcept
            : times_(times), row_(row) {}

        [[nodiscard]] value_type operator*() const noexcept {
            if (times_->is_null(row_)) return std::nullopt;
            return times_->value(row_);
        }
        iterator& operator++() noexcept {
            ++row_;
            return *this;
        }
        iterator operator++(int) noexcept {
            iterator before = *this;
            ++row_;
            return before;
        }
        friend bool operator==(const iterator& a, const iterator& b) noexcept {
            return a.row_ == b.row_;
        }

    private:
        const arrow::TimestampView* times_ = nullptr;
        std::int64_t row_ = 0;
    };

    explicit TsRange(const arrow::TimestampView& times) noexcept : times_(&times) {}
    [[nodiscard]] iterator begin() const noexcept { return {times_, 0}; }
    [[nodiscard]] iterator end() const noexcept { return {times_, times_->size()}; }

private:
    const arrow::TimestampView* times_;
};

class TimeTable {
public:
    // Units (with tracks), then ops, then the dictionary indices of the track, op and unit
    // columns; the first failure is returned and the expressions are dropped with it.
    [[nodiscard]] static std::expected<TimeTable, TimeTableError> create(Events events,
                                                                         Expressions expressions);

    // Number of events (rows).
    [[nodiscard]] std::size_t size() const noexcept { return events_.size(); }

    // Lookups by event index i < size(): constant time, no allocation, nothing copied.

    // The stored time, whatever its validity.
    [[nodiscard]] std::int64_t ts_at(std::size_t i) const noexcept {
        return events_.time.value(row(i));
    }
    [[nodiscard]] TsRange ts_iter() const noexcept { return TsRange(events_.time); }
    // The stored quantity, whatever its validity.
    [[nodiscard]] double quantity_at(std::size_t i) const noexcept {
        return events_.quantity.value(row(i));
    }
    // No op when the op index is null.
    [[nodiscard]] const Op& op_at(std::size_t i) const noexcept {
        if (events_.op.is_null(row(i))) return empty_op_;
        return ops_[static_cast<std::size_t>(events_.op.index(row(i)))];
    }
    [[nodiscard]] std::optional<std::uint64_t> unit_key_at(std::size_t i) const noexcept {
        if (events_.unit.is_null(row(i))) return std::nullopt;
        return static_cast<std::uint64_t>(events_.unit.index(row(i)));
    }
    // key must come from unit_key_at.
    [[nodiscard]] const Unit& unit_by_key(std::uint64_t key) const noexcept {
        return units_[static_cast<std::size_t>(key)];
    }
    // "No track specified at event#{i}" when the track index is null.
    [[nodiscard]] std::expected<std::uint64_t, TimeTableError> track_key_at(std::size_t i) const;

    // Texts for error messages.

    // "Track({key})", or "<none>" for a null track index.
    [[nodiscard]] std::string track_desc_at(std::size_t i) const;
    // The unit's description, or "<none>" for a null unit index.
    [[nodiscard]] std::string unit_desc_at(std::size_t i) const;
    // "#{i}: track: {track}, time: {time}, op: {op}, qty: {quantity}, unit: {unit}".
    [[nodiscard]] std::string event_desc(std::size_t i) const;

    // Lookups by name.

    // name must be carried by a Snapper unit, or at least name a snapper; any other name is
    // a broken invariant and throws std::out_of_range.
    [[nodiscard]] const Snapper& snapper_by_name(std::string_view name) const;
    // Null when no phrase has that name.
    [[nodiscard]] const EvalPhrase* get_phrase(std::string_view name) const {
        return expressions_.get_phrase(name);
    }

    [[nodiscard]] const Events& events() const noexcept { return events_; }
    [[nodiscard]] std::span<const Op> ops() const noexcept { return ops_; }
    [[nodiscard]] std::span<const Unit> units() const noexcept { return units_; }
    [[nodiscard]] const Expressions& expressions() const noexcept { return expressions_; }

private:
    TimeTable(Events events, std::vector<Op> ops, std::vector<Unit> units,
              Expressions expressions)
        : events_(events),
          ops_(std::move(ops)),
          units_(std::move(units)),
          expressions_(std::move(expressions)) {}

    static std::int64_t row(std::size_t i) noexcept { return static_cast<std::int64_t>(i); }

    Events events_;
    std::vector<Op> ops_;
    std::vector<Unit> units_;
    Expressions expressions_;
    Op empty_op_ = Op::Empty{};
};

}  // namespace velkor
