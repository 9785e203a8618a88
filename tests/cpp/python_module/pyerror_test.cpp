// The texts of the Python layer's errors and the exceptions the entry functions raise.
#include "python_module/pyerror.hpp"

#include <gtest/gtest.h>

#include "python_test_support.hpp"

namespace velkor::py {
namespace {

using testing_support::evaluate;

PythonException exception_from(const std::string& setup, const std::string& expression) {
    PyRef value = evaluate(setup, expression);
    EXPECT_TRUE(value);
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(value.get())), value.get());
    return PythonException::fetch();
}

// The text of the exception pending after raise_error, which is then cleared.
std::string raised_text(PyObject* expected_type) {
    PythonException raised = PythonException::fetch();
    EXPECT_TRUE(raised.is_instance(expected_type));
    return raised.str();
}

TEST(PythonExceptionText, IsQualifiedTypeNameAndStr) {
    EXPECT_EQ(exception_from("", "ValueError('bad')").text(), "ValueError: bad");
    EXPECT_EQ(exception_from("class Outer:\n  class Inner(Exception): pass", "Outer.Inner('x')").text(),
              "Outer.Inner: x");
}

TEST(PythonExceptionText, FallsBackWhenStrRaises) {
    const auto exception = exception_from(
        "class Broken(Exception):\n  def __str__(self): raise RuntimeError('no')", "Broken()");
    EXPECT_EQ(exception.text(), "Broken: <exception str() failed>");
    EXPECT_FALSE(PyErr_Occurred());
}

TEST(PyParseErrorMessage, ComposesEveryCase) {
    EXPECT_EQ(PyParseError(PyParseError::Python{exception_from("", "KeyError('k')")}).message(),
              "KeyError: 'k'");
    EXPECT_EQ(PyParseError(AssetError::Builder{"B"}).message(),
              "Error while parsing Asset, caused by \nBuilderError B");
    EXPECT_EQ(expr_err("f", PyParseError::MissingKey{"fn"}).message(),
              "Error while parsing expression 'f', caused by \nPy Dictionary is missing key 'fn'");
    EXPECT_EQ(PyParseError(PyParseError::InvalidValue{"type", "Phrase"}).message(),
              "Invalid value 'Phrase' for key 'type'");
    EXPECT_EQ(PyParseError(PyParseError::MissingKey{"BASE"}).message(),
              "Py Dictionary is missing key 'BASE'");
    EXPECT_EQ(PyParseError(PyParseError::WrongType{"PATHS", "TypeError: t"}).message(),
              "Error in value of PATHS, likely incorrect type. caused by \nTypeError: t");
    EXPECT_EQ(PyParseError(PyParseError::Message{"Invalid bits set in FLAG"}).message(),
              "Invalid bits set in FLAG");
    EXPECT_EQ(expr_err("outer", expr_err("inner", PyParseError::Message{"m"})).message(),
              "Error while parsing expression 'outer', caused by \nError while parsing expression "
              "'inner', caused by \nm");
}

TEST(PyTimeTableErrorMessage, PrefixesBothCases) {
    EXPECT_EQ(PyTimeTableError(PyParseError::Message{"Batch is not supported in this package"})
                  .message(),
              "Error while parsing Timetable, caused by \nBatch is not supported in this package");
    EXPECT_EQ(PyTimeTableError(TimeTableError::Message{"Column 'time' not found"}).message(),
              "Error while parsing Timetable, caused by \nColumn 'time' not found");
}

TEST(PyExecErrorMessage, ComposesEveryCaseAndConverts) {
    EXPECT_EQ(PyExecError(PyExecError::Python{exception_from("", "ValueError('bad')")}).message(),
              "ValueError: bad");
    EXPECT_EQ(PyExecError(PyExecError::WrongType{"'tuple' object cannot be converted to 'PyList'"})
                  .message(),
              "Error in found value, likely incorrect type: 'tuple' object cannot be converted to "
              "'PyList'");
    const PyExecError method =
        PyExecError::Method{"advance", exception_from("", "AttributeError('no advance')")};
    EXPECT_EQ(method.message(),
              "Error in Python method 'advance', caused by \nAttributeError: no advance");
    EXPECT_EQ(PyExecError(PyExecError::Message{"Expected float or array, received <class 'str'>"})
                  .message(),
              "Error in Python execution:\nExpected float or array, received <class 'str'>");
    EXPECT_EQ(to_expr_error(method).text, method.message());
    EXPECT_EQ(to_model_error(method).message(), method.message());
}

TEST(RaisedError, IsRuntimeErrorWithBoundaryPrefix) {
    raise_error(PyParseError(PyParseError::MissingKey{"BASE"}));
    EXPECT_EQ(raised_text(PyExc_RuntimeError),
              "Error while parsing Dataset, caused by\nPy Dictionary is missing key 'BASE'");

    raise_error(PyTimeTableError(TimeTableError::Message{"Column 'time' not found"}));
    EXPECT_EQ(raised_text(PyExc_RuntimeError),
              "Error while parsing Timetable, caused by \nColumn 'time' not found");

    // A phrase raising ValueError("bad") at an event, as the caller finally reads it.
    const PyExecError phrase{PyExecError::Python{exception_from("", "ValueError('bad')")}};
    raise_error(ModelError(ModelError::Event{"#4: ...", ModelError(to_expr_error(phrase)).message()}));
    EXPECT_EQ(raised_text(PyExc_RuntimeError),
              "Error during model evaluation, caused by\nError at event:\n  #4: ..., caused by "
              "\nError in Phrase Evaluation, caused by \nValueError: bad");
}

TEST(RaisedError, KeepsEmbeddedNulCharacters) {
    raise_error(ModelError(ModelError::Message{std::string("a\0b", 3)}));
    EXPECT_EQ(raised_text(PyExc_RuntimeError),
              "Error during model evaluation, caused by\n" + std::string("a\0b", 3));
}

}  // namespace
}  // namespace velkor::py
