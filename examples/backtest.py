"""Backtesting with backtest_py: a six-month call on EQ and a cliquet (each month pays the
month's rise of EQ, if any) replayed over a made-up price history that a Python object
serves; the cashflow of every event is printed track by track."""

import bisect

import numpy as np

import _velkor
from contracts import at_years, events, european_option_rows

MONTH = 1.0 / 12.0
STRIKE = 105.0
NOTIONAL = 10.0  # EQ rises the cliquet pays for
CLOSES = [100.0, 103.5, 98.2, 106.1, 111.4, 108.0, 112.7]  # EQ month by month (made up)


class PriceHistory:
    """py_state of backtest_py: get_value answers with the last close at or before the time
    asked for, and set_stat keeps what the engine reports."""

    def __init__(self, closes):
        self.times = [at_years(month * MONTH) for month in range(len(closes))]
        self.closes = closes
        self.stats = {}

    def get_value(self, name, ts):
        if name != "EQ":
            raise KeyError(f"no history for {name}")
        i = bisect.bisect_right(self.times, ts) - 1
        if i < 0:
            raise LookupError(f"no close of {name} before {ts} ms")
        return self.closes[i]

    def set_stat(self, key, value):
        self.stats[key] = value


def cliquet_rows(months):
    """At the start the snapper "fix" records EQ as the snap "start"; at each month end the
    phrase "rise" pays max(EQ - start, 0) per unit, then "fix" records the new level."""
    rows = [(0.0, "cliquet", "+", 1.0, "fix")]
    for month in range(1, months + 1):
        rows.append((month * MONTH, "cliquet", "+", NOTIONAL, "rise"))
        rows.append((month * MONTH, "cliquet", "+", 1.0, "fix"))
    return rows


EXPRESSIONS = {
    "fix": {"type": "snapper", "fn": lambda inputs: [inputs[0]], "inp": ["EQ"], "out": ["start"]},
    "rise": {
        "type": "phrase",
        "fn": lambda inputs: [np.maximum(inputs[0] - inputs[1], 0.0)],
        "inp": ["EQ", "start"],
    },
}


def main():
    rows = cliquet_rows(6) + european_option_rows("call", "EQ", STRIKE, 6 * MONTH)
    rows.sort(key=lambda row: row[0])  # stable: same-time rows keep their order
    contract = events(rows)
    history = PriceHistory(CLOSES)
    _velkor.backtest_py(contract, history, EXPRESSIONS, "USD")

    tracks = contract.column("track").dictionary.to_pylist()
    times = contract.column("time").to_pylist()
    print(f"\nBacktest over made-up EQ closes {CLOSES}: a {STRIKE:g} call expiring after six "
          f"months and a monthly cliquet on {NOTIONAL:g} EQ, cashflows as paid:")
    print(f"  {'track':<10}{'event':>6}  {'date':<12}{'cashflow':>10}")
    for track, batch in sorted(history.stats["CASHFLOW"].items()):
        cashflows = batch.to_pydict()
        for index, value in zip(cashflows["index"], cashflows["value"]):
            date = times[index].date()  # the time column carries no time zone: UTC
            print(f"  {tracks[track]:<10}{index:>6}  {date!s:<12}{value:>10.2f}")
        print(f"  {tracks[track]:<10}{'total':>6}  {'':<12}{sum(cashflows['value']):>10.2f}")


if __name__ == "__main__":
    main()
