"""backtest_csv and backtest_py end to end: the values of the two series, the replay's errors,
and the cashflow report handed to set_stat as one pyarrow.RecordBatch per track."""

import ctypes
import gc
import sys
import tracemalloc
import types

import numpy as np
import pyarrow as pa
import pytest

import _velkor
from builders import at_years, contract, events_table

CASHFLOW_SCHEMA = pa.schema(
    [
        pa.field("index", pa.uint64(), nullable=False),
        pa.field("value", pa.float64(), nullable=False),
    ]
)
MODEL_PREFIX = "Error during model evaluation, caused by\n"
EVENT_PREFIX = "Error at event:\n  "


class State:
    """py_state of both backtests: answers get_value from `prices` ({name: value}), records
    every lookup and every set_stat call."""

    def __init__(self, prices=None):
        self.prices = prices or {}
        self.lookups = []
        self.stats = []

    def get_value(self, name, ts):
        self.lookups.append((name, ts))
        return self.prices[name]

    def set_stat(self, key, value):
        self.stats.append((key, value))


def backtest_csv(events_rb, state=None, expressions=None, base="USD", filename="missing.csv"):
    state = State() if state is None else state
    assert _velkor.backtest_csv(events_rb, state, filename, base, expressions or {}) is None
    return state


def backtest_py(events_rb, state, expressions=None, base="USD"):
    assert _velkor.backtest_py(events_rb, state, expressions or {}, base) is None
    return state


def report(state):
    """The single "CASHFLOW" report as {track: {event index: cashflow}}."""
    assert [key for key, _ in state.stats] == ["CASHFLOW"]
    batches = state.stats[0][1]
    assert type(batches) is dict
    return {
        track: dict(zip(batch.column(0).to_pylist(), batch.column(1).to_pylist()))
        for track, batch in batches.items()
    }


def model_error(run):
    with pytest.raises(RuntimeError) as raised:
        run()
    text = str(raised.value)
    assert text.startswith(MODEL_PREFIX)
    assert raised.value.__cause__ is None
    return text[len(MODEL_PREFIX) :]


def phrase(fn, inputs=()):
    return {"type": "phrase", "fn": fn, "inp": list(inputs)}


class TestCsvSeries:
    @pytest.mark.parametrize(
        "unit, quantity, expected",
        [("EQ", 2.0, 200.0), ("USD", 2.0, 2.0), ("usd", 1.0, 100.0), ("GBP", -0.5, -50.0)],
        ids=["asset_is_100", "base_is_1", "base_name_is_exact", "any_name_any_sign"],
    )
    def test_base_is_worth_one_and_every_other_asset_100(self, unit, quantity, expected):
        rows = [(0.1, "cash", "+", 1.0, "USD")] * 3 + [(1.0, "main", "+", quantity, unit)]
        state = backtest_csv(contract(rows, track_names=["main", "cash"]))
        assert report(state) == {0: {3: expected}, 1: {0: 1.0, 1: 1.0, 2: 1.0}}

    @pytest.mark.parametrize("filename", ["missing.csv", "", "/", "/no/such/dir/prices.csv"])
    def test_filename_is_never_read(self, filename):
        state = backtest_csv(contract([(1.0, "main", "+", 1.0, "EQ")]), filename=filename)
        assert report(state) == {0: {0: 100.0}}

    def test_phrase_inputs_come_from_the_series(self):
        seen = []

        def spread(inputs):
            seen.append([x.tolist() for x in inputs])
            return [inputs[0] - 3.0 * inputs[1]]

        expressions = {"spread": phrase(spread, ["EQ", "USD"])}
        state = backtest_csv(contract([(1.0, "main", "+", 2.0, "spread")]), expressions=expressions)
        assert seen == [[[100.0], [1.0]]]
        assert report(state) == {0: {0: 194.0}}


@pytest.mark.parametrize("function", ["csv", "py"])
def test_a_base_without_a_utf8_form_raises_its_encoding_error(function):
    events_rb = contract([(1.0, "main", "+", 1.0, "EQ")])
    with pytest.raises(UnicodeEncodeError):
        if function == "csv":
            _velkor.backtest_csv(events_rb, None, "f", "\ud800", {})
        else:
            _velkor.backtest_py(events_rb, None, {}, "\ud800")


