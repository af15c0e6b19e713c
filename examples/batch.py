"""Answers every query of a Moving AI .scen file with a pool of processes.

The module holds the interpreter lock for the whole of every call, so one
process answers one query at a time; more queries per second take more
processes. Each worker process builds the map and a pathfinder once, the
first time it is handed a chunk of queries, and keeps them for every later
chunk.

The run answers the queries three ways: in this process alone, then with a
pool of one worker and with a pool of N workers. Each pool answers them
twice: the first pass includes starting the workers and building their maps,
the second shows the pool at work. It prints the queries per second of each,
the outcome counts, and checks that every pass gave exactly the answers of
the single-process run (exit status 1 if not).

answer_chunk() is the whole of a worker's job: a plain module-level function
of picklable arguments and results, so any executor with the interface of
concurrent.futures (submit/map) can run it, on this machine or another one.
"""
import argparse
import collections
import concurrent.futures
import multiprocessing
import os
import sys
import time

import brondel

from movingai import MapError, read_map, read_scenario

FOUND = 0

# found: whether find_path returned 0; length and cells are those of the path
# (0.0 and 0 when none was found).
Answer = collections.namedtuple("Answer", "found length cells")


# The pathfinders of this process by map path, each bound to its map, built
# on first use and kept for the life of the process.
_loaded = {}


def _pathfinder_for(map_path):
    if map_path not in _loaded:
        grid = read_map(map_path)
        projection = grid.to_projection_map()
        finder = brondel.pathfinder()
        # The pathfinder keeps its map alive.
        finder.init(projection, True)
        _loaded[map_path] = finder
    return _loaded[map_path]


def answer_chunk(map_path, queries):
    """Answers a list of queries on the map in map_path; returns a list of
    Answer. Builds the map once per process."""
    finder = _pathfinder_for(map_path)
    answers = []
    for x1, y1, x2, y2 in queries:
        if finder.find_path([x1 + 1, y1 + 1, 0], [x2 + 1, y2 + 1, 0]) == FOUND:
            answers.append(Answer(True, finder.get_path_length(), finder.get_path().length()))
        else:
            answers.append(Answer(False, 0.0, 0))
    return answers


def chunks(queries, size):
    return [queries[at:at + size] for at in range(0, len(queries), size)]


def answer_all(executor, map_path, queries, chunk_size):
    """Answers every query with an executor (concurrent.futures interface);
    the answers come back in the order of the queries."""
    parts = chunks(queries, chunk_size)
    answers = []
    for part in executor.map(answer_chunk, [map_path] * len(parts), parts):
        answers.extend(part)
    return answers


def timed(call):
    began = time.perf_counter()
    result = call()
    return result, time.perf_counter() - began


def run(scenario, workers, limit=None, chunk_size=64, out=None):
    """Runs the three ways and prints the report (to stdout unless `out` is
    given); returns the exit status."""
    out = out or sys.stdout
    read = read_scenario(scenario, limit)
    map_path, queries = read.map_path, read.queries
    print("%s: %d queries on %s" % (os.path.basename(scenario), len(queries),
                                    os.path.basename(map_path)), file=out)
    _pathfinder_for(map_path)
    reference, seconds = timed(lambda: answer_chunk(map_path, queries))
    print("  %-20s %39s %10.0f queries/s" % ("this process alone", "", len(queries) / seconds),
          file=out)
    status = 0
    for count in sorted({1, workers}):
        # Workers are started afresh, not forked from this process (which has
        # the map already), so that each builds its own.
        with concurrent.futures.ProcessPoolExecutor(
                count, mp_context=multiprocessing.get_context("spawn")) as pool:
            passes = [timed(lambda: answer_all(pool, map_path, queries, chunk_size))
                      for _ in range(2)]
        name = "%d worker%s" % (count, "" if count == 1 else "s")
        print("  %-20s first pass %7.3f s (start-up included), then %10.0f queries/s"
              % (name, passes[0][1], len(queries) / passes[1][1]), file=out)
        different = sum(answer != expected for answers, _ in passes
                        for answer, expected in zip(answers, reference))
        if different or any(len(answers) != len(reference) for answers, _ in passes):
            print("error: %d answers of %s differ from the single-process run" % (different, name),
                  file=out)
            status = 1
    found = sum(answer.found for answer in reference)
    print("found %d, not found %d" % (found, len(reference) - found), file=out)
    if status == 0:
        print("every pool's answers equal the single-process run", file=out)
    return status


def parse_args(argv):
    parser = argparse.ArgumentParser(
        description="Answer every query of a Moving AI .scen file with a pool of processes.")
    parser.add_argument("scenario", help="a .scen file; its map is looked up beside it")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1, metavar="N",
                        help="processes of the larger pool (default: the number of CPUs, %(default)s)")
    parser.add_argument("--limit", type=int, metavar="Q", help="answer only the first Q queries")
    parser.add_argument("--chunk", type=int, default=64, metavar="C",
                        help="queries handed to a worker at a time (default: %(default)s)")
    args = parser.parse_args(argv)
    for name in ("workers", "chunk", "limit"):
        if getattr(args, name) is not None and getattr(args, name) < 1:
            parser.error("--%s must be at least 1" % name)
    return args


def main(argv=None):
    args = parse_args(argv)
    try:
        return run(args.scenario, args.workers, args.limit, args.chunk)
    except (OSError, MapError, ValueError) as error:
        print("error: %s" % error, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
