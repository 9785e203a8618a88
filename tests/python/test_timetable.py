"""Compiling the contract: the event columns, the expressions dictionary and the dictionary
values of the unit, track and op columns, with the message of every refusal and which of
several problems is reported, through the six entry functions."""

import copy
import sys
from collections.abc import Sequence

import pyarrow as pa
import pytest

import _velkor
from builders import events_table, reaches_valuation, valid_dataset

PREFIX = "Error while parsing Timetable, caused by \n"
PRICING = ["mc_price", "fixed_price", "fd_hullwhite_price", "fd_blackscholes_price"]
FUNCTIONS = [*PRICING, "backtest_csv", "backtest_py"]


def call(name, events_rb, expressions, dataset=None):
    function = getattr(_velkor, name)
    if name == "backtest_csv":
        return function(events_rb, None, "missing.csv", "USD", expressions)
    if name == "backtest_py":
        return function(events_rb, None, expressions, "USD")
    return function(events_rb, None, {} if dataset is None else dataset, expressions)


def timetable_error(events_rb, expressions=None, name="fixed_price"):
    """The message under the timetable prefix; the pricing functions get an empty dataset, so
    the timetable's error must come before the dataset's."""
    with pytest.raises(RuntimeError) as raised:
        call(name, events_rb, {} if expressions is None else expressions)
    text = str(raised.value)
    assert text.startswith(PREFIX)
    assert raised.value.__cause__ is None
    return text[len(PREFIX) :]


def compiles(events_rb, expressions=None, name="fixed_price"):
    """The timetable compiles: the call ends at the step after it."""
    expressions = {} if expressions is None else expressions
    if name in PRICING:
        with pytest.raises(RuntimeError, match="^Error while parsing Dataset, caused by\n"):
            call(name, events_rb, expressions)
    reaches_valuation(lambda: call(name, events_rb, expressions, valid_dataset()))


# --- Event columns ------------------------------------------------------------------------

TIMES = pa.array([1_700_000_000_000, 1_700_000_000_001], pa.timestamp("ms"))
QUANTITIES = pa.array([1.0, 2.0])


def dictionary(keys, values, value_type=pa.string(), index_type=pa.int64(), safe=True):
    return pa.DictionaryArray.from_arrays(
        pa.array(keys, index_type), pa.array(values, value_type), safe=safe
    )


def columns(**changes):
    """The five columns of a valid two-event batch, by name; a change of None drops one."""
    result = {
        "time": TIMES,
        "track": dictionary([0, 1], ["A", "B"]),
        "op": dictionary([0, 0], ["+"]),
        "quantity": QUANTITIES,
        "unit": dictionary([0, 1], ["USD", "A"]),
    }
    result.update(changes)
    return {name: array for name, array in result.items() if array is not None}


def batch(**changes):
    named = columns(**changes)
    return pa.RecordBatch.from_arrays(list(named.values()), names=list(named.keys()))


def not_found(name):
    return f"Column '{name}' not found"


def not_converted(name):
    return f"Couldn't convert column '{name}', likely incorrect type"


def large(keys, values):
    return dictionary(keys, values, pa.large_string())


COLUMN_ERRORS = {
    "time_first_of_all_missing": (
        {"time": None, "track": None, "op": None, "quantity": None, "unit": None},
        not_found("time"),
    ),
    "time_missing": ({"time": None}, not_found("time")),
    "track_missing": ({"track": None}, not_found("track")),
    "op_missing": ({"op": None}, not_found("op")),
    "quantity_missing": ({"quantity": None}, not_found("quantity")),
    "unit_missing": ({"unit": None}, not_found("unit")),
    "op_before_quantity": ({"op": None, "quantity": None}, not_found("op")),
    "quantity_before_unit": (
        {"quantity": pa.array([1, 2]), "unit": None},
        not_converted("quantity"),
    ),
    "time_type_before_missing_track": (
        {"time": pa.array([1, 2], pa.int64()), "track": None},
        not_converted("time"),
    ),
    "time_microseconds": ({"time": TIMES.cast(pa.timestamp("us"))}, not_converted("time")),
    "time_nanoseconds": ({"time": TIMES.cast(pa.timestamp("ns"))}, not_converted("time")),
    "time_seconds": ({"time": pa.array([1, 2], pa.timestamp("s"))}, not_converted("time")),
    "time_int64": ({"time": pa.array([1, 2], pa.int64())}, not_converted("time")),
    "time_dictionary": (
        {"time": dictionary([0, 0], [1], pa.timestamp("ms"))},
        not_converted("time"),
    ),
    "track_int32_indices": (
        {"track": pa.array(["A", "B"]).dictionary_encode()},
        not_converted("track"),
    ),
    "track_plain_strings": ({"track": pa.array(["A", "B"])}, not_converted("track")),
    "op_int32_indices": (
        {"op": dictionary([0, 0], ["+"], index_type=pa.int32())},
        not_converted("op"),
    ),
    "unit_uint64_indices": (
        {"unit": dictionary([0, 1], ["USD", "A"], index_type=pa.uint64())},
        not_converted("unit"),
    ),
    "quantity_float32": (
        {"quantity": pa.array([1.0, 2.0], pa.float32())},
        not_converted("quantity"),
    ),
    "quantity_dictionary": (
        {"quantity": dictionary([0, 0], [1.0], pa.float64())},
        not_converted("quantity"),
    ),
}