class TestPythonSeries:
    def test_get_value_gets_the_name_and_the_time_in_milliseconds(self):
        state = State({"EQ": 12.25, "FX": 0.5})
        rows = [(1.0, "main", "+", 2.0, "EQ"), (2.5, "main", "+", 3.0, "FX")]
        backtest_py(contract(rows), state)
        assert state.lookups == [("EQ", at_years(1.0)), ("FX", at_years(2.5))]
        assert all(type(name) is str and type(ts) is int for name, ts in state.lookups)
        assert report(state) == {0: {0: 24.5, 1: 1.5}}

    class Number:
        def __float__(self):
            return 4.5

    @pytest.mark.parametrize(
        "answer, expected",
        [(7, 7.0), (2**53 + 1, float(2**53 + 1)), (np.float64(0.1), 0.1), (np.int32(-3), -3.0),
         (Number(), 4.5), (True, 1.0), (float("inf"), float("inf"))],
        ids=["int", "big_int", "numpy_float", "numpy_int", "dunder_float", "bool", "inf"],
    )
    def test_numbers_are_converted_exactly(self, answer, expected):
        state = backtest_py(contract([(1.0, "main", "+", 1.0, "EQ")]), State({"EQ": answer}))
        assert report(state) == {0: {0: expected}}

    @pytest.mark.parametrize("base", ["USD", "EUR"])
    def test_base_never_asks_python(self, base):
        expressions = {"p": phrase(lambda x: [x[0] + x[1]], [base, base])}
        rows = [(1.0, "main", "+", 3.0, base), (1.0, "main", "+", 1.0, "p")]
        state = backtest_py(contract(rows), State(), expressions, base=base)
        assert state.lookups == []
        assert report(state) == {0: {0: 3.0, 1: 2.0}}

    def test_every_lookup_asks_again(self):
        expressions = {"p": phrase(lambda x: [x[0] * x[1]], ["EQ", "EQ"])}
        rows = [(1.0, "main", "+", 1.0, "EQ"), (1.0, "main", "+", 1.0, "p")]
        state = backtest_py(contract(rows), State({"EQ": 3.0}), expressions)
        assert state.lookups == [("EQ", at_years(1.0))] * 3
        assert report(state) == {0: {0: 3.0, 1: 9.0}}

    @pytest.mark.parametrize(
        "op, price, expected",
        [(">", 30.0, {0: 50.0, 1: 0.0}), (">", 80.0, {0: 0.0, 1: 80.0}),
         ("<", 30.0, {0: 0.0, 1: 30.0}), ("<", 80.0, {0: 50.0, 1: 0.0})],
        ids=["max_taken", "max_declined", "min_declined", "min_taken"],
    )
    def test_a_taken_choice_cancels_the_tracks_later_payments(self, op, price, expected):
        rows = [(1.0, "main", op, 50.0, "USD"), (2.0, "main", "+", 1.0, "EQ")]
        state = backtest_py(contract(rows), State({"EQ": price}))
        assert report(state) == {0: expected}

    def test_holder_choices_and_conditions_shape_the_cashflows(self):
        rows = [
            (1.0, "call", ">", 1.0, "exercise"),  # take EQ - 100 when worth more than nothing
            (1.0, "exercise", "+", 1.0, "EQ"),
            (1.0, "exercise", "+", -100.0, "USD"),
            (1.0, "knock", "barrier", 10.0, "USD"),  # pays 10 × w, keeps (1 - w) of the rest
            (2.0, "knock", "+", 1.0, "EQ"),
        ]
        expressions = {"barrier": phrase(lambda x: [np.where(x[0] > 110.0, 0.25, 0.0)], ["EQ"])}
        high = backtest_py(contract(rows), State({"EQ": 130.0}), expressions)
        assert report(high) == {
            0: {0: 30.0},
            1: {1: 130.0, 2: -100.0},
            2: {3: 2.5, 4: 97.5},
        }
        low = backtest_py(contract(rows), State({"EQ": 90.0}), expressions)
        assert report(low) == {0: {0: 0.0}, 1: {1: 90.0, 2: -100.0}, 2: {3: 0.0, 4: 90.0}}


class Recording:
    """A py_state that only records set_stat calls (there must be none after a failure)."""

    def __init__(self):
        self.stats = []

    def set_stat(self, key, value):
        self.stats.append((key, value))


class Raises(Recording):
    def __init__(self, error):
        super().__init__()
        self.error = error

    def get_value(self, name, ts):
        raise self.error


class Answers(Recording):
    def __init__(self, answer):
        super().__init__()
        self.answer = answer

    def get_value(self, name, ts):
        return self.answer


