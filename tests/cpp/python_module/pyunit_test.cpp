// Compiling a contract from a pyarrow batch and an expressions dictionary: which expressions
// are kept, what the units become, and that the caller's objects are left as they were.
#include "python_module/pyunit.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "python_module/pyarrow_import.hpp"
#include "python_module/pyexpr.hpp"
#include "python_test_support.hpp"

namespace velkor::py {
namespace {

using testing_support::evaluate;

constexpr const char* kSetup = R"py(
import pyarrow as pa

def column(keys, values):
    return pa.DictionaryArray.from_arrays(pa.array(keys, pa.int64()), pa.array(values, pa.string()))

batch = pa.RecordBatch.from_arrays(
    [pa.array([1, 2, 3, 4], pa.timestamp("ms")), column([0, 1, 0, 1], ["A", "B", "unused"]),
     column([0, 0, 0, 0], ["+"]), pa.array([1.0, 2.0, 3.0, 4.0]),
     column([0, 1, 2, 3], ["B", "P", "S", "x"])],
    names=["time", "track", "op", "quantity", "unit"])

def f(inputs):
    return inputs

def g(inputs):
    return inputs

expressions = {
    "P": {"type": "phrase", "fn": f, "inp": ["x", "B"], "ignored": 1},
    "S": {"type": "snapper", "fn": g, "inp": [], "out": ["x", "y"]},
    "Q": {"type": "phrase", "fn": g, "inp": ()},
}
)py";

TEST(CreateTimetable, ReadsEveryExpressionAndRecognisesUnits) {
    PyRef objects = evaluate(kSetup, "(batch, expressions, f)");
    ASSERT_TRUE(objects);
    PyObject* expressions = PyTuple_GET_ITEM(objects.get(), 1);
    PyObject* f = PyTuple_GET_ITEM(objects.get(), 2);
    auto batch = import_record_batch(PyTuple_GET_ITEM(objects.get(), 0));
    ASSERT_TRUE(batch);
    PyRef before = PyRef::steal(PyObject_Repr(expressions));
    const Py_ssize_t f_references = Py_REFCNT(f);
    {
        auto timetable = create_timetable(*batch, expressions);
        ASSERT_TRUE(timetable) << timetable.error().message();

        EXPECT_EQ(timetable->size(), 4u);
        const std::vector<Unit> units(timetable->units().begin(), timetable->units().end());
        EXPECT_EQ(units, (std::vector<Unit>{Unit::Track{1}, Unit::Phrase{"P"},
                                            Unit::Snapper{"S"}, Unit::Snap{"x"}}));

        const auto* p = dynamic_cast<const PyPhrase*>(timetable->get_phrase("P"));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(std::vector<std::string>(p->iter_inp().begin(), p->iter_inp().end()),
                  (std::vector<std::string>{"x", "B"}));
        EXPECT_EQ(p->fn(), f);
        EXPECT_EQ(Py_REFCNT(f), f_references + 1);
        ASSERT_NE(timetable->get_phrase("Q"), nullptr);
        EXPECT_EQ(timetable->get_phrase("S"), nullptr);

        const Snapper& s = timetable->snapper_by_name("S");
        EXPECT_EQ(s.out, (std::vector<std::string>{"x", "y"}));
        EXPECT_TRUE(s.phrase->iter_inp().empty());
    }
    // Dropping the timetable releases the functions.
    EXPECT_EQ(Py_REFCNT(f), f_references);
    PyRef after = PyRef::steal(PyObject_Repr(expressions));
    EXPECT_EQ(PyUnicode_Compare(before.get(), after.get()), 0);
}

}  // namespace
}  // namespace velkor::py
