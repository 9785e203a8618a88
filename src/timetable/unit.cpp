#include "timetable/unit.hpp"

#include <cstddef>
#include <string_view>
#include <unordered_map>

namespace velkor {
namespace {

TimeTableError message(std::string text) { return TimeTableError::Message{std::move(text)}; }

std::expected<arrow::Utf8View, TimeTableError> unit_values(const Events& events) {
    auto values = events.unit.values().utf8();
    if (!values) return std::unexpected(message("Error in units column, expected strings"));
    return *values;
}

// Position of the first non-null value equal to each text, so that matching many names stays
// linear in the dictionary sizes.
class FirstPositions {
public:
    explicit FirstPositions(const arrow::Utf8View& values) {
        positions_.reserve(static_cast<std::size_t>(values.size()));
        for (std::int64_t i = 0; i < values.size(); ++i)
            if (!values.is_null(i))
                positions_.emplace(values.value(i), static_cast<std::size_t>(i));
    }

    [[nodiscard]] const std::size_t* find(std::string_view text) const {
        const auto found = positions_.find(text);
        return found == positions_.end() ? nullptr : &found->second;
    }

private:
    std::unordered_map<std::string_view, std::size_t> positions_;
};

std::expected<void, TimeTableError> identify_tracks(const FirstPositions& units_by_text,
                                                    const Events& events,
                                                    std::vector<Unit>& units) {
    auto tracks = events.track.values().utf8();
    if (!tracks) return std::unexpected(message("Error in tracks column, expected strings"));
    for (std::int64_t i = 0; i < tracks->size(); ++i) {
        if (tracks->is_null(i)) return std::unexpected(message("Missing Track Value"));
        if (const std::size_t* u = units_by_text.find(tracks->value(i)))
            units[*u] = Unit::Track{static_cast<std::uint64_t>(i)};
    }
    return {};
}

}  // namespace

std::string Unit::description() const {
    return std::visit(
        [](const auto& c) -> std::string {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, Track>) {
                return "Track(" + std::to_string(c.key) + ")";
            } else if constexpr (std::is_same_v<C, Asset>) {
                return "Asset(" + c.name + ")";
            } else if constexpr (std::is_same_v<C, None>) {
                return "<none>";
            } else if constexpr (std::is_same_v<C, Snapper>) {
                return "Snapper(" + c.name + ")";
            } else if constexpr (std::is_same_v<C, Snap>) {
                return "Snap(" + c.name + ")";
            } else {
                return "Phrase(" + c.name + ")";
            }
        },
        value);
}

std::expected<std::vector<Unit>, TimeTableError> create_units_map(const Expressions& expressions,
                                                                  const Events& events) {
    auto values = unit_values(events);
    if (!values) return std::unexpected(std::move(values.error()));
    std::vector<Unit> units;
    units.reserve(static_cast<std::size_t>(values->size()));
    for (std::int64_t i = 0; i < values->size(); ++i) {
        if (values->is_null(i)) units.emplace_back(Unit::None{});
        else units.emplace_back(Unit::Asset{std::string(values->value(i))});
    }

    const FirstPositions units_by_text(*values);
    if (auto tracks = identify_tracks(units_by_text, events, units); !tracks)
        return std::unexpected(std::move(tracks.error()));
    for (const auto& [name, snapper] : expressions.snappers) {
        if (const std::size_t* u = units_by_text.find(name)) units[*u] = Unit::Snapper{name};
        for (const std::string& out : snapper.out)
            if (const std::size_t* u = units_by_text.find(out)) units[*u] = Unit::Snap{out};
    }
    for (const auto& entry : expressions.phrases)
        if (const std::size_t* u = units_by_text.find(entry.first))
            units[*u] = Unit::Phrase{entry.first};
    return units;
}

std::expected<void, TimeTableError> identify_tracks(const Events& events,
                                                    std::vector<Unit>& units) {
    auto values = unit_values(events);
    if (!values) return std::unexpected(std::move(values.error()));
    // Positions index units; a list made for another dictionary would be written out of bounds.
    if (units.size() != static_cast<std::size_t>(values->size()))
        return std::unexpected(message("Expected " + std::to_string(values->size()) +
                                       " units, one per unit dictionary value, got " +
                                       std::to_string(units.size())));
    return identify_tracks(FirstPositions(*values), events, units);
}

}  // namespace velkor
