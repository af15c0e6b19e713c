"""Answers every query of a Moving AI .scen file with brondel_bulk.find_paths:
the searches run on native threads, without the interpreter lock, each on a
copy of the map taken at the call.

    python examples/batch.py bench/maps/den520d.map.scen [--threads N] [--limit Q] [--jump-points]

It answers the queries three ways and prints the queries per second of each
(the median of three rounds, taken in turn): a loop of brondel calls in this
process (find_path, get_path_length and path_cells per query), find_paths on
one thread, and find_paths on N threads (default: one per CPU). It checks
that the three give the same answers, bit for bit (exit status 1 if not),
and says how much memory find_paths keeps for its next call.
"""
import argparse
import os
import statistics
import sys
import time

import brondel
import brondel_bulk

from movingai import MapError, read_map, read_scenario

ROUNDS = 3


def load(scenario_path, limit=None):
    """The scenario's map as a filled projection_map, and its queries."""
    scenario = read_scenario(scenario_path, limit)
    grid = read_map(scenario.map_path)
    projection = brondel.projection_map(grid.width, grid.height)
    brondel_bulk.fill(projection, grid.occupancy())
    return os.path.basename(scenario.map_path), projection, scenario.queries


def answer_in_loop(finder, projection, queries, interpolate):
    """find_paths' answers, one brondel call after the other. The pathfinder
    is the caller's, kept from call to call as find_paths keeps its own."""
    finder.init(projection, interpolate)
    answers = []
    for x1, y1, x2, y2 in queries:
        status = finder.find_path([x1 + 1, y1 + 1, 0], [x2 + 1, y2 + 1, 0])
        length = finder.get_path_length() if status == 0 else 0.0
        answers.append((status, length, brondel_bulk.path_cells(finder.get_path())))
    return answers


def run(scenario_path, threads, limit=None, interpolate=True, out=None):
    """Answers the queries the three ways and prints the report (to stdout
    unless `out` is given); returns the exit status."""
    out = out or sys.stdout
    map_name, projection, queries = load(scenario_path, limit)
    print("%s: %d queries on %s, %s" % (os.path.basename(scenario_path), len(queries), map_name,
                                        "every cell" if interpolate else "jump points"), file=out)
    finder = brondel.pathfinder()
    ways = {
        "a loop of find_path calls": lambda: answer_in_loop(finder, projection, queries, interpolate),
        "find_paths, 1 thread": lambda: brondel_bulk.find_paths(projection, queries, interpolate, 1),
        "find_paths, %d threads" % threads: lambda: brondel_bulk.find_paths(projection, queries, interpolate,
                                                                             threads),
    }
    seconds = {name: [] for name in ways}
    answers = {}
    for _ in range(ROUNDS):
        for name, way in ways.items():
            began = time.perf_counter()
            answers[name] = way()
            seconds[name].append(time.perf_counter() - began)
    for name in ways:
        print("  %-28s %10.0f queries/s" % (name, len(queries) / statistics.median(seconds[name])), file=out)
    reference = answers["a loop of find_path calls"]
    found = sum(status == 0 for status, _, _ in reference)
    print("found %d, not found %d" % (found, len(reference) - found), file=out)
    print("find_paths kept %.1f MiB for its next call" % (brondel_bulk.release() / 2 ** 20), file=out)
    if any(way_answers != reference for way_answers in answers.values()):
        print("error: the ways' answers differ", file=out)
        return 1
    print("the three ways give the same answers", file=out)
    return 0


def parse_args(argv):
    parser = argparse.ArgumentParser(
        description="Answer every query of a Moving AI .scen file with brondel_bulk.find_paths on threads.")
    parser.add_argument("scenario", help="a .scen file; its map is looked up beside it")
    parser.add_argument("--threads", type=int, default=os.cpu_count() or 1, metavar="N",
                        help="threads of the last way (default: the number of CPUs, %(default)s)")
    parser.add_argument("--limit", type=int, metavar="Q", help="answer only the first Q queries")
    parser.add_argument("--jump-points", action="store_true", help="paths as jump points, not every cell")
    args = parser.parse_args(argv)
    for name in ("threads", "limit"):
        if getattr(args, name) is not None and getattr(args, name) < 1:
            parser.error("--%s must be at least 1" % name)
    return args


def main(argv=None):
    args = parse_args(argv)
    try:
        return run(args.scenario, args.threads, args.limit, not args.jump_points)
    except (OSError, MapError) as error:
        print("error: %s" % error, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
