#include "python_module/pyarrow_import.hpp"

#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velkor::py {
namespace {

using arrow::OwnedArray;
using arrow::OwnedSchema;

template <class T>
using Result = std::expected<T, PythonException>;

std::unexpected<PythonException> pending() { return std::unexpected(PythonException::fetch()); }

std::unexpected<PythonException> type_error(std::string_view text) {
    return std::unexpected(PythonException::type_error(text));
}

std::unexpected<PythonException> value_error(std::string_view text) {
    return std::unexpected(PythonException::make(PyExc_ValueError, text));
}

Result<PyRef> attribute(PyObject* object, const char* name) {
    PyRef value = PyRef::steal(PyObject_GetAttrString(object, name));
    if (!value) return pending();
    return value;
}

// The attribute, or an empty reference when there is none; any other failure is an error.
Result<PyRef> optional_attribute(PyObject* object, const char* name) {
    PyRef value = PyRef::steal(PyObject_GetAttrString(object, name));
    if (value) return value;
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return pending();
    PyErr_Clear();
    return PyRef();
}

std::string text_of(PyObject* object) {
    PyRef text = PyRef::steal(PyObject_Str(object));
    const char* data = text ? PyUnicode_AsUTF8(text.get()) : nullptr;
    if (data == nullptr) {
        PyErr_Clear();
        return "?";
    }
    return data;
}

std::string module_name(PyObject* object) {
    PyRef module = PyRef::steal(
        PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(object)), "__module__"));
    if (!module) {
        PyErr_Clear();
        return "?";
    }
    return text_of(module.get());
}

Result<PyObject*> capsule(PyObject* item) {
    if (PyCapsule_CheckExact(item)) return item;
    return type_error(cannot_convert(item, "PyCapsule"));
}

Result<void> check_capsule_name(PyObject* capsule, const char* expected) {
    const char* name = PyCapsule_GetName(capsule);
    if (name == nullptr) {
        if (PyErr_Occurred()) return pending();
        return value_error("Expected schema PyCapsule to have name set.");
    }
    if (std::strcmp(name, expected) != 0)
        return value_error("Expected name '" + std::string(expected) +
                           "' in PyCapsule, instead got '" + name + "'");
    return {};
}

// Moves the struct out of a capsule whose name is checked. The capsule is left holding a
// released struct, so its destructor does not release it a second time.
template <class CStruct>
Result<arrow::Owned<CStruct>> take_struct(PyObject* capsule, const char* name) {
    auto* source = static_cast<CStruct*>(PyCapsule_GetPointer(capsule, name));
    if (source == nullptr) return pending();
    return arrow::Owned<CStruct>::take(source);
}

struct Exported {
    OwnedSchema schema;
    OwnedArray array;
};

// __arrow_c_array__() as the PyCapsule interface defines it: (schema, array) capsules.
Result<Exported> call_arrow_c_array(PyObject* method) {
    PyRef result = PyRef::steal(PyObject_CallNoArgs(method));
    if (!result) return pending();
    if (!PyTuple_Check(result.get()))
        return type_error("Expected __arrow_c_array__ to return a tuple.");
    const Py_ssize_t size = PyTuple_GET_SIZE(result.get());
    if (size < 2)
        return value_error("Expected __arrow_c_array__ to return a tuple of two capsules, got " +
                           std::to_string(size) + " items.");
    auto schema_capsule = capsule(PyTuple_GET_ITEM(result.get(), 0));
    if (!schema_capsule) return std::unexpected(std::move(schema_capsule.error()));
    auto array_capsule = capsule(PyTuple_GET_ITEM(result.get(), 1));
    if (!array_capsule) return std::unexpected(std::move(array_capsule.error()));
    if (auto named = check_capsule_name(*schema_capsule, "arrow_schema"); !named)
        return std::unexpected(std::move(named.error()));
    if (auto named = check_capsule_name(*array_capsule, "arrow_array"); !named)
        return std::unexpected(std::move(named.error()));

    auto schema = take_struct<ArrowSchema>(*schema_capsule, "arrow_schema");
    if (!schema) return std::unexpected(std::move(schema.error()));
    auto array = take_struct<ArrowArray>(*array_capsule, "arrow_array");
    if (!array) return std::unexpected(std::move(array.error()));
    return Exported{std::move(*schema), std::move(*array)};
}

