#include "timetable/event.hpp"

#include <string>

namespace velkor {
namespace {

std::unexpected<TimeTableError> fail(std::string text) {
    return std::unexpected<TimeTableError>(TimeTableError::Message{std::move(text)});
}

std::unexpected<TimeTableError> not_found(std::string_view name) {
    return fail("Column '" + std::string(name) + "' not found");
}

std::unexpected<TimeTableError> wrong_type(std::string_view name) {
    return fail("Couldn't convert column '" + std::string(name) + "', likely incorrect type");
}

// The named column through one of Column's typed view factories.
template <class View>
std::expected<View, TimeTableError> typed_column(
    const arrow::RecordBatch& batch, std::string_view name,
    std::expected<View, arrow::WrongType> (arrow::Column::*view)() const) {
    const arrow::Column* column = batch.find_column(name);
    if (column == nullptr) return not_found(name);
    auto typed = (column->*view)();
    if (!typed) return wrong_type(name);
    return std::move(*typed);
}

}  // namespace

std::expected<arrow::DictionaryView, TimeTableError> get_column(const arrow::RecordBatch& batch,
                                                                std::string_view name) {
    return typed_column(batch, name, &arrow::Column::dictionary);
}

std::expected<Events, TimeTableError> Events::create(const arrow::RecordBatch& batch) {
    auto time = typed_column(batch, "time", &arrow::Column::timestamp_ms);
    if (!time) return std::unexpected(std::move(time.error()));
    auto track = get_column(batch, "track");
    if (!track) return std::unexpected(std::move(track.error()));
    auto op = get_column(batch, "op");
    if (!op) return std::unexpected(std::move(op.error()));
    auto quantity = typed_column(batch, "quantity", &arrow::Column::float64);
    if (!quantity) return std::unexpected(std::move(quantity.error()));
    auto unit = get_column(batch, "unit");
    if (!unit) return std::unexpected(std::move(unit.error()));
    return Events{*time, *track, *op, *quantity, *unit};
}

}  // namespace velkor
