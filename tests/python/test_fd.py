"""The finite-difference pricers: convergence to closed forms, choices on the grid, what the
grid does not value, and the grid settings it refuses."""

import math

import numpy as np
import pytest

import _velkor
from builders import events_table, valid_dataset
from velkor.closed_forms import black_scholes_call, black_scholes_put

PRICING_TS = 1_700_000_000_000  # 2023-11-14T22:13:20Z
YEAR = 31_536_000_000  # milliseconds in 365 days
MODEL_ERROR = "Error during model evaluation, caused by\n"
DATASET_ERROR = "Error while parsing Dataset, caused by\n"


def equity_market(rate, spot):
    """USD at a flat zero rate and EQ with spot `spot` growing at that rate, for five years."""
    return {
        "USD": ("ZERO_RATES", np.array([[0.5, rate], [5.0, rate]])),
        "EQ": ("FORWARDS", np.array([[0.0, spot], [5.0, spot * math.exp(5.0 * rate)]])),
    }


def dataset(assets, n_x, timestep, max_x, flags=0, **sections):
    data = valid_dataset()
    data["ASSETS"] = assets
    data["PRICING_TS"] = PRICING_TS
    data["FD"] = {"N_X": n_x, "MAX_X": max_x, "TIMESTEP": timestep, "FLAGS": flags}
    data.update(sections)
    return data


def black_scholes(n_x, timestep, rate=0.03, spot=100.0, vol=0.2, flags=0):
    # MAX_X = 1.5 in log-spot is 7.5 standard deviations over a year.
    return dataset(equity_market(rate, spot), n_x, timestep, 1.5, flags,
                   BS={"VOL": vol, "ASSET": "EQ"})


def put_events(dates, strike):
    """A put that may be exercised at every date: at each, track "put" offers the value of
    its own track holding strike USD less one EQ (">" keeps the larger)."""
    rows = []
    for j, ts in enumerate(dates):
        exercise = f"exercise{j}"
        rows += [(ts, "put", ">", 1.0, exercise), (ts, exercise, "+", strike, "USD"),
                 (ts, exercise, "+", -1.0, "EQ")]
    return events_table(*map(list, zip(*rows)))


def call_events(expiry, strike):
    """A European call: track 0 chooses at expiry the larger of zero and its "exercise"
    track, which receives one EQ and pays strike USD."""
    return events_table([expiry] * 3, ["call", "exercise", "exercise"], [">", "+", "+"],
                        [1.0, 1.0, -strike], ["exercise", "EQ", "USD"])


def lattice_step(timestep):
    """The walk's step in milliseconds: the timestep in years, truncated."""
    return int(timestep * YEAR)


class Stats:
    def __init__(self):
        self.calls = []

    def set_stat(self, key, value):
        self.calls.append((key, value))


# The walk stops at the first lattice time after the pricing time (here one step after it),
# so the grid prices the option with one step less to run: an error of about theta * timestep,
# theta ~ 5.5 a year for this call, on top of the scheme's own O(dx^2 + dt^2). The tolerance,
# 7.5 * timestep, halves with each refinement.
@pytest.mark.parametrize(
    "n_x, timestep",
    [(25, 0.04), (50, 0.02), (100, 0.01), (200, 0.005), (400, 0.0025)],
    ids=lambda v: str(v),
)
def test_black_scholes_call_converges_to_the_closed_form(n_x, timestep):
    price = _velkor.fd_blackscholes_price(
        call_events(PRICING_TS + YEAR, 105.0), None, black_scholes(n_x, timestep), {})
    assert type(price) is float
    assert abs(price - black_scholes_call(100.0, 105.0, 0.03, 0.2, 1.0)) < 7.5 * timestep


def test_black_scholes_call_is_priced_with_one_step_less_to_run():
    # With the pricing time on the lattice the walk ends one step after it: what remains is
    # the scheme's error, a kink between grid points and Crank-Nicolson's smoothing of it.
    timestep = 0.005
    assert YEAR % lattice_step(timestep) == 0
    price = _velkor.fd_blackscholes_price(
        call_events(PRICING_TS + YEAR, 105.0), None, black_scholes(200, timestep), {})
    remaining = 1.0 - lattice_step(timestep) / YEAR
    assert abs(price - black_scholes_call(100.0, 105.0, 0.03, 0.2, remaining)) < 1e-3


