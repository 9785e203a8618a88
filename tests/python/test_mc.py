"""mc_price end to end: the path-model protocol (what advance and get_value may answer), when
the model is called, the price as a mean over paths, and the statistics written back."""

import math
import sys

import numpy as np
import pytest

import _velkor
from builders import PRICING_TS, at_years, contract, flat_dataset
from velkor.closed_forms import black_scholes_call
from velkor.paths import GeometricBrownianMotion, StatisticsReceiver

PV_STATS = 1
CHOICE_STATS = 2


class Scripted(StatisticsReceiver):
    """A path model that answers advance with the next of `steps` and get_value(name) with
    `values.get(name)`, recording every call."""

    def __init__(self, steps=(), values=None):
        super().__init__()
        self.steps = list(steps)
        self.values = values or {}
        self.calls = []

    def advance(self, t):
        self.calls.append(("advance", t))
        return self.steps[len([c for c in self.calls if c[0] == "advance"]) - 1]

    def get_value(self, name):
        self.calls.append(("get_value", name))
        return self.values.get(name)


def mc_dataset(paths=4, flags=0, dataset=None):
    dataset = dict(dataset or flat_dataset(rate=0.05, assets={"EQ": [(0.0, 100.0), (30.0, 100.0)]}))
    dataset["MC"] = {"PATHS": paths, "SEED": 11, "FLAGS": flags}
    return dataset


def mc(rows, model, paths=4, flags=0, dataset=None, expressions=None, track_names=None):
    return _velkor.mc_price(
        contract(rows, track_names), model, mc_dataset(paths, flags, dataset), expressions or {}
    )


def model_error(rows, model, **kwargs):
    with pytest.raises(RuntimeError) as raised:
        mc(rows, model, **kwargs)
    text = str(raised.value)
    prefix = "Error during model evaluation, caused by\n"
    assert text.startswith(prefix)
    return text[len(prefix):]


def pv_vec(rows, model, **kwargs):
    mc(rows, model, flags=PV_STATS, **kwargs)
    pv = model.stats["PV_VEC"]
    assert pv.dtype == np.float64 and pv.ndim == 1
    return pv


PER_PATH = np.array([1.0, 2.0, 3.0, 4.0])
FACTORS = np.array([0.9, 0.8, 0.7, 0.6])
CURVE_1Y = math.exp(-0.05)
CURVE_2Y = math.exp(-0.1)


def unaligned(values):
    """The values in a buffer one byte off a double's alignment."""
    raw = bytes(1) + np.asarray(values, dtype=np.float64).tobytes()
    return np.frombuffer(raw, np.float64, offset=1)


def strided(values):
    """The values as every other entry of a larger array."""
    spaced = np.zeros(2 * len(values))
    spaced[::2] = values
    return spaced[::2]


class TestAdvanceAnswers:
    """One step to 1 year, one to 2 years, then EQ is paid with per-path values: the present
    values show the discount factor each path accumulated."""

    ROWS = [(1.0, "main", "+", 0.0, "USD"), (2.0, "main", "+", 1.0, "EQ")]

    @pytest.mark.parametrize(
        "steps, df",
        [
            ([None, None], CURVE_2Y),
            ([1.0, 1.0], 1.0),
            ([1, True], 1.0),
            ([0.5, np.float32(0.5)], 0.25),
            ([FACTORS, FACTORS], FACTORS * FACTORS),
            ([strided(FACTORS), FACTORS[::-1].copy()[::-1]], FACTORS * FACTORS),
            ([FACTORS.astype(">f8"), np.array([0.5])], FACTORS * 0.5),
            ([unaligned(FACTORS), unaligned([0.5])], FACTORS * 0.5),
            ([0.5, FACTORS], 0.5 * FACTORS),
            ([None, 0.5], CURVE_1Y * 0.5),
            # Anything but a float64 vector or a number hands discounting back to the curve,
            # replacing what the steps accumulated.
            ([FACTORS, None], CURVE_2Y),
            ([1.0, FACTORS.astype(np.float32)], CURVE_2Y),
            ([1.0, list(FACTORS)], CURVE_2Y),
            ([1.0, FACTORS.reshape(2, 2)], CURVE_2Y),
            ([1.0, "0.5"], CURVE_2Y),
        ],
        ids=[
            "none", "one", "int_and_bool", "numbers", "arrays", "strided_and_reversed",
            "big_endian_then_single", "unaligned", "number_then_array", "curve_then_number",
            "none_replaces_arrays", "float32_array", "list", "two_dimensional", "str",
        ],
    )
    def test_step_factors_compound_into_each_paths_discount(self, steps, df):
        originals = [np.copy(s) if isinstance(s, np.ndarray) else s for s in steps]
        model = Scripted(steps, {"EQ": PER_PATH})
        np.testing.assert_allclose(pv_vec(self.ROWS, model), df * PER_PATH, rtol=1e-15)
        for step, original in zip(steps, originals):
            if isinstance(step, np.ndarray):
                np.testing.assert_array_equal(step, original)
        np.testing.assert_array_equal(model.values["EQ"], [1.0, 2.0, 3.0, 4.0])

    def test_curve_too_short_for_the_fallback_is_not_an_event_error(self):
        message = model_error([(40.0, "main", "+", 1.0, "USD")], Scripted([None]))
        assert message == (
            "Error in 'discount factor' value at 40, caused by \n'Error: Interpolation out of "
            "range at time 40.\n Perhaps the time range in forwards/discount data is too short.'"
        )


