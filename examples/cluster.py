"""Answers every query of a Moving AI .scen file on a Dask cluster.

The client reads the scenario and its map, sends the map's cells to every
worker once, and hands the queries out in chunks; each chunk is one call of
brondel_bulk.find_paths on a worker. At the end it answers the same queries in
this process and checks that the cluster's answers are equal (exit status 1
if not).

    python3 examples/cluster.py bench/maps/den520d.map.scen --workers 2
    python3 examples/cluster.py SCEN --scheduler tcp://10.1.2.3:8786

Without --scheduler it starts a LocalCluster: worker processes on this
machine, scheduler and workers listening on 127.0.0.1 only, no dashboard.
With --scheduler it uses that running cluster and leaves it running.

What a real cluster needs:
- brondel (both modules, brondel and brondel_bulk) installed on every worker,
  built for the workers' Python;
- the map sent with the work: the workers read no file. The client sends the
  map's cells (bytes, one a cell) with its size, and this module's code goes
  by value, so the workers need not have this file either.
"""
import argparse
import os
import sys
import time

import cloudpickle
import distributed

import brondel
import brondel_bulk

from movingai import MapError, read_map, read_scenario

# The tasks' functions travel with the work, whatever the workers' sys.path.
cloudpickle.register_pickle_by_value(sys.modules[__name__])


class MapCells:
    """A map as it travels to the workers: its size and its cells."""

    def __init__(self, width, height, cells):
        self.width, self.height, self.cells = width, height, cells

    def projection_map(self):
        grid = brondel.projection_map(self.width, self.height)
        brondel_bulk.fill(grid, self.cells)
        return grid


def answer_chunk(map_cells, queries, interpolate, threads):
    """A worker's job: (status, length, cells) for each query, the cells as a
    plain list of ints x0, y0, x1, y1, ..."""
    answers = brondel_bulk.find_paths(map_cells.projection_map(), queries, interpolate, threads)
    return [(status, length, list(cells)) for status, length, cells in answers]


def answer_on_cluster(client, map_cells, queries, interpolate, chunk_size, threads):
    """Every answer, in the order of the queries."""
    # Sent once to every worker, not once per chunk.
    [shared_map] = client.scatter([map_cells], broadcast=True)
    futures = [client.submit(answer_chunk, shared_map, queries[at:at + chunk_size], interpolate, threads,
                             pure=False)
               for at in range(0, len(queries), chunk_size)]
    return [answer for part in client.gather(futures) for answer in part]


def local_cluster(workers):
    """A LocalCluster of `workers` processes of one thread. Everything
    listens on 127.0.0.1 only: the scheduler's and workers' ports, and their
    HTTP servers, which even with no dashboard would otherwise listen on every
    interface (the scheduler's on port 8787)."""
    return distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                    host="127.0.0.1", dashboard_address=None,
                                    scheduler_kwargs={"dashboard_address": "127.0.0.1:0"},
                                    worker_dashboard_address="127.0.0.1:0")


def start_client(scheduler, workers):
    """A client of the cluster at `scheduler`, or of a new local cluster of
    `workers` processes; returns (client, cluster or None)."""
    if scheduler:
        return distributed.Client(scheduler), None
    cluster = local_cluster(workers)
    return distributed.Client(cluster), cluster


def run(scenario_path, scheduler=None, workers=2, limit=None, chunk_size=256, threads=1,
        interpolate=True, out=None):
    """Answers the scenario on the cluster, prints the report (to stdout
    unless `out` is given) and returns the exit status."""
    out = out or sys.stdout
    scenario = read_scenario(scenario_path, limit)
    grid = read_map(scenario.map_path)
    map_cells = MapCells(grid.width, grid.height, grid.occupancy())
    queries = [tuple(query) for query in scenario.queries]
    client, cluster = start_client(scheduler, workers)
    try:
        count = len(client.scheduler_info()["workers"])
        began = time.perf_counter()
        answers = answer_on_cluster(client, map_cells, queries, interpolate, chunk_size, threads)
        seconds = time.perf_counter() - began
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    print("%s: %d queries on %s, in chunks of %d on %d worker%s: %.0f queries/s"
          % (os.path.basename(scenario_path), len(queries), os.path.basename(scenario.map_path),
             chunk_size, count, "" if count == 1 else "s", len(queries) / seconds), file=out)
    local = answer_chunk(map_cells, queries, interpolate, 0)
    found = sum(status == 0 for status, _, _ in local)
    print("found %d, not found %d" % (found, len(local) - found), file=out)
    different = sum(answer != expected for answer, expected in zip(answers, local))
    if different or len(answers) != len(local):
        print("error: %d of the cluster's answers differ from a local run"
              % (different + abs(len(answers) - len(local))), file=out)
        return 1
    print("the cluster's answers equal a local run", file=out)
    return 0


def parse_args(argv):
    parser = argparse.ArgumentParser(
        description="Answer every query of a Moving AI .scen file on a Dask cluster.")
    parser.add_argument("scenario", help="a .scen file; its map is looked up beside it")
    parser.add_argument("--scheduler", metavar="ADDRESS",
                        help="a running cluster's scheduler, such as tcp://10.1.2.3:8786 "
                             "(default: a LocalCluster on this machine, loopback only)")
    parser.add_argument("--workers", type=int, default=2, metavar="N",
                        help="worker processes of the LocalCluster (default: %(default)s)")
    parser.add_argument("--limit", type=int, metavar="Q", help="answer only the first Q queries")
    parser.add_argument("--chunk", type=int, default=256, metavar="C",
                        help="queries in one task (default: %(default)s)")
    parser.add_argument("--threads", type=int, default=1, metavar="T",
                        help="threads of each find_paths call on a worker, 0 for one per CPU "
                             "(default: %(default)s)")
    parser.add_argument("--jump-points", action="store_true",
                        help="paths as jump points (default: every cell)")
    args = parser.parse_args(argv)
    for name in ("workers", "chunk", "limit"):
        if getattr(args, name) is not None and getattr(args, name) < 1:
            parser.error("--%s must be at least 1" % name)
    if args.threads < 0:
        parser.error("--threads must be 0 or more")
    return args


def main(argv=None):
    args = parse_args(argv)
    try:
        return run(args.scenario, args.scheduler, args.workers, args.limit, args.chunk, args.threads,
                   not args.jump_points)
    except (OSError, MapError) as error:
        print("error: %s" % error, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
