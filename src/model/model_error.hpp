// Everything an engine can report while valuing a contract.
#pragma once

#include <string>
#include <variant>

#include "asset/asset_error.hpp"
#include "ledger/ledger_error.hpp"
#include "timetable/expr/expr_error.hpp"
#include "timetable/timetable_error.hpp"

namespace velkor {

struct ModelError {
    struct Event {
        std::string description;
        std::string cause;
    };
    struct NotImplemented {
        std::string text;
    };
    struct EventSpec {
        std::string text;
    };
    struct Message {
        std::string text;
    };
    struct Arrow {
        std::string name;
        std::string cause;
    };

    std::variant<AssetError, LedgerError, ExprError, TimeTableError, Event, NotImplemented,
                 EventSpec, Message, Arrow>
        value;

    // Every case, and the errors of the layers below, convert implicitly.
    template <class Case>
        requires std::is_constructible_v<decltype(value), Case&&>
    ModelError(Case&& c) : value(std::forward<Case>(c)) {}

    [[nodiscard]] std::string message() const;
};

}  // namespace velkor