class TestGetValueAnswers:
    ROWS = [(0.0, "main", "+", 2.0, "EQ")]

    @pytest.mark.parametrize(
        "answer, expected",
        [
            (PER_PATH, 2.0 * PER_PATH),
            (strided(PER_PATH), 2.0 * PER_PATH),
            (np.array([5.0]), [10.0] * 4),
            # Not a float64 vector: the dataset's forward of 100.
            (PER_PATH.astype(np.float32), [200.0] * 4),
            (list(PER_PATH), [200.0] * 4),
            (PER_PATH.reshape(4, 1), [200.0] * 4),
            (3.0, [200.0] * 4),
            (None, [200.0] * 4),
        ],
        ids=["array", "strided", "single", "float32", "list", "two_dimensional", "number",
             "none"],
    )
    def test_values_or_the_dataset_forward(self, answer, expected):
        model = Scripted(values={"EQ": answer})
        # The forward of 100 comes back through exp(log(100)): equal within rounding.
        np.testing.assert_allclose(pv_vec(self.ROWS, model), expected, rtol=1e-14)

    def test_a_name_neither_model_nor_dataset_knows(self):
        message = model_error([(0.0, "main", "+", 1.0, "GBP")], Scripted())
        assert message.endswith(
            "caused by \nAsset 'GBP' not found in snaps, expressions, or in dataset[ASSETS]"
        )

    def test_phrase_inputs_are_the_models_path_values(self):
        def payoff(inputs):
            return [np.maximum(inputs[0] - 2.5, 0.0)]

        expressions = {"payoff": {"type": "phrase", "fn": payoff, "inp": ["EQ"]}}
        model = Scripted(values={"EQ": PER_PATH})
        pv = pv_vec([(0.0, "main", "+", 1.0, "payoff")], model, expressions=expressions)
        np.testing.assert_array_equal(pv, [0.0, 0.0, 0.5, 1.5])


class NoMethods(StatisticsReceiver):
    pass


class Raising(Scripted):
    def advance(self, t):
        raise ValueError(f"no step to {t}")

    def get_value(self, name):
        raise KeyError(name)


EVENT_PREFIX = "Error at event:\n  "


