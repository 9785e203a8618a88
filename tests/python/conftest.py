import pyarrow as pa
import pytest


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


@pytest.fixture
def events_rb():
    """One valid event: 100 units of USD paid on track A."""
    return events_table([1_700_000_000_000], ["A"], ["+"], [100.0], ["USD"])
