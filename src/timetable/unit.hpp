// What an event pays or refers to, one Unit per value of the unit dictionary: a track's
// present value, an asset, nothing, a snapper to trigger, a recorded snap or a phrase. Text
// is recognised once per dictionary value, never per event.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "timetable/event.hpp"
#include "timetable/expr/expressions.hpp"
#include "timetable/timetable_error.hpp"

namespace velkor {

struct Unit {
    struct Track {
        std::uint64_t key;
        friend bool operator==(const Track&, const Track&) = default;
    };
    struct Asset {
        std::string name;
        friend bool operator==(const Asset&, const Asset&) = default;
    };
    struct None {
        friend bool operator==(const None&, const None&) = default;
    };
    struct Snapper {
        std::string name;
        friend bool operator==(const Snapper&, const Snapper&) = default;
    };
    struct Snap {
        std::string name;
        friend bool operator==(const Snap&, const Snap&) = default;
    };
    struct Phrase {
        std::string name;
        friend bool operator==(const Phrase&, const Phrase&) = default;
    };

    std::variant<Track, Asset, None, Snapper, Snap, Phrase> value;

    template <class Case>
        requires std::is_constructible_v<decltype(value), Case&&>
    Unit(Case&& c) : value(std::forward<Case>(c)) {}

    // "Track(0)", "Asset(USD)", "Snapper(s)", "Snap(s)", "Phrase(p)", or "<none>".
    [[nodiscard]] std::string description() const;

    friend bool operator==(const Unit&, const Unit&) = default;
};

// One unit per unit dictionary value, in dictionary order: Asset with the text (None for a
// null value), then track names, then snappers and their outputs, then phrases, each later
// step overriding an earlier one on the first dictionary entry equal to the name.
[[nodiscard]] std::expected<std::vector<Unit>, TimeTableError> create_units_map(
    const Expressions& expressions, const Events& events);

// Turns the first unit value equal to each track name into that Track. Fails when the track
// dictionary holds anything but Utf8 strings or a null name.
[[nodiscard]] std::expected<void, TimeTableError> identify_tracks(const Events& events,
                                                                  std::vector<Unit>& units);

}  // namespace velkor
