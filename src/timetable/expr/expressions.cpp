#include "timetable/expr/expressions.hpp"

namespace velkor {

const Snapper* Expressions::snapper_by_name(std::string_view name) const {
    const auto found = snappers.find(name);
    return found == snappers.end() ? nullptr : &found->second;
}

const EvalPhrase* Expressions::get_phrase(std::string_view name) const {
    const auto found = phrases.find(name);
    return found == phrases.end() ? nullptr : found->second.get();
}

}  // namespace velkor
