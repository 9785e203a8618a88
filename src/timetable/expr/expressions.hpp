// The named expressions of a contract: snappers and phrases, each found by name without
// building a string. Names are case-sensitive; a snapper and a phrase may share a name.
#pragma once

#include <memory>
#include <string_view>

#include "core/name_map.hpp"
#include "timetable/expr/eval_phrase.hpp"
#include "timetable/expr/snapper.hpp"

namespace velkor {

struct Expressions {
    NameMap<Snapper> snappers;
    NameMap<std::unique_ptr<EvalPhrase>> phrases;

    // Null when no snapper has that name.
    [[nodiscard]] const Snapper* snapper_by_name(std::string_view name) const;
    // Null when no phrase has that name.
    [[nodiscard]] const EvalPhrase* get_phrase(std::string_view name) const;
};

}  // namespace velkor