@pytest.mark.parametrize("changes, message", COLUMN_ERRORS.values(), ids=COLUMN_ERRORS.keys())
def test_column_errors(changes, message):
    assert timetable_error(batch(**changes)) == message


VALUE_ERRORS = {
    "large_strings_everywhere_report_units": (
        {
            "track": large([0, 1], ["A", "B"]),
            "op": large([0, 0], ["+"]),
            "unit": large([0, 1], ["USD", "A"]),
        },
        "Error in units column, expected strings",
    ),
    "large_tracks_and_ops_report_tracks": (
        {"track": large([0, 1], ["A", "B"]), "op": large([0, 0], ["+"])},
        "Error in tracks column, expected strings",
    ),
    "large_ops": ({"op": large([0, 0], ["+"])}, "Error in ops column, expected strings"),
    "string_view_units": (
        {"unit": dictionary([0, 1], ["USD", "A"], pa.string_view())},
        "Error in units column, expected strings",
    ),
    "integer_tracks": (
        {"track": dictionary([0, 1], [7, 8], pa.int64())},
        "Error in tracks column, expected strings",
    ),
    "null_track_value_even_unused": (
        {"track": dictionary([0, 0], ["A", None]), "op": large([0, 0], ["+"])},
        "Missing Track Value",
    ),
    "track_index_out_of_range": (
        {"track": dictionary([0, 2], ["A", "B"], safe=False)},
        "Column 'track': dictionary index 2 at row 1 is outside the dictionary of 2 values",
    ),
    "negative_op_index": (
        {"op": dictionary([0, -1], ["+"], safe=False)},
        "Column 'op': dictionary index -1 at row 1 is outside the dictionary of 1 values",
    ),
    "unit_index_out_of_range": (
        {"unit": dictionary([5, 0], ["USD"], safe=False)},
        "Column 'unit': dictionary index 5 at row 0 is outside the dictionary of 1 values",
    ),
    "value_types_before_indices": (
        {"track": dictionary([0, 9], ["A"], safe=False), "op": large([0, 0], ["+"])},
        "Error in ops column, expected strings",
    ),
    "track_indices_before_op_and_unit": (
        {
            "track": dictionary([0, 9], ["A"], safe=False),
            "op": dictionary([9, 0], ["+"], safe=False),
            "unit": dictionary([9, 0], ["USD"], safe=False),
        },
        "Column 'track': dictionary index 9 at row 1 is outside the dictionary of 1 values",
    ),
}


@pytest.mark.parametrize("changes, message", VALUE_ERRORS.values(), ids=VALUE_ERRORS.keys())
def test_dictionary_value_errors(changes, message):
    assert timetable_error(batch(**changes)) == message


ACCEPTED = {
    "time_zone": {"time": TIMES.cast(pa.timestamp("ms", tz="Asia/Tokyo"))},
    "nulls_in_every_column": {
        "time": pa.array([None, 1], pa.timestamp("ms")),
        "track": dictionary([None, 0], ["A"]),
        "op": dictionary([0, None], [None]),
        "quantity": pa.array([None, 1.0]),
        "unit": dictionary([None, 0], [None]),
    },
    "track_dictionary_with_unused_names": {"track": dictionary([1, 1], ["A", "B", "C"])},
    "conditions_and_empty_op_texts": {"op": dictionary([0, 1], ["Exercise", ""])},
}


@pytest.mark.parametrize("changes", ACCEPTED.values(), ids=ACCEPTED.keys())
def test_accepted_batches(changes):
    compiles(batch(**changes))


def test_empty_batch_is_accepted():
    compiles(events_table([], [], [], [], []))


