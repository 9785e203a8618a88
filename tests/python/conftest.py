import pytest

from builders import events_table


@pytest.fixture
def events_rb():
    """One valid event: 100 units of USD paid on track A."""
    return events_table([1_700_000_000_000], ["A"], ["+"], [100.0], ["USD"])
