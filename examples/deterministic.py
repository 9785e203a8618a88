"""fixed_price: a bond, a forward and a choice between two legs, each beside its closed form."""

import math

import _velkor
from contracts import PRICING_TS, events, growing_forwards, zero_rates

RATE = 0.04


def dataset():
    return {
        "BASE": "USD",
        "ASSETS": {"USD": zero_rates(RATE), "EQ": growing_forwards(100.0, 0.01)},
        "PRICING_TS": PRICING_TS,
    }


def show(label, price, reference):
    print(f"  {label:<44}{price:12.6f}   closed form {reference:12.6f}")


def main():
    print("\nDeterministic pricing (fixed_price), USD flat at 4%, EQ forwards growing 1% a year:")
    # A 5-year bond: 3% annual coupons, then the notional.
    rows = [(float(y), "bond", "+", 3.0, "USD") for y in range(1, 6)]
    rows.append((5.0, "bond", "+", 100.0, "USD"))
    bond = _velkor.fixed_price(events(rows), None, dataset(), {})
    show("5y 3% bond on 100", bond,
         sum(3.0 * math.exp(-RATE * y) for y in range(1, 6)) + 100.0 * math.exp(-5 * RATE))

    # Buy one EQ forward for 102 in two years.
    rows = [(2.0, "forward", "+", 1.0, "EQ"), (2.0, "forward", "+", -102.0, "USD")]
    forward = _velkor.fixed_price(events(rows), None, dataset(), {})
    show("2y forward on EQ struck at 102", forward,
         (100.0 * math.exp(0.02) - 102.0) * math.exp(-2 * RATE))

    # In one year the holder picks the better of one EQ or 101.5 USD: the cash leg is
    # the default (+), the equity leg a choice (>) against it.
    rows = [
        (1.0, "holder", ">", 1.0, "equity_leg"),
        (1.0, "holder", "+", 1.0, "cash_leg"),
        (1.0, "equity_leg", "+", 1.0, "EQ"),
        (1.0, "cash_leg", "+", 101.5, "USD"),
    ]
    choice = _velkor.fixed_price(events(rows), None, dataset(), {})
    show("1y choice: one EQ or 101.5 USD", choice,
         max(100.0 * math.exp(0.01), 101.5) * math.exp(-RATE))


if __name__ == "__main__":
    main()