class TestModelFailures:
    def test_get_value_raising_inside_an_event(self):
        message = model_error([(0.0, "main", "+", 1.0, "USD"), (0.0, "main", "+", 1.0, "EQ")],
                              Raising(values={"USD": None}))
        assert message == (
            'Error at event:\n  #0: track: "Track(0)", time: Single(2023-11-14T22:13:20Z), '
            'op: +, qty: 1, unit: "Asset(USD)", caused by \n'
            "Error in Python method 'get_value', caused by \nKeyError: 'USD'"
        )

    @pytest.mark.parametrize(
        "model, cause",
        [
            (Raising(), "ValueError: no step to 1.0"),
            (NoMethods(), "AttributeError: 'NoMethods' object has no attribute 'advance'"),
        ],
        ids=["raises", "missing"],
    )
    def test_advance_failure_is_not_an_event_error(self, model, cause):
        message = model_error([(1.0, "main", "+", 1.0, "USD")], model)
        assert message == "Error in Python method 'advance', caused by \n" + cause

    def test_missing_get_value_fails_the_first_event_that_needs_a_value(self):
        message = model_error([(0.0, "main", "+", 1.0, "EQ")], NoMethods())
        assert message.startswith(EVENT_PREFIX + "#0: ")
        assert message.endswith(
            "caused by \nError in Python method 'get_value', caused by \n"
            "AttributeError: 'NoMethods' object has no attribute 'get_value'"
        )

    def test_advance_vector_of_another_length(self):
        message = model_error([(1.0, "main", "+", 1.0, "USD")], Scripted([np.ones(3)]))
        assert message == (
            "Python method 'advance' returned 3 values where 1 or 4 (one per path) were expected"
        )

    @pytest.mark.parametrize("length", [0, 3, 5])
    def test_get_value_vector_of_another_length(self, length):
        message = model_error([(0.0, "main", "+", 1.0, "EQ")],
                              Scripted(values={"EQ": np.ones(length)}))
        assert message.startswith(EVENT_PREFIX + "#0: ")
        assert message.endswith(
            f"caused by \nPython method 'get_value' returned {length} values for 'EQ' where 1 "
            "or 4 (one per path) were expected"
        )

    def test_model_is_held_and_released(self):
        model = Scripted([None], {"EQ": PER_PATH})
        before = sys.getrefcount(model)
        mc([(1.0, "main", "+", 1.0, "EQ")], model)
        with pytest.raises(RuntimeError):
            mc([(1.0, "main", "+", 1.0, "GBP")], model)
        assert sys.getrefcount(model) == before


class TestCallOrder:
    def test_advance_once_per_distinct_later_time(self):
        rows = [(y, "main", "+", 1.0, "EQ") for y in (0.0, 0.0, 0.5, 0.5, 0.5, 1.0, 2.25)]
        model = Scripted([1.0] * 3, {"EQ": PER_PATH})
        mc(rows, model)
        value = ("get_value", "EQ")
        assert model.calls == [
            value, value,
            ("advance", 0.5), value, value, value,
            ("advance", 1.0), value,
            ("advance", 2.25), value,
        ]
        assert all(type(t) is float for kind, t in model.calls if kind == "advance")

    def test_all_events_at_the_pricing_time_never_advance(self):
        model = Scripted(values={"EQ": PER_PATH})
        pv = pv_vec([(0.0, "main", "+", 1.0, "EQ"), (0.0, "main", "+", 1.0, "USD")], model)
        np.testing.assert_array_equal(pv, PER_PATH + 1.0)
        assert ("advance", 0.0) not in model.calls

    def test_event_before_the_pricing_time_fails_before_any_advance(self):
        model = Scripted([1.0])
        rows = [(-1 / 31_536_000_000, "main", "+", 1.0, "USD"), (1.0, "main", "+", 1.0, "USD")]
        message = model_error(rows, model)
        assert message.startswith(EVENT_PREFIX + "#0: ")
        assert message.endswith(
            f"caused by \nevent time is earlier than the current time {PRICING_TS}"
        )
        assert model.calls == []

    def test_event_without_a_time(self):
        message = model_error([(None, "main", "+", 1.0, "USD")], Scripted())
        assert message.startswith(EVENT_PREFIX + "#0: ")
        assert message.endswith(", caused by \nmissing time")


class TestPrice:
    def test_mean_of_the_paths(self):
        model = Scripted(values={"EQ": PER_PATH})
        assert mc([(0.0, "main", "+", 1.0, "EQ")], model) == 2.5

    def test_no_paths_has_no_price(self):
        message = model_error([(1.0, "main", "+", 1.0, "USD")], Scripted([None]), paths=0)
        assert message == "Empty PV Vector"

    def test_empty_contract_has_no_price(self):
        assert model_error([], Scripted()) == "Track 0 not found"


def european_call(strike, expiry):
    """On track 0 at expiry a choice of the "exercise" track, which receives one EQ and pays
    the strike."""
    return [
        (expiry, "main", ">", 1.0, "exercise"),
        (expiry, "exercise", "+", 1.0, "EQ"),
        (expiry, "exercise", "+", -strike, "USD"),
    ]


