#include "python_module/pyunit.hpp"

#include <string>
#include <utility>
#include <vector>

#include "python_module/pyexpr.hpp"
#include "python_module/pyutils.hpp"

namespace velkor::py {
namespace {

// Reads one expression's dictionary into the maps; failures are not yet wrapped with its name.
std::expected<void, PyParseError> add_expression(const std::string& name, PyObject* expression,
                                                 Expressions& expressions) {
    auto type = get_typed<std::string>(expression, "type");
    if (!type) return std::unexpected(std::move(type.error()));
    if (*type == "phrase") {
        auto phrase = create_phrase(expression);
        if (!phrase) return std::unexpected(std::move(phrase.error()));
        expressions.phrases.insert_or_assign(name, std::move(*phrase));
        return {};
    }
    if (*type == "snapper") {
        auto phrase = create_phrase(expression);
        if (!phrase) return std::unexpected(std::move(phrase.error()));
        auto out = get_typed<std::vector<std::string>>(expression, "out");
        if (!out) return std::unexpected(std::move(out.error()));
        expressions.snappers.insert_or_assign(name, Snapper{std::move(*out), std::move(*phrase)});
        return {};
    }
    if (*type == "batch")
        return std::unexpected(PyParseError::Message{"Batch is not supported in this package"});
    return std::unexpected(PyParseError::InvalidValue{"type", std::move(*type)});
}

std::expected<Expressions, PyParseError> read_expressions(PyObject* dict) {
    // Reading a sequence under "inp" or "out" can run the caller's code, which could change
    // the dictionary: the entries are taken first and then read.
    std::vector<std::pair<PyRef, PyRef>> entries;
    entries.reserve(static_cast<std::size_t>(PyDict_GET_SIZE(dict)));
    Py_ssize_t position = 0;
    PyObject *key = nullptr, *value = nullptr;
    while (PyDict_Next(dict, &position, &key, &value))
        entries.emplace_back(PyRef::borrow(key), PyRef::borrow(value));

    Expressions expressions;
    for (const auto& [key_ref, value_ref] : entries) {
        auto name = to_text(key_ref.get());
        if (!name) return std::unexpected(PyParseError::Python{std::move(name.error())});
        if (!PyDict_Check(value_ref.get()))
            return std::unexpected(
                PyParseError::WrongType{"n/a", cannot_convert(value_ref.get(), "PyDict")});
        if (auto added = add_expression(*name, value_ref.get(), expressions); !added)
            return std::unexpected(expr_err(*name, std::move(added.error())));
    }
    return expressions;
}

}  // namespace

std::expected<TimeTable, PyTimeTableError> create_timetable(const arrow::RecordBatch& batch,
                                                           PyObject* expressions) {
    auto events = Events::create(batch);
    if (!events) return std::unexpected(std::move(events.error()));
    auto read = read_expressions(expressions);
    if (!read) return std::unexpected(std::move(read.error()));
    auto timetable = TimeTable::create(*events, std::move(*read));
    if (!timetable) return std::unexpected(std::move(timetable.error()));
    return std::move(*timetable);
}

}  // namespace velkor::py
