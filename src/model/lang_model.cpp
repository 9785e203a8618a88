#include "model/lang_model.hpp"

#include <string>

namespace velkor::detail {

ModelError phrase_cycle(const PhraseTrail& trail, std::string_view name) {
    std::string path;
    bool in_cycle = false;
    for (std::string_view outer : trail) {
        in_cycle = in_cycle || outer == name;
        if (in_cycle) path += std::string(outer) + " -> ";
    }
    return ModelError::Message{"Phrase '" + std::string(name) +
                               "' depends on itself: " + path + std::string(name)};
}

}  // namespace velkor::detail
