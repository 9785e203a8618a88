"""fixed_price end to end: contracts whose prices are known by hand, the sweep's errors and
the statistics written back."""

import math

import numpy as np
import pytest

import _velkor
from builders import PRICING_TS, at_years, contract, flat_dataset


def price(rows, dataset=None, expressions=None, state=None, track_names=None):
    return _velkor.fixed_price(
        contract(rows, track_names), state, dataset or flat_dataset(), expressions or {}
    )


def model_error(rows, dataset=None, expressions=None, track_names=None):
    with pytest.raises(RuntimeError) as raised:
        price(rows, dataset, expressions, track_names=track_names)
    text = str(raised.value)
    prefix = "Error during model evaluation, caused by\n"
    assert text.startswith(prefix)
    return text[len(prefix):]


def phrase(fn, inputs=()):
    return {"type": "phrase", "fn": fn, "inp": list(inputs)}


class TestDiscountingAndAssets:
    def test_zero_rate_curve_discounts_a_payment(self):
        result = price([(2.0, "main", "+", 100.0, "USD")], flat_dataset(rate=0.05))
        assert type(result) is float
        assert result == pytest.approx(100.0 * math.exp(-0.1), rel=1e-15)

    def test_forward_curve_of_the_base_discounts_by_its_inverse(self):
        dataset = flat_dataset()
        dataset["ASSETS"]["USD"] = ("FORWARDS", np.array([[1.0, 1.05], [2.0, 1.1025]]))
        # Half-way to the first point the logarithm is interpolated through the origin.
        result = price([(0.5, "main", "+", 1.0, "USD"), (1.5, "main", "+", 1.0, "USD")], dataset)
        expected = 1.05**-0.5 + 1.0 / math.sqrt(1.05 * 1.1025)
        assert result == pytest.approx(expected, rel=1e-14)

    def test_asset_pays_its_forward_times_quantity_discounted(self):
        dataset = flat_dataset(rate=0.03, assets={"EQ": [(1.0, 100.0), (2.0, 110.0)]})
        result = price([(1.5, "main", "+", 2.0, "EQ")], dataset)
        forward = 100.0 * math.sqrt(1.1)  # geometric interpolation between the two forwards
        assert result == pytest.approx(2.0 * forward * math.exp(-0.045), rel=1e-14)

    def test_fixed_rate_bond(self):
        rows = [(float(y), "bond", "+", 5.0, "USD") for y in (1, 2, 3)]
        rows.append((3.0, "bond", "+", 100.0, "USD"))
        expected = sum(5.0 * math.exp(-0.04 * y) for y in (1, 2, 3)) + 100.0 * math.exp(-0.12)
        assert price(rows, flat_dataset(rate=0.04)) == pytest.approx(expected, rel=1e-14)

    def test_event_at_the_pricing_time_is_not_discounted(self):
        assert price([(0.0, "main", "+", 7.0, "USD")], flat_dataset(rate=0.2)) == 7.0

    def test_quantity_zero_still_values_the_event(self):
        assert price([(1.0, "main", "+", 0.0, "USD")]) == 0.0


class TestTracksAndChoices:
    def test_track_refers_to_a_track_settled_later_in_the_table(self):
        rows = [
            (1.0, "main", "+", 3.0, "leg"),  # quantity does not apply to a track reference
            (1.0, "leg", "+", 10.0, "USD"),
            (2.0, "leg", "+", 5.0, "USD"),
        ]
        assert price(rows) == 15.0

    def test_track_referring_to_itself_doubles_its_value(self):
        rows = [(1.0, "main", "+", 1.0, "main"), (2.0, "main", "+", 4.0, "USD")]
        assert price(rows) == 8.0

    @pytest.mark.parametrize(
        "rows, expected",
        [
            # The choice sees only the rows after it: max(-5, 0), then the payment of 10.
            ([(1.0, "main", "+", 10.0, "USD"), (1.0, "main", ">", 0.0, "USD"),
              (2.0, "main", "+", -5.0, "USD")], 10.0),
            # Here the payment of 10 is part of the continuation: max(10 - 5, 0).
            ([(1.0, "main", ">", 0.0, "USD"), (1.0, "main", "+", 10.0, "USD"),
              (2.0, "main", "+", -5.0, "USD")], 5.0),
            ([(1.0, "main", "<", 0.0, "USD"), (2.0, "main", "+", 3.0, "USD")], 0.0),
            ([(1.0, "main", "<", 0.0, "USD"), (2.0, "main", "+", -3.0, "USD")], -3.0),
        ],
        ids=["payment_before_choice", "choice_before_payment", "min_takes_value", "min_keeps"],
    )
    def test_choices_compare_with_the_continuation(self, rows, expected):
        assert price(rows) == expected

    def test_choice_between_two_legs(self):
        dataset = flat_dataset(rate=0.02, assets={"EQ": [(1.0, 100.0), (3.0, 100.0)]})
        rows = [
            (1.0, "holder", ">", 1.0, "equity_leg"),
            (1.0, "holder", "+", 1.0, "cash_leg"),
            (1.0, "equity_leg", "+", 1.0, "EQ"),
            (1.0, "cash_leg", "+", 105.0, "USD"),
        ]
        assert price(rows, dataset) == pytest.approx(105.0 * math.exp(-0.02), rel=1e-15)


