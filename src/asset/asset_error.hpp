// Failures of market data: building curves, evaluating them, finding assets.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "core/box.hpp"

namespace velkor {

struct AssetError {
    struct Interpolate {
        std::string text;
    };
    struct Builder {
        std::string text;
    };
    struct Rate {
        std::string curve;
        double first_time;
        double second_time;
        Box<AssetError> cause;
    };
    struct Spot {
        std::string curve;
        double time;
        Box<AssetError> cause;
    };
    struct OutOfRange {
        double time;
    };
    struct DivideByZero {};
    struct NotImplemented {
        std::string text;
    };
    struct NotFound {
        std::string name;
    };
    struct Unknown {};

    std::variant<Interpolate, Builder, Rate, Spot, OutOfRange, DivideByZero, NotImplemented,
                 NotFound, Unknown>
        value;

    template <class Case>
        requires std::is_constructible_v<decltype(value), Case&&>
    AssetError(Case&& c) : value(std::forward<Case>(c)) {}

    // The rate of a curve between two times failed with cause.
    static AssetError rate_error(std::string_view curve, double first_time, double second_time,
                                 AssetError cause);
    // The value of a curve at a time failed with cause.
    static AssetError spot_error(std::string_view curve, double time, AssetError cause);

    [[nodiscard]] std::string message() const;
};

}  // namespace velkor