class BadFloat:
    def __float__(self):
        raise ZeroDivisionError("no float")


class TestPythonSeriesErrors:
    @pytest.mark.parametrize(
        "state, cause",
        [
            (Raises(ValueError("no quote")), "ValueError: no quote"),
            (Raises(KeyError("EQ")), "KeyError: 'EQ'"),
            (Recording(), "AttributeError: 'Recording' object has no attribute 'get_value'"),
            (Answers("12.5"), "TypeError: must be real number, not str"),
            (Answers(None), "TypeError: must be real number, not NoneType"),
            (Answers(BadFloat()), "ZeroDivisionError: no float"),
            (Answers(10**400), "OverflowError: int too large to convert to float"),
        ],
        ids=["raises", "raises_key_error", "no_get_value", "text", "none", "failing_float",
             "huge_int"],
    )
    def test_the_method_error_is_the_events_cause(self, state, cause):
        rows = [(1.0, "main", "+", 1.0, "USD"), (1.0, "main", "+", 1.0, "EQ"),
                (2.0, "main", "+", 1.0, "EQ")]
        message = model_error(lambda: backtest_py(contract(rows), state))
        assert message.startswith(EVENT_PREFIX + "#1: ")
        assert message.endswith(
            ", caused by \nError in Python method 'get_value', caused by \n" + cause
        )
        assert state.stats == []

    def test_inside_a_phrase_it_is_the_same_error(self):
        expressions = {"p": phrase(lambda x: x, ["EQ"])}
        message = model_error(
            lambda: backtest_py(contract([(1.0, "main", "+", 1.0, "p")]), Raises(OSError("down")),
                                expressions)
        )
        assert message.startswith(EVENT_PREFIX + "#0: ")
        assert message.endswith("caused by \nError in Python method 'get_value', caused by \n"
                                "OSError: down")

    def test_the_replay_stops_at_the_first_failure(self):
        calls = []

        class FailsOnce(Recording):
            def get_value(self, name, ts):
                calls.append(name)
                raise ValueError("gap")

        rows = [(1.0, "main", "+", 1.0, "EQ"), (2.0, "main", "+", 1.0, "FX")]
        model_error(lambda: backtest_py(contract(rows), FailsOnce()))
        assert calls == ["EQ"]


def raw_events(times, units=None):
    """Events at raw millisecond time stamps (None: no time), one unit of USD each."""
    n = len(times)
    return events_table(times, ["main"] * n, ["+"] * n, [1.0] * n, units or ["USD"] * n)


class TestTimes:
    @pytest.mark.parametrize("function", ["csv", "py"])
    @pytest.mark.parametrize(
        "times, event, cause",
        [
            ([-1], 0, "event time is earlier than the current time 0"),
            ([0, -86_400_000], 1, "event time is earlier than the current time 0"),
            ([5_000, 4_999], 1, "event time is earlier than the current time 5000"),
            ([1_000, None], 1, "No event time"),
        ],
        ids=["negative", "negative_after_epoch", "decreasing", "missing"],
    )
    def test_time_errors_name_the_event(self, function, times, event, cause):
        state = Recording()
        run = {
            "csv": lambda: _velkor.backtest_csv(raw_events(times), state, "f", "USD", {}),
            "py": lambda: _velkor.backtest_py(raw_events(times), state, {}, "USD"),
        }[function]
        message = model_error(run)
        assert message.startswith(f"{EVENT_PREFIX}#{event}: ")
        assert message.endswith(", caused by \n" + cause)
        assert state.stats == []

    def test_the_epoch_and_equal_times_are_accepted(self):
        events_rb = raw_events([0, 0, 7, 7], ["USD", "EQ", "EQ", "USD"])
        state = backtest_py(events_rb, State({"EQ": 2.0}))
        assert state.lookups == [("EQ", 0), ("EQ", 7)]
        assert report(state) == {0: {0: 1.0, 1: 2.0, 2: 2.0, 3: 1.0}}

    @pytest.mark.parametrize(
        "rows, tail",
        [
            ([(1.0, "main", "+", 1.0, "EQ"), (1.0, "main", "+", 1.0, "main")], "Track 0 not found"),
            ([(1.0, "main", "+", 1.0, "s"), (2.0, "x", "+", 1.0, "fix")], "\nUnknown Snap 's'"),
            ([(1.0, "main", None, 1.0, "EQ")], "Error in Op, caused by \nUnknown Op ''"),
        ],
        ids=["unsettled_track", "snap_before_snapper", "missing_op"],
    )
    def test_other_replay_failures_end_the_call_before_the_report(self, rows, tail):
        expressions = {"fix": {"type": "snapper", "fn": lambda _: [1.0], "inp": [], "out": ["s"]}}
        state = Recording()
        message = model_error(lambda: backtest_csv(contract(rows), state, expressions))
        assert message.endswith(tail)
        assert state.stats == []


