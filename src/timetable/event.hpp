// The event table: typed, zero-copy views of the five columns of the timetable record batch
// (time, track, op, quantity, unit), found by name. Events borrows the batch's buffers, so
// the batch must outlive it; the dictionary indices are not yet known to be in range.
#pragma once

#include <cstddef>
#include <expected>
#include <string_view>

#include "arrow/dictionary_view.hpp"
#include "arrow/primitive_view.hpp"
#include "arrow/record_batch.hpp"
#include "timetable/timetable_error.hpp"

namespace velkor {

struct Events {
    arrow::TimestampView time;       // milliseconds since the epoch, UTC
    arrow::DictionaryView track;     // int64 indices into the track names
    arrow::DictionaryView op;        // int64 indices into the op texts
    arrow::Float64View quantity;
    arrow::DictionaryView unit;      // int64 indices into the unit texts

    // The columns checked in the order time, track, op, quantity, unit; the first one that is
    // absent or of another type is reported.
    [[nodiscard]] static std::expected<Events, TimeTableError> create(
        const arrow::RecordBatch& batch);

    // Number of events (rows).
    [[nodiscard]] std::size_t size() const noexcept {
        return static_cast<std::size_t>(time.size());
    }
};

// The named column as a dictionary with int64 indices, whatever its values' type.
[[nodiscard]] std::expected<arrow::DictionaryView, TimeTableError> get_column(
    const arrow::RecordBatch& batch, std::string_view name);

}  // namespace velkor
