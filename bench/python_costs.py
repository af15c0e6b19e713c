"""Python-side costs of the module: a one-cell find_path call (the binding's
overhead above the native search), a bare method call for scale, and a
renderer's whole round trip on some maps, today's way against brondel_bulk
(bench/pipeline.py).

    PYTHONPATH=build/python bash scripts/python.sh bench/python_costs.py [--json FILE] [--quick]
"""
import argparse
import json
import os
import platform
import time

import brondel

import pipeline

MAPS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "maps")
# 512 x 512 maps with at least 1000 queries; the two-thread target is set on
# 8room_000 and random512-10-0.
PIPELINE_MAPS = ("AR0011SR", "8room_000", "random512-10-0", "maze512-1-0")


def per_call_ns(call, calls, rounds=5):
    """Best of a few rounds, in nanoseconds per call."""
    best = float("inf")
    for _ in range(rounds):
        start = time.perf_counter()
        for _ in range(calls):
            call()
        best = min(best, (time.perf_counter() - start) / calls)
    return best * 1e9


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--json", help="write the figures to this file")
    parser.add_argument("--quick", action="store_true",
                        help="few calls, 50 queries, one round, on AR0011SR: a smoke run")
    parser.add_argument("--maps", help="the pipeline's maps, from bench/maps; the first is its "
                                         "headline (default: %s)" % ",".join(PIPELINE_MAPS))
    parser.add_argument("--queries", type=int, help="the first Q queries of each map's scenario "
                                                    "(default: 1000)")
    parser.add_argument("--rounds", type=int, help="rounds of each measure (default: 7)")
    args = parser.parse_args()
    calls = 2000 if args.quick else 200000
    maps = (args.maps or (PIPELINE_MAPS[0] if args.quick else ",".join(PIPELINE_MAPS))).split(",")
    queries = args.queries or (50 if args.quick else 1000)
    rounds = args.rounds or (1 if args.quick else 7)

    grid = brondel.projection_map(1, 1)
    finder = brondel.pathfinder()
    finder.init(grid, True)
    first, second = [1, 1, 0], [1, 1, 0]
    figures = {
        "find_path_one_cell_ns": per_call_ns(lambda: finder.find_path(first, second), calls),
        "bare_method_ns": per_call_ns(finder.get_path_length, calls),
    }
    for name, value in figures.items():
        print("%s: %.1f" % (name, value))
    measured = []
    for name in maps:
        figures_of_map = pipeline.measure(os.path.join(MAPS, name + ".map.scen"), queries, rounds)
        print("%s: whole pipeline %.0f ms today, %.1f ms in bulk" % (
            name, figures_of_map["today_ms"]["total"], figures_of_map["bulk_ms"]["total"]))
        measured.append(figures_of_map)
    figures["pipeline"] = {"python": platform.python_version(), "rounds": rounds,
                           "cpus": os.cpu_count() or 1, "maps": measured}
    if args.json:
        with open(args.json, "w") as out:
            json.dump(figures, out, indent=2)


if __name__ == "__main__":
    main()