class SetStatRaises:
    def set_stat(self, key, value):
        raise ValueError("ignored")


class TestReport:
    def test_batches_are_genuine_pyarrow_batches_of_the_cashflow_schema(self):
        rows = [(1.0, "main", "+", 1.0, "EQ"), (1.0, "side", "+", 1.0, "USD")]
        batches = backtest_csv(contract(rows)).stats[0][1]
        assert sorted(batches) == [0, 1]
        for batch in batches.values():
            assert type(batch) is pa.RecordBatch
            assert batch.schema.equals(CASHFLOW_SCHEMA, check_metadata=True)
            assert batch.schema.metadata is None
            assert batch.schema.names == ["index", "value"]
            assert [f.nullable for f in batch.schema] == [False, False]
            assert batch.num_rows == 1 and batch.column(0).null_count == 0
            batch.validate(full=True)

    def test_rows_and_tracks_come_sorted(self):
        rows = [(1.0 + k / 100, f"t{k % 3}", "+", float(k), "USD") for k in range(60)]
        batches = backtest_csv(contract(rows)).stats[0][1]
        assert list(batches) == [0, 1, 2]
        for track, batch in batches.items():
            assert batch.column("index").to_pylist() == list(range(track, 60, 3))
            assert batch.column("value").to_pylist() == [float(k) for k in range(track, 60, 3)]

    @pytest.mark.parametrize(
        "rows, expressions",
        [
            ([], {}),
            (
                [(1.0, "main", "+", 1.0, "fix")],
                {"fix": {"type": "snapper", "fn": lambda _: [1.0], "inp": [], "out": ["s"]}},
            ),
            ([(1.0, "main", ">", 0.0, "USD")], {}),
        ],
        ids=["no_events", "only_snappers", "choice_of_nothing"],
    )
    def test_without_cashflows_the_report_is_an_empty_dict(self, rows, expressions):
        state = backtest_csv(contract(rows), expressions=expressions)
        assert state.stats == [("CASHFLOW", {})]

    @pytest.mark.parametrize("function", ["csv", "py"])
    @pytest.mark.parametrize(
        "state",
        [None, object(), types.SimpleNamespace(set_stat=42), SetStatRaises()],
        ids=["none", "no_set_stat", "set_stat_not_callable", "set_stat_raises"],
    )
    def test_set_stat_failures_are_ignored(self, function, state):
        events_rb = contract([(1.0, "main", "+", 1.0, "USD")])
        if function == "csv":
            assert _velkor.backtest_csv(events_rb, state, "f", "USD", {}) is None
        else:
            assert _velkor.backtest_py(events_rb, state, {}, "USD") is None

    def test_set_stat_result_is_ignored(self):
        class Answers:
            def set_stat(self, key, value):
                return "ignored"

        assert _velkor.backtest_csv(contract([]), Answers(), "f", "USD", {}) is None

    def test_a_failed_conversion_raises_its_own_exception(self, monkeypatch):
        class Refuses:
            @staticmethod
            def _import_from_c_capsule(schema, array):
                raise ValueError("refused")

        events_rb = contract([(1.0, "main", "+", 1.0, "EQ")])
        state = Recording()
        monkeypatch.setitem(sys.modules, "pyarrow", types.SimpleNamespace(RecordBatch=Refuses))
        with pytest.raises(ValueError, match="^refused$"):
            _velkor.backtest_csv(events_rb, state, "f", "USD", {})
        assert state.stats == []

    def test_the_capsules_follow_the_interface(self, monkeypatch):
        seen = []

        class Inspects:
            @staticmethod
            def _import_from_c_capsule(schema, array):
                seen.append((type(schema).__name__, repr(schema), repr(array)))
                return pa.RecordBatch._import_from_c_capsule(schema, array)

        events_rb = contract([(1.0, "main", "+", 1.0, "EQ")])
        monkeypatch.setitem(sys.modules, "pyarrow", types.SimpleNamespace(RecordBatch=Inspects))
        state = backtest_csv(events_rb)
        monkeypatch.undo()
        assert report(state) == {0: {0: 100.0}}
        ((kind, schema, array),) = seen
        assert kind == "PyCapsule"
        assert '"arrow_schema"' in schema and '"arrow_array"' in array

    def test_batches_keep_their_buffers_after_the_call(self):
        rows = [(1.0 + k / 1000, "main", "+", k + 0.5, "USD") for k in range(500)]
        events_rb = contract(rows)
        state = backtest_csv(events_rb)
        batch = state.stats[0][1][0]
        del state, events_rb
        gc.collect()
        _ = [np.ones(1000) for _ in range(100)]  # reuse freed memory, if any was freed
        assert batch.column("index").to_pylist() == list(range(500))
        assert batch.column("value").to_numpy().tolist() == [k + 0.5 for k in range(500)]
        sliced = batch.slice(10, 5)
        assert sliced.column(1).to_pylist() == [10.5, 11.5, 12.5, 13.5, 14.5]

    def test_nothing_passed_in_is_kept_or_changed(self):
        events_rb = contract([(1.0, "main", "+", 1.0, "EQ")])
        expressions = {"unused": phrase(lambda x: x)}
        state = State({"EQ": 2.0})
        before = [sys.getrefcount(x) for x in (events_rb, expressions, state)]
        for _ in range(2000):
            backtest_py(events_rb, state, expressions)
            state.stats.clear()
            state.lookups.clear()
        assert [sys.getrefcount(x) for x in (events_rb, expressions, state)] == before
        assert list(expressions) == ["unused"]
        assert events_rb.num_rows == 1

    def test_the_report_holds_the_only_references(self):
        state = backtest_csv(contract([(1.0, "main", "+", 1.0, "EQ")]))
        batches = state.stats.pop()[1]
        assert sys.getrefcount(batches) == 2  # the name and the argument
        batch = batches.pop(0)
        assert sys.getrefcount(batch) == 2  # the name and the argument


