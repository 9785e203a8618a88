// A snapper: a phrase whose outputs are recorded, at the time of each event that triggers it,
// under the names in out (in output order) for later events and phrases to use.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "timetable/expr/eval_phrase.hpp"

namespace velkor {

struct Snapper {
    std::vector<std::string> out;
    std::unique_ptr<EvalPhrase> phrase;  // never null in a built timetable
};

}  // namespace velkor
