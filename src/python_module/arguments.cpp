#include "python_module/arguments.hpp"

#include <string>
#include <vector>

namespace velkor::py {
namespace {

std::string quoted(const char* name) { return "'" + std::string(name) + "'"; }

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'": the interpreter's list of missing names.
std::string name_list(std::span<const char* const> names) {
    if (names.size() == 1) return quoted(names[0]);
    if (names.size() == 2) return quoted(names[0]) + " and " + quoted(names[1]);
    std::string out;
    for (std::size_t i = 0; i + 1 < names.size(); ++i) out += quoted(names[i]) + ", ";
    return out + "and " + quoted(names.back());
}

std::string keyword_text(PyObject* keyword) {
    PyRef text = PyRef::steal(PyObject_Str(keyword));
    if (!text) {
        PyErr_Clear();
        return "?";
    }
    const char* data = PyUnicode_AsUTF8(text.get());
    if (data == nullptr) {
        PyErr_Clear();
        return "?";
    }
    return data;
}

}  // namespace

std::expected<void, PythonException> bind_arguments(std::string_view function,
                                                    std::span<const char* const> names,
                                                    std::span<PyObject*> slots,
                                                    PyObject* const* args, Py_ssize_t nargs,
                                                    PyObject* kwnames) {
    const std::string call = std::string(function) + "()";
    const auto count = static_cast<Py_ssize_t>(names.size());
    for (Py_ssize_t i = 0; i < nargs && i < count; ++i) slots[i] = args[i];

    // Keywords first, then surplus positionals, then missing ones: the interpreter's order.
    const Py_ssize_t nkw = kwnames == nullptr ? 0 : PyTuple_GET_SIZE(kwnames);
    for (Py_ssize_t k = 0; k < nkw; ++k) {
        PyObject* keyword = PyTuple_GET_ITEM(kwnames, k);
        if (!PyUnicode_Check(keyword))
            return std::unexpected(PythonException::type_error(call + " keywords must be strings"));
        Py_ssize_t slot = -1;
        for (Py_ssize_t j = 0; j < count; ++j) {
            if (PyUnicode_CompareWithASCIIString(keyword, names[j]) == 0) {
                slot = j;
                break;
            }
        }
        if (slot < 0)
            return std::unexpected(PythonException::type_error(
                call + " got an unexpected keyword argument '" + keyword_text(keyword) + "'"));
        if (slots[slot] != nullptr)
            return std::unexpected(PythonException::type_error(
                call + " got multiple values for argument '" + keyword_text(keyword) + "'"));
        slots[slot] = args[nargs + k];
    }

    if (nargs > count) {
        const std::string plural = count == 1 ? "" : "s";
        const std::string verb = nargs == 1 ? "was" : "were";
        return std::unexpected(PythonException::type_error(
            call + " takes " + std::to_string(count) + " positional argument" + plural + " but " +
            std::to_string(nargs) + " " + verb + " given"));
    }

    std::vector<const char*> missing;
    for (Py_ssize_t j = 0; j < count; ++j)
        if (slots[j] == nullptr) missing.push_back(names[j]);
    if (!missing.empty()) {
        const std::string plural = missing.size() == 1 ? "" : "s";
        return std::unexpected(PythonException::type_error(
            call + " missing " + std::to_string(missing.size()) + " required positional argument" +
            plural + ": " + name_list(missing)));
    }
    return {};
}

PythonException argument_error(std::string_view name, PythonException error) {
    if (!error.is_instance(PyExc_TypeError)) return error;
    PythonException replaced =
        PythonException::type_error("argument '" + std::string(name) + "': " + error.str());
    PyObject* cause = PyException_GetCause(error.object());  // new reference or null
    if (cause != nullptr) PyException_SetCause(replaced.object(), cause);  // steals it
    return replaced;
}

std::expected<PyObject*, PythonException> dict_argument(std::string_view name, PyObject* value) {
    if (PyDict_Check(value)) return value;
    return std::unexpected(
        argument_error(name, PythonException::type_error(cannot_convert(value, "PyDict"))));
}

std::expected<PyObject*, PythonException> str_argument(std::string_view name, PyObject* value) {
    if (PyUnicode_Check(value)) return value;
    return std::unexpected(
        argument_error(name, PythonException::type_error(cannot_convert(value, "PyString"))));
}

}  // namespace velkor::py
