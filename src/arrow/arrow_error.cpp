#include "arrow/arrow_error.hpp"

namespace velkor::arrow {

std::string ArrowError::message() const {
    if (column.empty()) return "Record batch: " + fault;
    return "Column '" + column + "': " + fault;
}

std::string WrongType::message() const {
    return "Column '" + column + "' has Arrow format " + found + ", expected " + expected;
}

std::string IndexOutOfRange::message() const {
    return "Column '" + column + "': dictionary index " + std::to_string(index) + " at row " +
           std::to_string(row) + " is outside the dictionary of " +
           std::to_string(dictionary_size) + " values";
}

}  // namespace velkor::arrow