def test_columns_are_found_by_name_in_any_order_among_others():
    named = columns()
    order = ["unit", "extra", "quantity", "time", "op", "track"]
    named["extra"] = pa.array(["x", "y"])
    compiles(pa.RecordBatch.from_arrays([named[n] for n in order], names=order))


@pytest.mark.parametrize("first_is_valid", [True, False])
def test_the_first_column_of_a_name_is_used(first_is_valid):
    named = columns()
    wrong = pa.array([1, 2])
    quantities = [QUANTITIES, wrong] if first_is_valid else [wrong, QUANTITIES]
    events_rb = pa.RecordBatch.from_arrays(
        [named["time"], named["track"], named["op"], *quantities, named["unit"]],
        names=["time", "track", "op", "quantity", "quantity", "unit"],
    )
    if first_is_valid:
        compiles(events_rb)
    else:
        assert timetable_error(events_rb) == not_converted("quantity")


def test_sliced_batch_checks_only_its_own_rows():
    events_rb = batch(track=dictionary([7, 0], ["A"], safe=False))
    assert timetable_error(events_rb).startswith("Column 'track': dictionary index 7 at row 0 ")
    compiles(events_rb.slice(1))


# --- Expressions --------------------------------------------------------------------------


MISSING = object()


def fn(inputs):
    return inputs


def phrase(**changes):
    entry = {"type": "phrase", "fn": fn, "inp": ["USD"]}
    entry.update(changes)
    return {k: v for k, v in entry.items() if v is not MISSING}


def snapper(**changes):
    entry = {"type": "snapper", "fn": fn, "inp": ["USD"], "out": ["s"]}
    entry.update(changes)
    return {k: v for k, v in entry.items() if v is not MISSING}


def in_expression(name, cause):
    return f"Error while parsing expression '{name}', caused by \n{cause}"


def wrong_type(key, cause):
    return f"Error in value of {key}, likely incorrect type. caused by \n{cause}"


def missing(key):
    return f"Py Dictionary is missing key '{key}'"


SINGLE_STR = "TypeError: expected a sequence of str, got a single str"


def not_str(type_name):
    return f"TypeError: '{type_name}' object cannot be converted to 'PyString'"


EXPRESSION_ERRORS = {
    "key_not_str": ({1: phrase()}, not_str("int")),
    "value_not_dict": (
        {"p": [("type", "phrase")]},
        wrong_type("n/a", "'list' object cannot be converted to 'PyDict'"),
    ),
    "value_none": (
        {"p": None},
        wrong_type("n/a", "'NoneType' object cannot be converted to 'PyDict'"),
    ),
    "type_missing": ({"p": phrase(type=MISSING)}, in_expression("p", missing("type"))),
    "type_not_str": (
        {"p": phrase(type=1)},
        in_expression("p", wrong_type("type", not_str("int"))),
    ),
    "type_capitalised": (
        {"p": phrase(type="Phrase")},
        in_expression("p", "Invalid value 'Phrase' for key 'type'"),
    ),
    "type_unknown": ({"p": phrase(type="")}, in_expression("p", "Invalid value '' for key 'type'")),
    "batch": (
        {"b": phrase(type="batch")},
        in_expression("b", "Batch is not supported in this package"),
    ),
    "phrase_fn_missing": ({"p": phrase(fn=MISSING)}, in_expression("p", missing("fn"))),
    "phrase_inp_missing": ({"p": phrase(inp=MISSING)}, in_expression("p", missing("inp"))),
    "phrase_fn_before_inp": (
        {"p": phrase(fn=MISSING, inp=MISSING)},
        in_expression("p", missing("fn")),
    ),
    "phrase_inp_plain_str": (
        {"p": phrase(inp="USD")},
        in_expression("p", wrong_type("inp", SINGLE_STR)),
    ),
    "phrase_inp_holds_int": (
        {"p": phrase(inp=["USD", 2])},
        in_expression("p", wrong_type("inp", not_str("int"))),
    ),
    "phrase_inp_none": (
        {"p": phrase(inp=None)},
        in_expression(
            "p", wrong_type("inp", "TypeError: 'NoneType' object cannot be converted to 'Sequence'")
        ),
    ),
    "snapper_out_missing": ({"s": snapper(out=MISSING)}, in_expression("s", missing("out"))),
    "snapper_inp_before_out": (
        {"s": snapper(inp=MISSING, out=MISSING)},
        in_expression("s", missing("inp")),
    ),
    "snapper_out_plain_str": (
        {"s": snapper(out="s")},
        in_expression("s", wrong_type("out", SINGLE_STR)),
    ),
    "first_bad_entry_in_order": (
        {"ok": phrase(), "z": phrase(type="batch"), "a": phrase(fn=MISSING)},
        in_expression("z", "Batch is not supported in this package"),
    ),
}