def bermudan_put_tree(spot, strike, rate, vol, expiry, dates, steps_per_date):
    """A Cox-Ross-Rubinstein tree for a put exercisable at `dates` equally spaced dates up to
    expiry: the independent reference for the grid's choices."""
    n = dates * steps_per_date
    dt = expiry / n
    up = math.exp(vol * math.sqrt(dt))
    p = (math.exp(rate * dt) - 1.0 / up) / (up - 1.0 / up)
    discount = math.exp(-rate * dt)
    values = np.maximum(strike - spot * up ** (n - 2.0 * np.arange(n + 1)), 0.0)
    for step in range(n - 1, -1, -1):
        values = discount * (p * values[:-1] + (1.0 - p) * values[1:])
        if step > 0 and step % steps_per_date == 0:
            exercise = strike - spot * up ** (step - 2.0 * np.arange(step + 1))
            values = np.maximum(values, exercise)
    return values[0]


def test_bermudan_put_is_worth_its_early_exercise():
    # Fifty exercise dates over a year, at the money, 5% rates: the tree gives 6.078 against
    # 5.574 for the European put. The grid's own error here is about 0.012 (mostly the one
    # step less to run), so 0.03 separates a working choice from a broken one.
    dates = [PRICING_TS + YEAR * (j + 1) // 50 for j in range(50)]
    data = black_scholes(200, 0.005, rate=0.05)
    bermudan = _velkor.fd_blackscholes_price(put_events(dates, 100.0), None, data, {})
    european = _velkor.fd_blackscholes_price(put_events(dates[-1:], 100.0), None, data, {})
    assert abs(european - black_scholes_put(100.0, 100.0, 0.05, 0.2, 1.0)) < 0.03
    assert bermudan >= european + 0.4
    assert abs(bermudan - bermudan_put_tree(100.0, 100.0, 0.05, 0.2, 1.0, 50, 40)) < 0.03


ZERO_RATES = np.array([[0.5, 0.02], [2.0, 0.03], [5.0, 0.035]])


# A bond paying 1 USD in three years, on the short rate around the curve (a = 0.1,
# sigma = 1%; MAX_X = 0.1 is over six standard deviations of the rate's deviation). It ends
# one step after the pricing time, so it misses the discount of that step, ~ 2% * timestep;
# the tolerance is 2.5% * timestep.
@pytest.mark.parametrize(
    "n_x, timestep",
    [(10, 0.04), (20, 0.02), (40, 0.01), (80, 0.005), (160, 0.0025)],
    ids=lambda v: str(v),
)
def test_hull_white_zero_coupon_bond_tends_to_the_discount_factor(n_x, timestep):
    data = dataset({"USD": ("ZERO_RATES", ZERO_RATES)}, n_x, timestep, 0.1,
                   HW={"MEANREV": 0.1, "VOL": 0.01})
    bond = events_table([PRICING_TS + 3 * YEAR], ["bond"], ["+"], [1.0], ["USD"])
    price = _velkor.fd_hullwhite_price(bond, None, data, {})
    discount = math.exp(-np.interp(3.0, ZERO_RATES[:, 0], ZERO_RATES[:, 0] * ZERO_RATES[:, 1]))
    assert abs(price - discount) < 0.025 * timestep


def test_pv_vec_is_the_whole_grid_at_the_end_of_the_walk():
    stats = Stats()
    price = _velkor.fd_blackscholes_price(call_events(PRICING_TS + YEAR, 105.0), stats,
                                          black_scholes(40, 0.01, flags=1), {})
    [(key, grid)] = stats.calls
    assert key == "PV_VEC"
    assert grid.dtype == np.float64 and grid.shape == (81,)
    assert grid[40] == price
    # Deep in the money at the top of the grid, worthless at the bottom.
    assert grid[0] > grid[40] > grid[80] >= 0.0


def expressions():
    def nothing(*_):
        return []

    return {
        "snapper": {"type": "snapper", "fn": nothing, "inp": [], "out": ["snapped"]},
        "phrase": {"type": "phrase", "fn": nothing, "inp": []},
    }


def event_error(unit, cause):
    return (MODEL_ERROR + "Error at event:\n  #0: track: \"Track(0)\", "
            f"time: Single(2023-11-14T22:13:20Z), op: +, qty: 1, unit: \"{unit}\", caused by \n"
            + cause)


@pytest.mark.parametrize("function", ["fd_blackscholes_price", "fd_hullwhite_price"])
@pytest.mark.parametrize(
    "unit, message",
    [
        ("snapper", event_error("Snapper(snapper)",
                                "Feature Not Implemented: `Snapper in FD: snapper`")),
        ("snapped", event_error("Snap(snapped)", "Feature Not Implemented: `Snap in FD: snapped`")),
        ("phrase", event_error("Phrase(phrase)", "Feature Not Implemented: `Phrase in FD: phrase`")),
    ],
    ids=["snapper", "snap", "phrase"],
)
def test_grid_does_not_value_expressions(function, unit, message):
    events = events_table([PRICING_TS], ["A"], ["+"], [1.0], [unit])
    data = black_scholes(10, 0.01)
    with pytest.raises(RuntimeError) as raised:
        getattr(_velkor, function)(events, None, data, expressions())
    assert str(raised.value) == message


@pytest.mark.parametrize(
    "fd, value, key",
    [
        ({"N_X": 0}, "0", "N_X"),
        ({"TIMESTEP": 0.0}, "0", "TIMESTEP"),
        ({"TIMESTEP": -0.01}, "-0.01", "TIMESTEP"),
        ({"TIMESTEP": float("nan")}, "NaN", "TIMESTEP"),
        # 0.03 ms: the walk moves by whole milliseconds.
        ({"TIMESTEP": 1e-12}, "0.000000000001", "TIMESTEP"),
        # Read in order: a bad N_X is reported before a bad TIMESTEP.
        ({"N_X": 0, "TIMESTEP": 0.0}, "0", "N_X"),
    ],
    ids=["n_x_zero", "timestep_zero", "timestep_negative", "timestep_nan", "timestep_sub_ms",
         "n_x_first"],
)
@pytest.mark.parametrize("function", ["fd_blackscholes_price", "fd_hullwhite_price"])
def test_grid_settings_that_would_not_run_are_refused(function, fd, value, key):
    data = black_scholes(10, 0.01)
    data["FD"].update(fd)
    events = events_table([PRICING_TS + YEAR], ["A"], ["+"], [1.0], ["USD"])
    with pytest.raises(RuntimeError) as raised:
        getattr(_velkor, function)(events, None, data, {})
    assert str(raised.value) == DATASET_ERROR + f"Invalid value '{value}' for key '{key}'"


def test_smallest_timestep_is_one_millisecond():
    events = events_table([PRICING_TS + 5], ["A"], ["+"], [1.0], ["USD"])
    price = _velkor.fd_hullwhite_price(events, None, black_scholes(2, 1.0 / YEAR), {})
    assert price == pytest.approx(1.0)


@pytest.mark.parametrize("function", ["fd_blackscholes_price", "fd_hullwhite_price"])
def test_empty_timetable_is_refused(function):
    events = events_table([], [], [], [], [])
    with pytest.raises(RuntimeError) as raised:
        getattr(_velkor, function)(events, None, black_scholes(10, 0.01), {})
    assert str(raised.value) == MODEL_ERROR + "No events to value: the timetable is empty"


def test_black_scholes_asset_must_have_a_curve():
    data = black_scholes(10, 0.01)
    data["BS"]["ASSET"] = "XYZ"
    events = events_table([PRICING_TS + YEAR], ["A"], ["+"], [1.0], ["USD"])
    with pytest.raises(RuntimeError) as raised:
        _velkor.fd_blackscholes_price(events, None, data, {})
    assert str(raised.value) == (
        MODEL_ERROR + "Asset 'XYZ' not found in snaps, expressions, or in dataset[ASSETS]")


def test_zero_mean_reversion_runs_into_nan():
    data = dataset({"USD": ("ZERO_RATES", ZERO_RATES)}, 10, 0.01, 0.1,
                   HW={"MEANREV": 0.0, "VOL": 0.01})
    bond = events_table([PRICING_TS + YEAR], ["bond"], ["+"], [1.0], ["USD"])
    assert math.isnan(_velkor.fd_hullwhite_price(bond, None, data, {}))


def test_zero_volatility_prices_the_discounted_forward_payoff():
    # No diffusion: the call is worth its discounted intrinsic value on the forward, up to
    # the scheme's smoothing of the kink (a few cents on this grid).
    price = _velkor.fd_blackscholes_price(
        call_events(PRICING_TS + YEAR, 95.0), None, black_scholes(200, 0.005, vol=0.0), {})
    assert abs(price - black_scholes_call(100.0, 95.0, 0.03, 0.0, 1.0)) < 0.05