class TestAgainstReferences:
    RICH_ROWS = [
        (0.0, "main", "+", 1.0, "fix"),
        (0.5, "main", "+", 3.0, "USD"),
        (1.0, "main", ">", 1.0, "exercise"),
        (1.0, "exercise", "+", 1.0, "EQ"),
        (1.0, "exercise", "+", -90.0, "USD"),
        (1.5, "main", "half", 10.0, "EQ"),
        (2.0, "main", "+", 1.0, "start"),
        (2.0, "main", "+", 1.0, "gain"),
    ]
    EXPRESSIONS = {
        "fix": {"type": "snapper", "fn": lambda x: [x[0], np.full_like(x[0], 0.5)],
                "inp": ["EQ"], "out": ["start", "half"]},
        "gain": {"type": "phrase", "fn": lambda x: [x[0] - x[1]], "inp": ["EQ", "start"]},
    }

    class CurveModel(StatisticsReceiver):
        """Every path follows the dataset: step factors of the flat 5% curve, EQ at 100."""

        def __init__(self, paths):
            super().__init__()
            self.paths, self.time = paths, 0.0

        def advance(self, t):
            step = np.full(self.paths, math.exp(-0.05 * (t - self.time)))
            self.time = t
            return step

        def get_value(self, name):
            return np.full(self.paths, 100.0) if name == "EQ" else None

    class NoneModel(StatisticsReceiver):
        def advance(self, t):
            return None

        def get_value(self, name):
            return None

    def test_model_leaving_everything_to_the_dataset_prices_as_fixed(self):
        dataset = mc_dataset()
        fixed = _velkor.fixed_price(contract(self.RICH_ROWS), None, dataset, self.EXPRESSIONS)
        assert mc(self.RICH_ROWS, self.NoneModel(), expressions=self.EXPRESSIONS) == fixed

    def test_paths_that_follow_the_dataset_price_as_fixed(self):
        dataset = mc_dataset()
        fixed = _velkor.fixed_price(contract(self.RICH_ROWS), None, dataset, self.EXPRESSIONS)
        model = self.CurveModel(4)
        pv = pv_vec(self.RICH_ROWS, model, expressions=self.EXPRESSIONS)
        # Compounded step factors and exp(-r t) differ only by rounding.
        np.testing.assert_allclose(pv, fixed, rtol=1e-13)

    def test_european_call_converges_to_black_scholes(self):
        spot, strike, rate, vol, expiry, paths = 100.0, 105.0, 0.03, 0.25, 1.5, 100_000
        model = GeometricBrownianMotion({"EQ": spot}, {"EQ": vol}, rate, paths, seed=20240611)
        price = mc(european_call(strike, expiry), model, paths=paths, flags=PV_STATS,
                   dataset=flat_dataset(rate=rate))
        pv = model.stats["PV_VEC"]
        assert pv.shape == (paths,)
        assert price == pytest.approx(pv.mean(), rel=1e-12)
        standard_error = pv.std(ddof=1) / math.sqrt(paths)
        reference = black_scholes_call(spot, strike, rate, vol, expiry)
        # A correct pricer lands within three standard errors for all but 0.3% of seeds.
        assert abs(price - reference) < 3.0 * standard_error
        assert standard_error < 0.01 * reference

    def test_choices_mark_the_paths_that_exercise(self):
        strike, rate, paths = 100.0, 0.02, 1000
        model = GeometricBrownianMotion({"EQ": 100.0}, {"EQ": 0.3}, rate, paths, seed=7)
        mc(european_call(strike, 1.0), model, paths=paths, flags=PV_STATS | CHOICE_STATS,
           dataset=flat_dataset(rate=rate))
        final = model.get_value("EQ")
        choices = model.stats["CHOICES"]
        assert list(choices) == [0] and list(choices[0]) == [0]
        exercised = choices[0][0]
        assert exercised.dtype == np.uint64 and exercised.shape == (paths,)
        np.testing.assert_array_equal(exercised, (final > strike).astype(np.uint64))
        assert 0 < exercised.sum() < paths
        np.testing.assert_allclose(
            model.stats["PV_VEC"], math.exp(-rate) * np.maximum(final - strike, 0.0),
            rtol=1e-12, atol=1e-12,
        )
