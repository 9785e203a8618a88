"""Velkor's worked example: one contract per engine, each beside an independent reference.

Run it with scripts/example.sh (which builds and installs Velkor first)."""

import backtest
import deterministic
import finite_difference
import monte_carlo


def main():
    deterministic.main()
    monte_carlo.main()
    finite_difference.main()
    backtest.main()


if __name__ == "__main__":
    main()