@pytest.mark.parametrize(
    "expressions, message", EXPRESSION_ERRORS.values(), ids=EXPRESSION_ERRORS.keys()
)
def test_expression_errors(expressions, message):
    assert timetable_error(batch(), expressions) == message


ACCEPTED_EXPRESSIONS = {
    "phrase_and_snapper": {"p": phrase(), "s": snapper()},
    "fn_is_not_checked": {"p": phrase(fn=None), "s": snapper(fn=3)},
    "sequences_of_str": {"p": phrase(inp=("USD", "EUR")), "s": snapper(inp=[], out=("a", "b"))},
    "further_keys_ignored": {"p": phrase(out=5, extra=object())},
    "names_of_units_and_tracks": {"USD": phrase(), "A": snapper(out=["B"])},
    "subclasses": {type("Name", (str,), {})("p"): type("Entry", (dict,), {})(phrase())},
}


@pytest.mark.parametrize(
    "expressions", ACCEPTED_EXPRESSIONS.values(), ids=ACCEPTED_EXPRESSIONS.keys()
)
def test_accepted_expressions(expressions):
    compiles(batch(), expressions)


def test_column_errors_come_before_expressions():
    assert timetable_error(batch(unit=None), {1: None}) == not_found("unit")


def test_expressions_come_before_dictionary_values():
    events_rb = batch(unit=large([0, 1], ["USD", "A"]))
    assert timetable_error(events_rb, {"b": phrase(type="batch")}) == in_expression(
        "b", "Batch is not supported in this package"
    )


# --- Every entry function ----------------------------------------------------------------

ONE_OF_EACH = {
    "column": (batch(time=None), {}, not_found("time")),
    "expression": (
        batch(),
        {"p": phrase(inp="x")},
        in_expression("p", wrong_type("inp", SINGLE_STR)),
    ),
    "units": (
        batch(unit=large([0, 1], ["USD", "A"])),
        {},
        "Error in units column, expected strings",
    ),
    "null_track": (batch(track=dictionary([0, 0], ["A", None])), {}, "Missing Track Value"),
}


@pytest.mark.parametrize("name", FUNCTIONS)
@pytest.mark.parametrize(
    "events_rb, expressions, message", ONE_OF_EACH.values(), ids=ONE_OF_EACH.keys()
)
def test_every_entry_function_compiles_the_timetable_first(name, events_rb, expressions, message):
    assert timetable_error(events_rb, expressions, name) == message


@pytest.mark.parametrize("name", FUNCTIONS)
def test_a_valid_timetable_reaches_the_next_step(name):
    compiles(batch(), {"p": phrase(), "s": snapper()}, name)


# --- The caller's objects -----------------------------------------------------------------


def test_nothing_passed_in_is_changed():
    events_rb = batch(op=dictionary([0, None], ["+"]))
    before_batch = events_rb.to_pydict()
    expressions = {"p": phrase(inp=["USD", "A"]), "s": snapper(out=["x"])}
    before = copy.deepcopy(expressions)  # functions are kept, not copied
    compiles(events_rb, expressions)
    assert events_rb.to_pydict() == before_batch
    assert expressions == before


def test_phrase_functions_are_released_after_the_call():
    def own_fn(inputs):
        return inputs

    expressions = {"p": phrase(fn=own_fn), "s": snapper(fn=own_fn)}
    before = sys.getrefcount(own_fn)
    for _ in range(100):
        compiles(batch(), expressions)
        assert timetable_error(batch(unit=large([0, 1], ["USD", "A"])), expressions)
    assert sys.getrefcount(own_fn) == before


class Meddling(Sequence):
    """Input names whose reading adds entries to the expressions dictionary being read."""

    def __init__(self, expressions):
        self.expressions = expressions

    def __len__(self):
        for k in range(100):
            self.expressions[f"new{len(self.expressions)}_{k}"] = phrase()
        return 1

    def __getitem__(self, index):
        if index != 0:
            raise IndexError(index)
        self.expressions.clear()
        return "USD"


def test_expressions_changed_while_being_read_do_not_break_the_call():
    expressions = {}
    expressions["a"] = phrase(inp=Meddling(expressions))
    expressions["b"] = phrase(type="batch")
    # The entries present when reading began are the ones read, so "b" is still refused.
    assert timetable_error(batch(), expressions) == in_expression(
        "b", "Batch is not supported in this package"
    )
