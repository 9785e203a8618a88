"""Builders of event batches and datasets shared by the Python tests."""

import numpy as np
import pyarrow as pa


def dictionary_column(keys, values):
    """A dictionary column with int64 indices, as the event table requires."""
    return pa.DictionaryArray.from_arrays(pa.array(keys, pa.int64()), pa.array(values, pa.string()))


def events_table(times, tracks, ops, quantities, units):
    """An event batch from per-row values; each text column becomes a dictionary of its
    distinct values in order of first appearance (None stays a null index)."""

    def encode(texts):
        values = list(dict.fromkeys(t for t in texts if t is not None))
        keys = [None if t is None else values.index(t) for t in texts]
        return dictionary_column(keys, values)

    return pa.RecordBatch.from_arrays(
        [
            pa.array(times, pa.timestamp("ms")),
            encode(tracks),
            encode(ops),
            pa.array(quantities, pa.float64()),
            encode(units),
        ],
        names=["time", "track", "op", "quantity", "unit"],
    )


def valid_dataset():
    """A dataset every pricing function reads without complaint."""
    return {
        "BASE": "USD",
        "ASSETS": {
            "USD": ("ZERO_RATES", np.array([[0.5, 0.02], [2.0, 0.03]])),
            "EQ": ("FORWARDS", np.array([[1.0, 100.0], [2.0, 105.0]])),
        },
        "PRICING_TS": 1_690_000_000_000,
        "MC": {"PATHS": 10, "SEED": 7, "FLAGS": 1},
        "FD": {"N_X": 50, "MAX_X": 3.0, "TIMESTEP": 0.01, "FLAGS": 2},
        "HW": {"MEANREV": 0.1, "VOL": 0.01},
        "BS": {"VOL": 0.2, "ASSET": "EQ"},
        "FIXED": {"FLAGS": 8},
    }


PRICING_TS = 1_700_000_000_000
MS_PER_YEAR = 31_536_000_000


def at_years(years, pricing_ts=PRICING_TS):
    """The time stamp `years` (365-day years) after the pricing time, in milliseconds."""
    return pricing_ts + round(years * MS_PER_YEAR)


def contract(rows, track_names=None):
    """An event batch from rows (years after PRICING_TS or None, track, op, quantity, unit).
    `track_names` fixes the track dictionary (its first entry is the priced track); by
    default the tracks are listed in order of first appearance."""
    times = [None if r[0] is None else at_years(r[0]) for r in rows]
    columns = [[r[k] for r in rows] for k in range(1, 5)]
    batch = events_table(times, *columns)
    if track_names is None:
        return batch
    tracks = [r[1] for r in rows]
    keys = [None if t is None else track_names.index(t) for t in tracks]
    columns = batch.columns
    columns[1] = dictionary_column(keys, track_names)
    return pa.RecordBatch.from_arrays(columns, names=batch.schema.names)


def flat_dataset(rate=0.0, assets=None, flags=0):
    """Base currency USD with a flat zero rate from 0 to 30 years, extra FORWARDS curves
    {name: [(years, forward), ...]}, and the FIXED flags."""
    curves = {"USD": ("ZERO_RATES", np.array([[0.0, rate], [30.0, rate]]))}
    for name, points in (assets or {}).items():
        curves[name] = ("FORWARDS", np.array(points, dtype=np.float64))
    return {"BASE": "USD", "ASSETS": curves, "PRICING_TS": PRICING_TS, "FIXED": {"FLAGS": flags}}


def reaches_valuation(run):
    """Runs a call whose arguments, timetable and dataset are valid: it returns, or fails in
    the valuation itself, never while reading its inputs. Engines not yet built end in
    NotImplementedError."""
    try:
        return run()
    except NotImplementedError:
        pass
    except RuntimeError as error:
        assert str(error).startswith("Error during model evaluation, caused by\n"), str(error)