// pyarrow's older export: the object writes its struct to the address it is given.
template <class CStruct>
Result<arrow::Owned<CStruct>> export_to_c(PyObject* object) {
    auto method = attribute(object, "_export_to_c");
    if (!method) return std::unexpected(std::move(method.error()));
    auto owned = arrow::Owned<CStruct>::blank();
    PyRef address = PyRef::steal(PyLong_FromVoidPtr(owned.get()));
    if (!address) return pending();
    PyRef result = PyRef::steal(PyObject_CallOneArg(method->get(), address.get()));
    if (!result) return pending();
    return owned;
}

Result<OwnedSchema> import_schema(PyObject* schema) {
    auto method = optional_attribute(schema, "__arrow_c_schema__");
    if (!method) return std::unexpected(std::move(method.error()));
    if (!*method) return export_to_c<ArrowSchema>(schema);
    PyRef result = PyRef::steal(PyObject_CallNoArgs(method->get()));
    if (!result) return pending();
    auto checked = capsule(result.get());
    if (!checked) return std::unexpected(std::move(checked.error()));
    if (auto named = check_capsule_name(*checked, "arrow_schema"); !named)
        return std::unexpected(std::move(named.error()));
    return take_struct<ArrowSchema>(*checked, "arrow_schema");
}

// The column's own schema is dropped: the batch's schema describes every column.
Result<OwnedArray> import_array(PyObject* array) {
    auto method = optional_attribute(array, "__arrow_c_array__");
    if (!method) return std::unexpected(std::move(method.error()));
    if (!*method) return export_to_c<ArrowArray>(array);
    auto exported = call_arrow_c_array(method->get());
    if (!exported) return std::unexpected(std::move(exported.error()));
    return std::move(exported->array);
}

Result<arrow::RecordBatch> import_pyarrow(PyObject* object) {
    PyRef pyarrow = PyRef::steal(PyImport_ImportModule("pyarrow"));
    if (!pyarrow) return pending();
    auto record_batch = attribute(pyarrow.get(), "RecordBatch");
    if (!record_batch) return std::unexpected(std::move(record_batch.error()));
    const int is_batch = PyObject_IsInstance(object, record_batch->get());
    if (is_batch < 0) return pending();
    if (is_batch == 0)
        return type_error("Expected instance of pyarrow.RecordBatch, got " +
                          module_name(object) + "." + type_name(object) + ".");

    auto schema_object = attribute(object, "schema");
    if (!schema_object) return std::unexpected(std::move(schema_object.error()));
    auto schema = import_schema(schema_object->get());
    if (!schema) return std::unexpected(std::move(schema.error()));

    auto columns_object = attribute(object, "columns");
    if (!columns_object) return std::unexpected(std::move(columns_object.error()));
    PyRef columns = PyRef::steal(
        PySequence_Fast(columns_object->get(), "Expected RecordBatch.columns to be a sequence."));
    if (!columns) return pending();
    const Py_ssize_t count = PySequence_Fast_GET_SIZE(columns.get());
    std::vector<OwnedArray> arrays;
    arrays.reserve(static_cast<std::size_t>(count));
    for (Py_ssize_t i = 0; i < count; ++i) {
        auto array = import_array(PySequence_Fast_GET_ITEM(columns.get(), i));
        if (!array) return std::unexpected(std::move(array.error()));
        arrays.push_back(std::move(*array));
    }

    auto num_rows_object = attribute(object, "num_rows");
    if (!num_rows_object) return std::unexpected(std::move(num_rows_object.error()));
    const long long num_rows = PyLong_AsLongLong(num_rows_object->get());
    if (num_rows == -1 && PyErr_Occurred()) return pending();

    auto batch = arrow::RecordBatch::from_columns(std::move(*schema), std::move(arrays), num_rows);
    if (!batch) return value_error(batch.error().message());
    return std::move(*batch);
}

}  // namespace

std::expected<arrow::RecordBatch, PythonException> import_record_batch(PyObject* object) {
    auto method = optional_attribute(object, "__arrow_c_array__");
    if (!method) return std::unexpected(std::move(method.error()));
    if (!*method) return import_pyarrow(object);

    auto exported = call_arrow_c_array(method->get());
    if (!exported) return std::unexpected(std::move(exported.error()));
    // A released schema is reported by the Arrow layer; its format may no longer be readable.
    const ArrowSchema* schema = exported->schema.get();
    if (!exported->schema.is_released() && schema->format != nullptr &&
        std::strcmp(schema->format, "+s") != 0)
        return type_error("Expected Struct type from __arrow_c_array.");
    auto batch = arrow::RecordBatch::from_struct(std::move(exported->schema),
                                                 std::move(exported->array));
    if (!batch) return value_error(batch.error().message());
    return std::move(*batch);
}

}  // namespace velkor::py
