"""Building blocks for the examples: event batches from readable rows, curves, datasets."""

import numpy as np
import pyarrow as pa

PRICING_TS = 1_735_689_600_000  # 2025-01-01T00:00:00Z, milliseconds since 1970
MS_PER_YEAR = 31_536_000_000  # the engine's year: 365 days


def at_years(years):
    """The time stamp `years` after the pricing time."""
    return PRICING_TS + round(years * MS_PER_YEAR)


def _dictionary(texts):
    values = list(dict.fromkeys(texts))
    indices = pa.array([values.index(t) for t in texts], pa.int64())
    return pa.DictionaryArray.from_arrays(indices, pa.array(values))


def events(rows):
    """An event batch from rows (years, track, op, quantity, unit), in time order. Tracks are
    numbered in order of first appearance: the first row's track is the one priced."""
    times, tracks, ops, quantities, units = zip(*rows)
    return pa.RecordBatch.from_arrays(
        [
            pa.array([at_years(t) for t in times], pa.timestamp("ms")),
            _dictionary(tracks),
            _dictionary(ops),
            pa.array(quantities, pa.float64()),
            _dictionary(units),
        ],
        names=["time", "track", "op", "quantity", "unit"],
    )


def european_option_rows(kind, asset, strike, expiry, track="option", exercise="exercise"):
    """At expiry the holder takes (">") the exercise track when it is worth more than what
    the option track holds later (nothing, for a European): a call receives the asset and
    pays the strike, a put the other way round."""
    sign = 1.0 if kind == "call" else -1.0
    return [
        (expiry, track, ">", 1.0, exercise),
        (expiry, exercise, "+", sign, asset),
        (expiry, exercise, "+", -sign * strike, "USD"),
    ]


def zero_rates(rate, until=30.0):
    """A flat continuously compounded zero-rate curve from time 0."""
    return ("ZERO_RATES", np.array([[0.0, rate], [until, rate]]))


def growing_forwards(spot, rate, until=30.0):
    """Forwards of an asset worth `spot` today that grows at `rate` (log-linear)."""
    return ("FORWARDS", np.array([[0.0, spot], [until, spot * np.exp(rate * until)]]))
