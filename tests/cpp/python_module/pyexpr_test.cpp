// The Python phrase: how inputs reach the caller's function and how its results come back.
#include "python_module/pyexpr.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "python_test_support.hpp"

namespace velkor::py {
namespace {

// Runs setup in a fresh namespace (with numpy as np) and keeps the namespace for later reads.
class Namespace {
public:
    explicit Namespace(const std::string& setup) : globals_(PyRef::steal(PyDict_New())) {
        PyDict_SetItemString(globals_.get(), "__builtins__", PyEval_GetBuiltins());
        const std::string code = "import numpy as np\n" + setup;
        PyRef ran =
            PyRef::steal(PyRun_String(code.c_str(), Py_file_input, globals_.get(), globals_.get()));
        if (!ran) PyErr_Print();
        EXPECT_TRUE(ran);
    }

    [[nodiscard]] PyRef get(const char* name) const {
        return PyRef::borrow(PyDict_GetItemString(globals_.get(), name));
    }

    // The value of a Python expression in this namespace.
    [[nodiscard]] PyRef eval(const std::string& expression) const {
        PyRef value = PyRef::steal(
            PyRun_String(expression.c_str(), Py_eval_input, globals_.get(), globals_.get()));
        if (!value) PyErr_Print();
        return value;
    }

private:
    PyRef globals_;
};

PyPhrase phrase_of(const Namespace& ns, std::vector<std::string> inp = {}) {
    return PyPhrase(std::move(inp), ns.get("fn"));
}

std::vector<std::vector<double>> values_of(const std::vector<ValueVector>& vectors) {
    std::vector<std::vector<double>> out;
    for (const auto& v : vectors) out.emplace_back(v.begin(), v.end());
    return out;
}

TEST(PyPhraseInputs, ArriveAsOneListOfFloat64ArraysTakingOverTheStorage) {
    const Namespace ns(
        "calls = []\n"
        "def fn(*args, **kwargs):\n"
        "    calls.append((args, kwargs))\n"
        "    return []\n");
    const PyPhrase phrase = phrase_of(ns, {"a", "b"});
    ValueVector a{1.0, 2.0, 3.0};
    const auto a_buffer = reinterpret_cast<std::uintptr_t>(a.data());
    std::vector<ValueVector> inputs;
    inputs.push_back(std::move(a));
    inputs.push_back(ValueVector{4.5});

    const auto outputs = phrase.eval(std::move(inputs));
    ASSERT_TRUE(outputs) << outputs.error().text;
    EXPECT_TRUE(outputs->empty());
    EXPECT_EQ(PyObject_IsTrue(ns.eval(
                  "len(calls) == 1 and len(calls[0][0]) == 1 and calls[0][1] == {} and "
                  "type(calls[0][0][0]) is list and len(calls[0][0][0]) == 2 and "
                  "all(x.dtype == np.float64 and x.ndim == 1 for x in calls[0][0][0])")
                  .get()),
              1);
    EXPECT_EQ(PyObject_IsTrue(ns.eval("calls[0][0][0][0].tolist() == [1.0, 2.0, 3.0] and "
                                      "calls[0][0][0][1].tolist() == [4.5]")
                                  .get()),
              1);
    // No copy: the first array's data is the vector's former buffer.
    PyRef address = ns.eval("calls[0][0][0][0].__array_interface__['data'][0]");
    ASSERT_TRUE(address);
    EXPECT_EQ(PyLong_AsUnsignedLongLong(address.get()), a_buffer);
}

TEST(PyPhraseInputs, NoInputsStillGiveOneEmptyList) {
    const Namespace ns(
        "calls = []\n"
        "def fn(*args):\n"
        "    calls.append(args)\n"
        "    return [1.0]\n");
    const auto outputs = phrase_of(ns).eval({});
    ASSERT_TRUE(outputs);
    EXPECT_EQ(PyObject_IsTrue(ns.eval("calls == [([],)]").get()), 1);
}

struct ResultCase {
    const char* name;
    friend void PrintTo(const ResultCase& c, std::ostream* os) { *os << c.name; }
    const char* result;  // what fn returns, as a Python expression
    std::vector<std::vector<double>> outputs;
};

class PyPhraseResults : public testing::TestWithParam<ResultCase> {};

TEST_P(PyPhraseResults, AreCopiedIntoVectorsInListOrder) {
    const Namespace ns(std::string("def fn(inputs):\n    return ") + GetParam().result + "\n");
    const auto outputs = phrase_of(ns).eval({});
    ASSERT_TRUE(outputs) << outputs.error().text;
    EXPECT_EQ(values_of(*outputs), GetParam().outputs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PyPhraseResults,
    testing::Values(
        ResultCase{"empty_list", "[]", {}},
        ResultCase{"float", "[1.5]", {{1.5}}},
        ResultCase{"numbers_of_every_kind", "[3, True, np.float32(0.5), np.int64(-2)]",
                   {{3.0}, {1.0}, {0.5}, {-2.0}}},
        ResultCase{"float64_array", "[np.array([1.0, 2.0]), np.array([3.0])]", {{1, 2}, {3}}},
        ResultCase{"bool_array", "[np.array([True, False])]", {{1.0, 0.0}}},
        ResultCase{"strided_array", "[np.arange(6.0)[::2]]", {{0, 2, 4}}},
        ResultCase{"reversed_array", "[np.arange(3.0)[::-1]]", {{2, 1, 0}}},
        ResultCase{"strided_bool_array", "[np.array([True, False, False, True])[::3]]",
                   {{1.0, 1.0}}},
        ResultCase{"foreign_byte_order", "[np.array([1.0, -2.5], dtype='>f8')]", {{1.0, -2.5}}},
        ResultCase{"unaligned_array",
                   "[np.frombuffer(bytes(1) + np.array([7.0, 8.0]).tobytes(), np.float64, 2, 1)]",
                   {{7.0, 8.0}}},
        ResultCase{"one_element_arrays",
                   "[np.array([[7.0]]), np.array([4], dtype=np.int32), np.array(2.5)]",
                   {{7.0}, {4.0}, {2.5}}},
        ResultCase{"empty_float64_array", "[np.array([])]", {{}}},
        ResultCase{"list_subclass", "type('L', (list,), {})([1.0])", {{1.0}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
    const char* name;
    friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }
    const char* setup;  // defines fn
    const char* message;
};

class PyPhraseFailures : public testing::TestWithParam<FailureCase> {};

TEST_P(PyPhraseFailures, BecomeExprErrorsWithTheirText) {
    const Namespace ns(GetParam().setup);
    const auto outputs = phrase_of(ns).eval({});
    ASSERT_FALSE(outputs);
    EXPECT_EQ(outputs.error().text, GetParam().message);
    EXPECT_FALSE(PyErr_Occurred());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PyPhraseFailures,
    testing::Values(
        FailureCase{"raises", "def fn(inputs):\n    raise ValueError('bad')\n", "ValueError: bad"},
        FailureCase{"raises_with_broken_str",
                    "class Broken(Exception):\n"
                    "    def __str__(self): raise RuntimeError('no')\n"
                    "def fn(inputs):\n    raise Broken()\n",
                    "Broken: <exception str() failed>"},
        FailureCase{"not_callable", "fn = 5\n", "TypeError: 'int' object is not callable"},
        FailureCase{"returns_tuple", "def fn(inputs):\n    return (1.0,)\n",
                    "Error in found value, likely incorrect type: 'tuple' object cannot be "
                    "converted to 'PyList'"},
        FailureCase{"returns_none", "def fn(inputs):\n    return None\n",
                    "Error in found value, likely incorrect type: 'NoneType' object cannot be "
                    "converted to 'PyList'"},
        FailureCase{"returns_text_item", "def fn(inputs):\n    return [1.0, 'x']\n",
                    "Error in Python execution:\nExpected float or array, received <class "
                    "'str'>"},
        FailureCase{"returns_int_array", "def fn(inputs):\n    return [np.array([1, 2])]\n",
                    "Error in Python execution:\nExpected float or array, received <class "
                    "'numpy.ndarray'>"},
        FailureCase{"returns_2d_float64_array",
                    "def fn(inputs):\n    return [np.zeros((2, 2))]\n",
                    "Error in Python execution:\nExpected float or array, received <class "
                    "'numpy.ndarray'>"},
        FailureCase{"returns_none_item", "def fn(inputs):\n    return [None]\n",
                    "Error in Python execution:\nExpected float or array, received <class "
                    "'NoneType'>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PyPhraseResults, SurviveAnItemThatEmptiesTheList) {
    const Namespace ns(
        "class Greedy:\n"
        "    def __float__(self):\n"
        "        result.clear()\n"
        "        return 1.0\n"
        "result = [Greedy(), 2.0, 3.0]\n"
        "def fn(inputs):\n    return result\n");
    const auto outputs = phrase_of(ns).eval({});
    ASSERT_TRUE(outputs);
    EXPECT_EQ(values_of(*outputs), (std::vector<std::vector<double>>{{1.0}}));
}

TEST(ToArray1, KeepsNanAndInfinities) {
    const Namespace ns("values = np.array([np.nan, np.inf, -np.inf])\n");
    const auto v = to_array1(ns.get("values").get());
    ASSERT_TRUE(v);
    ASSERT_EQ(v->size(), 3u);
    EXPECT_TRUE(std::isnan((*v)[0]));
    EXPECT_EQ((*v)[1], INFINITY);
    EXPECT_EQ((*v)[2], -INFINITY);
}

TEST(CreatePhrase, HoldsTheFunctionAndInputNames) {
    const Namespace ns(
        "def fn(inputs):\n    return inputs\nexpression = {'fn': fn, 'inp': ('a', 'b')}\n");
    const PyRef fn = ns.get("fn");
    const Py_ssize_t before = Py_REFCNT(fn.get());
    {
        auto phrase = create_phrase(ns.get("expression").get());
        ASSERT_TRUE(phrase);
        const auto& py_phrase = dynamic_cast<const PyPhrase&>(**phrase);
        EXPECT_EQ(py_phrase.fn(), fn.get());
        EXPECT_EQ(Py_REFCNT(fn.get()), before + 1);
        const std::vector<std::string> inp((*phrase)->iter_inp().begin(),
                                           (*phrase)->iter_inp().end());
        EXPECT_EQ(inp, (std::vector<std::string>{"a", "b"}));
    }
    EXPECT_EQ(Py_REFCNT(fn.get()), before);
}

TEST(CreatePhrase, ReleasesTheFunctionWhenInpIsBad) {
    const Namespace ns(
        "def fn(inputs):\n    return inputs\nexpression = {'fn': fn, 'inp': 'ab'}\n");
    const PyRef fn = ns.get("fn");
    const Py_ssize_t before = Py_REFCNT(fn.get());
    const auto phrase = create_phrase(ns.get("expression").get());
    ASSERT_FALSE(phrase);
    EXPECT_EQ(phrase.error().message(),
              "Error in value of inp, likely incorrect type. caused by \nTypeError: expected a "
              "sequence of str, got a single str");
    EXPECT_EQ(Py_REFCNT(fn.get()), before);
}

}  // namespace
}  // namespace velkor::py
