"""Python-side costs of the module: a one-cell find_path call (the binding's
overhead above the native search), a bare method call for scale, and filling a
512 x 512 map cell by cell with set.

    PYTHONPATH=build/python python3.8 bench/python_costs.py [--json FILE] [--quick]
"""
import argparse
import json
import time

import brondel


def per_call_ns(call, calls, rounds=5):
    """Best of a few rounds, in nanoseconds per call."""
    best = float("inf")
    for _ in range(rounds):
        start = time.perf_counter()
        for _ in range(calls):
            call()
        best = min(best, (time.perf_counter() - start) / calls)
    return best * 1e9


def fill_ms(size, rounds):
    best = float("inf")
    for _ in range(rounds):
        grid = brondel.projection_map(size, size)
        cell_set = grid.set
        start = time.perf_counter()
        for y in range(size):
            for x in range(size):
                cell_set(x, y, "\x01")
        best = min(best, time.perf_counter() - start)
    return best * 1e3


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--json", help="write the figures to this file")
    parser.add_argument("--quick", action="store_true", help="few calls, for a smoke run")
    args = parser.parse_args()
    calls = 2000 if args.quick else 200000

    grid = brondel.projection_map(1, 1)
    finder = brondel.pathfinder()
    finder.init(grid, True)
    first, second = [1, 1, 0], [1, 1, 0]
    figures = {
        "find_path_one_cell_ns": per_call_ns(lambda: finder.find_path(first, second), calls),
        "bare_method_ns": per_call_ns(finder.get_path_length, calls),
        "fill_512_ms": fill_ms(512, 1 if args.quick else 3),
    }
    for name, value in figures.items():
        print("%s: %.1f" % (name, value))
    if args.json:
        with open(args.json, "w") as out:
            json.dump(figures, out, indent=2)


if __name__ == "__main__":
    main()
