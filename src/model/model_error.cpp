#include "model/model_error.hpp"

namespace velkor {

std::string ModelError::message() const {
    return std::visit(
        [](const auto& c) -> std::string {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, ExprError>) {
                return "Error in Phrase Evaluation, caused by \n" + c.text;
            } else if constexpr (std::is_same_v<C, Event>) {
                return "Error at event:\n  " + c.description + ", caused by \n" + c.cause;
            } else if constexpr (std::is_same_v<C, NotImplemented>) {
                return "Feature Not Implemented: `" + c.text + "`";
            } else if constexpr (std::is_same_v<C, EventSpec>) {
                return "Error in Event Specs: " + c.text;
            } else if constexpr (std::is_same_v<C, Message>) {
                return c.text;
            } else if constexpr (std::is_same_v<C, Arrow>) {
                return "Error Creating Arrow for '" + c.name + "', caused by \n" + c.cause;
            } else {
                return c.message();
            }
        },
        value);
}

}  // namespace velkor