class TestConditionsAndSnaps:
    @pytest.mark.parametrize("weight", [0.0, 1.0, 0.25])
    def test_condition_weights_mix_payment_and_continuation(self, weight):
        rows = [(1.0, "main", "knock", 10.0, "USD"), (2.0, "main", "+", 4.0, "USD")]
        expressions = {"knock": phrase(lambda inputs: [weight])}
        assert price(rows, expressions=expressions) == pytest.approx(
            4.0 * (1 - weight) + 10.0 * weight, rel=1e-15
        )

    def test_snapper_records_values_that_later_events_pay(self):
        dataset = flat_dataset(assets={"EQ": [(1.0, 100.0), (3.0, 300.0)]})
        expressions = {
            "fix": {
                "type": "snapper",
                "fn": lambda inputs: [inputs[0] * 2.0, inputs[0] + 1.0],
                "inp": ["EQ"],
                "out": ["double", "plus_one"],
            }
        }
        rows = [
            (1.0, "main", "+", 1.0, "fix"),
            (2.0, "main", "+", 1.0, "double"),
            (2.0, "main", "+", 10.0, "plus_one"),
        ]
        assert price(rows, dataset, expressions) == pytest.approx(200.0 + 1010.0)

    def test_snap_named_as_condition(self):
        expressions = {
            "fix": {"type": "snapper", "fn": lambda inputs: [0.5], "inp": [], "out": ["half"]}
        }
        rows = [
            (1.0, "main", "+", 1.0, "fix"),
            (1.0, "main", "half", 10.0, "USD"),
            (2.0, "main", "+", 4.0, "USD"),
        ]
        assert price(rows, expressions=expressions) == 7.0

    def test_phrase_returns_its_last_output_and_resolves_inputs_in_order(self):
        seen = []

        def fn(inputs):
            seen.append([float(x[0]) for x in inputs])
            return [np.array([1.0]), inputs[0] - inputs[1]]

        dataset = flat_dataset(assets={"EQ": [(1.0, 50.0), (2.0, 50.0)]})
        rows = [(1.0, "main", "+", 2.0, "spread")]
        result = price(rows, dataset, {"spread": phrase(fn, ["EQ", "USD"])})
        # The forward at its own first time comes back through exp(log), within rounding.
        assert seen == [[pytest.approx(50.0, rel=1e-15), 1.0]]
        assert result == pytest.approx(98.0, rel=1e-15)

    def test_phrase_shadows_a_snap_and_an_asset_of_the_same_name(self):
        dataset = flat_dataset(assets={"EQ": [(1.0, 50.0), (2.0, 50.0)]})
        rows = [(1.0, "main", "+", 1.0, "p")]
        expressions = {"EQ": phrase(lambda _: [3.0]), "p": phrase(lambda x: [x[0]], ["EQ"])}
        assert price(rows, dataset, expressions) == 3.0


EVENT_PREFIX = "Error at event:\n  "