class MallInfo2(ctypes.Structure):
    _fields_ = [
        (name, ctypes.c_size_t)
        for name in ("arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks",
                     "uordblks", "fordblks", "keepcost")
    ]


def c_heap_in_use():
    """Bytes the C allocator has handed out and not taken back (glibc only)."""
    libc = ctypes.CDLL(None)
    if not hasattr(libc, "mallinfo2"):
        pytest.skip("needs glibc's mallinfo2")
    libc.mallinfo2.restype = MallInfo2
    info = libc.mallinfo2()
    return info.uordblks + info.hblkhd


class TestReleaseOnce:
    """Exported arrays are released once their batches go away: the buffers live in the C heap,
    the capsules and batches in Python's."""

    ROWS = [(1.0 + k / 10_000, "main", "+", 1.0, "EQ") for k in range(4_000)]

    def run(self, events_rb, times):
        state = State()
        for _ in range(times):
            _velkor.backtest_csv(events_rb, state, "f", "USD", {})
            state.stats.clear()

    def test_no_c_heap_growth_over_many_reports(self):
        events_rb = contract(self.ROWS)
        self.run(events_rb, 20)
        gc.collect()
        before = c_heap_in_use()
        self.run(events_rb, 300)  # 64 kB of columns per report: 19 MB if none were freed
        gc.collect()
        assert c_heap_in_use() - before < 2_000_000

    def test_a_refused_conversion_still_releases_the_batch(self, monkeypatch):
        class Refuses:
            @staticmethod
            def _import_from_c_capsule(schema, array):
                raise ValueError("refused")

        events_rb = contract(self.ROWS)
        monkeypatch.setitem(sys.modules, "pyarrow", types.SimpleNamespace(RecordBatch=Refuses))

        def refused(times):
            for _ in range(times):
                with pytest.raises(ValueError):
                    _velkor.backtest_csv(events_rb, None, "f", "USD", {})

        refused(20)
        gc.collect()
        before = c_heap_in_use()
        refused(300)
        gc.collect()
        assert c_heap_in_use() - before < 2_000_000

    def test_no_python_heap_growth_over_many_reports(self):
        events_rb = contract(self.ROWS[:3])
        self.run(events_rb, 50)
        gc.collect()
        pool = pa.total_allocated_bytes()
        tracemalloc.start()
        try:
            gc.collect()
            start, _ = tracemalloc.get_traced_memory()
            self.run(events_rb, 3_000)
            gc.collect()
            end, _ = tracemalloc.get_traced_memory()
        finally:
            tracemalloc.stop()
        assert end - start < 100_000
        assert pa.total_allocated_bytes() == pool
