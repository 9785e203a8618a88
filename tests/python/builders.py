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
