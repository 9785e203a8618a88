// Failures of the Arrow layer: malformed data found at import, a column read as a type it
// does not have, and a dictionary index outside its dictionary. Each names the column.
#pragma once

#include <cstdint>
#include <string>

namespace velkor::arrow {

// Data that breaks the C Data Interface's rules. column is the path of the offending array
// ("quote", "legs.price", "track (dictionary)"), empty for the batch itself.
struct ArrowError {
    std::string column;
    std::string fault;

    [[nodiscard]] std::string message() const;
};

// A well-formed column asked for a view of another type. found is its quoted format, with
// the dictionary's format for a dictionary column.
struct WrongType {
    std::string column;
    std::string found;
    std::string expected;

    [[nodiscard]] std::string message() const;
};

// The first non-null dictionary index that is not a position in the dictionary.
struct IndexOutOfRange {
    std::string column;
    std::int64_t row;
    std::int64_t index;
    std::int64_t dictionary_size;

    [[nodiscard]] std::string message() const;
};

}  // namespace velkor::arrow
