"""find_paths on two threads against one, and one thread against the loop of
brondel calls it stands for, on a shared machine: the three run in turn, and
a round counts only when each run had its cores to itself (process CPU time
at least 0.95 of the wall time for one thread, 1.8 times it for two). A
round in which another program held a core says nothing about the batch.

    PYTHONPATH=build/python bash scripts/python.sh bench/thread_scaling.py [--maps 8room_000,random512-10-0] [--seconds 300]

Prints one line of JSON per map: the ratios' median, min and max over the
rounds that counted, and how many rounds ran.
"""
import argparse
import json
import os
import statistics
import sys
import time

import brondel
import brondel_bulk

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, os.pardir, "examples"))
from batch import answer_in_loop, load  # noqa: E402


def timed(call):
    """(wall seconds, process CPU seconds) of one call."""
    wall, cpu = time.perf_counter(), time.process_time()
    call()
    return time.perf_counter() - wall, time.process_time() - cpu


def scaling(scenario_path, queries=1000, seconds=300.0, rounds=40, interpolate=True):
    """Ratios of queries a second, over the rounds in which each run had its
    cores: two threads / one, one thread / the loop."""
    _, projection, batch = load(scenario_path, queries)
    finder = brondel.pathfinder()
    ways = (lambda: answer_in_loop(finder, projection, batch, interpolate),
            lambda: brondel_bulk.find_paths(projection, batch, interpolate, 1),
            lambda: brondel_bulk.find_paths(projection, batch, interpolate, 2))
    cores = (0.95, 0.95, 1.8)
    counted, ran = [], 0
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and len(counted) < rounds:
        runs = [timed(way) for way in ways]
        ran += 1
        if all(cpu >= share * wall for (wall, cpu), share in zip(runs, cores)):
            (loop, _), (one, _), (two, _) = runs
            counted.append((one / two, loop / one))

    def spread(values):
        return [statistics.median(values), min(values), max(values)] if values else None
    return {"map": os.path.basename(scenario_path)[:-len(".map.scen")], "rounds_counted": len(counted),
            "rounds_run": ran, "two_threads_vs_one": spread([two for two, _ in counted]),
            "one_thread_vs_loop": spread([loop for _, loop in counted])}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--maps", default="8room_000,random512-10-0,AR0011SR")
    parser.add_argument("--queries", type=int, default=1000)
    parser.add_argument("--seconds", type=float, default=300.0, help="at most this long a map")
    args = parser.parse_args()
    for name in args.maps.split(","):
        print(json.dumps(scaling(os.path.join(HERE, "maps", name + ".map.scen"), args.queries, args.seconds)))


if __name__ == "__main__":
    main()