class TestSweepErrors:
    def test_phrase_error_nested_in_event_error(self):
        def fn(inputs):
            raise ValueError("bad")

        rows = [(0.5, "main", "+", 1.0, "USD")] * 4 + [(1.0, "main", "+", 1.0, "p")]
        message = model_error(rows, expressions={"p": phrase(fn)})
        time = "2024-11-13T22:13:20Z"
        assert message == (
            f'Error at event:\n  #4: track: "Track(0)", time: Single({time}), op: +, qty: 1, '
            f'unit: "Phrase(p)", caused by \nError in Phrase Evaluation, caused by \n'
            f"ValueError: bad"
        )

    @pytest.mark.parametrize(
        "rows, cause",
        [
            ([(None, "main", "+", 1.0, "USD")], "No event time"),
            ([(1.0, "main", "+", 1.0, None)], "Error in Event Specs: Missing Unit Name"),
            ([(1.0, "main", "+", 1.0, "snapped")], "Unknown Snap 'snapped'"),
            (
                [(1.0, "main", "+", 1.0, "GBP")],
                "Asset 'GBP' not found in snaps, expressions, or in dataset[ASSETS]",
            ),
        ],
        ids=["no_time", "no_unit", "unknown_snap", "unknown_asset"],
    )
    def test_event_failures_name_the_event(self, rows, cause):
        expressions = {
            "fix": {"type": "snapper", "fn": lambda _: [1.0], "inp": [], "out": ["snapped"]}
        }
        message = model_error(rows, expressions=expressions)
        assert message.startswith(EVENT_PREFIX + "#0: ")
        assert message.endswith(", caused by \n" + cause)

    def test_event_before_the_pricing_time(self):
        message = model_error([(-1 / 31_536_000_000, "main", "+", 1.0, "USD")])
        assert message.endswith(f"caused by \nevent time is earlier than the current time {PRICING_TS}")

    def test_events_out_of_order_name_the_predecessors_time(self):
        message = model_error([(2.0, "main", "+", 1.0, "USD"), (1.0, "main", "+", 1.0, "USD")])
        assert message.startswith(EVENT_PREFIX + "#1: ")
        assert message.endswith(f"the current time {at_years(2.0)}")

    def test_null_unit_value_is_unknown_unit(self):
        batch = contract([(1.0, "main", "+", 1.0, "USD")])
        import pyarrow as pa

        columns = batch.columns
        columns[4] = pa.DictionaryArray.from_arrays(
            pa.array([0], pa.int64()), pa.array([None], pa.string())
        )
        batch = pa.RecordBatch.from_arrays(columns, names=batch.schema.names)
        with pytest.raises(RuntimeError, match="caused by \nUnknown Unit$"):
            _velkor.fixed_price(batch, None, flat_dataset(), {})

    def test_discount_failure_is_not_wrapped_in_the_event(self):
        message = model_error([(40.0, "main", "+", 1.0, "USD")])
        assert message == (
            "Error in 'discount factor' value at 40, caused by \n'Error: Interpolation out of "
            "range at time 40.\n Perhaps the time range in forwards/discount data is too short.'"
        )

    @pytest.mark.parametrize(
        "rows, message",
        [
            ([(1.0, "main", None, 1.0, "USD")], "Error in Op, caused by \nUnknown Op ''"),
            (
                [(1.0, "main", "cond", 1.0, "leg"), (1.0, "leg", "+", 1.0, "USD")],
                "Error in Op, caused by \nUnknown Op 'cond'",
            ),
            ([(1.0, "main", "+", 1.0, "leg")], "Track 1 not found"),
        ],
        ids=["missing_op", "condition_on_track_reference", "unsettled_track_reference"],
    )
    def test_backward_failures_are_not_wrapped(self, rows, message):
        assert model_error(rows, track_names=["main", "leg"]) == message

    def test_missing_track_zero(self):
        rows = [(1.0, "other", "+", 1.0, "USD")]
        assert model_error(rows, track_names=["main", "other"]) == "Track 0 not found"

    def test_empty_contract_has_no_price(self):
        assert model_error([]) == "Track 0 not found"

    def test_phrase_cycle_is_refused(self):
        expressions = {"a": phrase(lambda x: x, ["b"]), "b": phrase(lambda x: x, ["a"])}
        message = model_error([(1.0, "main", "+", 1.0, "a")], expressions=expressions)
        assert message.endswith("caused by \nPhrase 'a' depends on itself: a -> b -> a")

    def test_phrase_with_no_output(self):
        message = model_error([(1.0, "main", "+", 1.0, "p")], expressions={"p": phrase(lambda _: [])})
        assert message.endswith("caused by \nNo output from phrase")


class Recorder:
    def __init__(self):
        self.calls = []

    def set_stat(self, key, value):
        self.calls.append((key, value))


class TestStatistics:
    ROWS = [
        (1.0, "main", ">", 5.0, "USD"),
        (2.0, "main", "+", 3.0, "USD"),
        (2.0, "side", "+", 1.0, "USD"),
    ]

    def run(self, flags):
        recorder = Recorder()
        result = price(self.ROWS, flat_dataset(flags=flags), state=recorder)
        return result, recorder.calls

    def test_flags_zero_touch_nothing(self):
        assert price(self.ROWS, flat_dataset(flags=0), state=None) == 5.0

    def test_every_statistic_in_order(self):
        result, calls = self.run(1 | 2 | 4 | 8)
        assert result == 5.0
        assert [key for key, _ in calls] == ["PV_VEC", "CHOICES", "CASHFLOW"]
        pv = calls[0][1]
        assert pv.dtype == np.float64 and pv.tolist() == [5.0]
        choices = calls[1][1]
        assert list(choices) == [0] and list(choices[0]) == [0]
        assert choices[0][0].dtype == np.uint64 and choices[0][0].tolist() == [1]
        cashflows = calls[2][1]
        assert {track: {e: a.tolist() for e, a in inner.items()} for track, inner in cashflows.items()} == {
            0: {0: [5.0], 1: [0.0]},
            1: {2: [1.0]},
        }

    def test_flag_four_alone_reports_nothing(self):
        assert self.run(4)[1] == []

    def test_choices_without_choice_events_is_an_empty_dict(self):
        recorder = Recorder()
        price([(1.0, "main", "+", 1.0, "USD")], flat_dataset(flags=2), state=recorder)
        assert recorder.calls == [("CHOICES", {})]

    def test_failing_set_stat_does_not_hide_the_price(self):
        class Broken:
            def set_stat(self, key, value):
                raise RuntimeError("no")

        assert price(self.ROWS, flat_dataset(flags=11), state=Broken()) == 5.0
        assert price(self.ROWS, flat_dataset(flags=11), state=object()) == 5.0

    def test_valuation_error_reports_nothing(self):
        recorder = Recorder()
        with pytest.raises(RuntimeError):
            price([(1.0, "main", "+", 1.0, "GBP")], flat_dataset(flags=15), state=recorder)
        assert recorder.calls == []
