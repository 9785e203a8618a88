#include "timetable/timetable.hpp"

#include <initializer_list>
#include <stdexcept>

#include "core/number_format.hpp"
#include "core/quoted_text.hpp"
#include "core/utc_time.hpp"

namespace velkor {
namespace {

// Whether every stored index of the three columns, nulls included, is a dictionary position.
// One pass reads the three columns side by side: the check is bound by memory bandwidth, and
// three overlapping streams are read about a third faster than three passes one after another.
bool all_stored_indices_in_range(const Events& events) {
    const std::int64_t* track = events.track.indices().data();
    const std::int64_t* op = events.op.indices().data();
    const std::int64_t* unit = events.unit.indices().data();
    // A negative index wraps to a huge unsigned one, so one comparison covers both ends.
    const auto track_bound = static_cast<std::uint64_t>(events.track.dictionary_size());
    const auto op_bound = static_cast<std::uint64_t>(events.op.dictionary_size());
    const auto unit_bound = static_cast<std::uint64_t>(events.unit.dictionary_size());
    const std::size_t rows = events.size();
    for (std::size_t row = 0; row < rows; ++row)
        if ((static_cast<std::uint64_t>(track[row]) >= track_bound) |
            (static_cast<std::uint64_t>(op[row]) >= op_bound) |
            (static_cast<std::uint64_t>(unit[row]) >= unit_bound))
            return false;
    return true;
}

// The first non-null index outside its dictionary, column by column: track, op, unit.
std::expected<void, TimeTableError> check_indices(const Events& events) {
    if (all_stored_indices_in_range(events)) return {};
    // Something is out of range, perhaps only under a null: the exact check decides and names
    // the column, row and index.
    for (const arrow::DictionaryView* column : {&events.track, &events.op, &events.unit})
        if (auto checked = column->check_indices(); !checked)
            return std::unexpected(TimeTableError::Message{checked.error().message()});
    return {};
}

}  // namespace

std::expected<TimeTable, TimeTableError> TimeTable::create(Events events,
                                                           Expressions expressions) {
    auto units = create_units_map(expressions, events);
    if (!units) return std::unexpected(std::move(units.error()));
    auto ops = ops_map(events);
    if (!ops) return std::unexpected(std::move(ops.error()));
    // After this, every lookup by event index may use the indices unchecked.
    if (auto checked = check_indices(events); !checked)
        return std::unexpected(std::move(checked.error()));
    return TimeTable(events, std::move(*ops), std::move(*units), std::move(expressions));
}

std::expected<std::uint64_t, TimeTableError> TimeTable::track_key_at(std::size_t i) const {
    if (events_.track.is_null(row(i)))
        return std::unexpected(
            TimeTableError::Message{"No track specified at event#" + std::to_string(i)});
    return static_cast<std::uint64_t>(events_.track.index(row(i)));
}

std::string TimeTable::track_desc_at(std::size_t i) const {
    if (events_.track.is_null(row(i))) return "<none>";
    return "Track(" + std::to_string(events_.track.index(row(i))) + ")";
}

std::string TimeTable::unit_desc_at(std::size_t i) const {
    const auto key = unit_key_at(i);
    if (!key) return "<none>";
    return unit_by_key(*key).description();
}

std::string TimeTable::event_desc(std::size_t i) const {
    const auto time = format_utc_millis(ts_at(i));
    return "#" + std::to_string(i) + ": track: " + quoted_text(track_desc_at(i)) +
           ", time: " + (time ? "Single(" + *time + ")" : std::string("None")) +
           ", op: " + std::string(op_at(i).text()) + ", qty: " + format_number(quantity_at(i)) +
           ", unit: " + quoted_text(unit_desc_at(i));
}

const Snapper& TimeTable::snapper_by_name(std::string_view name) const {
    const Snapper* snapper = expressions_.snapper_by_name(name);
    if (snapper == nullptr)
        throw std::out_of_range("no snapper named '" + std::string(name) + "'");
    return *snapper;
}

}  // namespace velkor
