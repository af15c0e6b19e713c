"""A Python renderer's round trip on a Moving AI map, today's way against
brondel_bulk: fill a grid, answer the scenario's queries with every cell and
with jump points, read every path's cells, find the corner of each every-cell
path.

- today: `set` on every cell, a `find_path` loop per mode, the cells parsed
  from `str(path)`, `find_corner` on each path;
- bulk: `fill` from bytes, `find_paths` on every CPU per mode (its answers
  carry the cells), `find_corners` on the answers.

Each round runs both ways, one after the other, and checks that they give the
same answers; a step's time is its best over the rounds (the machine is
shared, and others' work only adds time). Two more measures on the same map:
reading the cells of the every-cell paths, `str` parsing against
`path_cells`, and `find_paths` throughput on 1, 2 and every CPU's threads
against a per-call loop that gives the same answers.
"""
import os
import sys
import time

import brondel
import brondel_bulk

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "examples"))
from movingai import read_map, read_scenario  # noqa: E402

STEPS = ("fill", "search_every_cell", "search_jump_points", "read_cells", "corners")
CELL_VALUES = ("\x00", "\x01")


def parse_cells(path):
    """The cells of a path_2d from its text form, as the module's docs show
    (its text is empty for an empty path)."""
    text = str(path)
    return [tuple(map(int, cell.strip("()").split(", "))) for cell in text.split(" > ")] if text else []


def flat(cells):
    return [value for cell in cells for value in cell]


class Workload:
    """A map's cells as bytes and its first queries."""

    def __init__(self, scenario_path, queries):
        scenario = read_scenario(scenario_path, queries)
        grid = read_map(scenario.map_path)
        self.name = os.path.basename(scenario.map_path)[:-len(".map")]
        self.width, self.height = grid.width, grid.height
        self.cells = grid.occupancy()
        self.queries = scenario.queries


def today(work, finder):
    """Today's way with a pathfinder kept from frame to frame, as find_paths
    keeps its own; returns the time marks, the answers and the corners."""
    marks = [time.perf_counter()]
    grid = brondel.projection_map(work.width, work.height)
    cell_set, cells, width = grid.set, work.cells, work.width
    for y in range(work.height):
        row = y * width
        for x in range(width):
            cell_set(x, y, CELL_VALUES[cells[row + x]])
    marks.append(time.perf_counter())
    found = []
    for interpolate in (True, False):
        finder.init(grid, interpolate)
        answers = []
        for x1, y1, x2, y2 in work.queries:
            status = finder.find_path([x1 + 1, y1 + 1, 0], [x2 + 1, y2 + 1, 0])
            answers.append((status, finder.get_path_length(), finder.get_path()))
        found.append(answers)
        marks.append(time.perf_counter())
    read = [[(status, length, parse_cells(path)) for status, length, path in answers] for answers in found]
    marks.append(time.perf_counter())
    corner_finder = brondel.cornerfinder(grid)
    corners = []
    for status, _, path in found[0]:
        corner_finder.find_corner(0, path)
        corners.append(tuple(corner_finder.corner))
    marks.append(time.perf_counter())
    answers = [[(status, length, flat(cells)) for status, length, cells in mode] for mode in read]
    return marks, answers, corners


def bulk(work, threads=0):
    """The same with brondel_bulk."""
    marks = [time.perf_counter()]
    grid = brondel.projection_map(work.width, work.height)
    brondel_bulk.fill(grid, work.cells)
    marks.append(time.perf_counter())
    found = []
    for interpolate in (True, False):
        found.append(brondel_bulk.find_paths(grid, work.queries, interpolate, threads))
        marks.append(time.perf_counter())
    # The answers carry their cells already, as flat arrays of ints.
    read = [[cells for _, _, cells in answers] for answers in found]
    marks.append(time.perf_counter())
    corners = brondel_bulk.find_corners(brondel.cornerfinder(grid), read[0])
    marks.append(time.perf_counter())
    answers = [[(status, length, list(cells)) for status, length, cells in mode] for mode in found]
    return marks, answers, list(zip(corners[0::2], corners[1::2]))


def step_ms(marks):
    times = {step: (marks[at + 1] - marks[at]) * 1e3 for at, step in enumerate(STEPS)}
    times["total"] = (marks[-1] - marks[0]) * 1e3
    return times


def best(rounds):
    return {key: min(times[key] for times in rounds) for key in rounds[0]}


def read_cells_ms(work, rounds):
    """Reading the cells of the every-cell paths: str parsing, path_cells."""
    grid = brondel.projection_map(work.width, work.height)
    brondel_bulk.fill(grid, work.cells)
    finder = brondel.pathfinder()
    finder.init(grid, True)
    paths = []
    for x1, y1, x2, y2 in work.queries:
        finder.find_path([x1 + 1, y1 + 1, 0], [x2 + 1, y2 + 1, 0])
        paths.append(finder.get_path())
    ways = {"str": lambda: [parse_cells(path) for path in paths],
            "path_cells": lambda: [brondel_bulk.path_cells(path) for path in paths]}
    times = {name: [] for name in ways}
    for _ in range(rounds):
        for name, way in ways.items():
            began = time.perf_counter()
            way()
            times[name].append((time.perf_counter() - began) * 1e3)
    if [flat(cells) for cells in ways["str"]()] != [list(cells) for cells in ways["path_cells"]()]:
        raise SystemExit("%s: path_cells differs from the parsed text" % work.name)
    return {name: min(values) for name, values in times.items()}


def loop(grid, queries):
    """The per-call loop that gives find_paths' answers (every cell)."""
    finder = brondel.pathfinder()
    finder.init(grid, True)
    answers = []
    for x1, y1, x2, y2 in queries:
        status = finder.find_path([x1 + 1, y1 + 1, 0], [x2 + 1, y2 + 1, 0])
        answers.append((status, finder.get_path_length(), brondel_bulk.path_cells(finder.get_path())))
    return answers


def thread_counts():
    return sorted({1, 2, os.cpu_count() or 1})


def throughput(work, rounds):
    """Queries a second (every cell) of the loop and of find_paths on each
    thread count, interleaved round by round; the best of each."""
    grid = brondel.projection_map(work.width, work.height)
    brondel_bulk.fill(grid, work.cells)
    ways = {"loop": lambda: loop(grid, work.queries)}
    for count in thread_counts():
        ways[str(count)] = lambda count=count: brondel_bulk.find_paths(grid, work.queries, True, count)
    rates = {name: [] for name in ways}
    reference = None
    for _ in range(rounds):
        for name, way in ways.items():
            began = time.perf_counter()
            answers = way()
            rates[name].append(len(work.queries) / (time.perf_counter() - began))
            answers = [(status, length, list(cells)) for status, length, cells in answers]
            if reference is None:
                reference = answers
            elif answers != reference:
                raise SystemExit("%s: %s answers differ from the per-call loop" % (work.name, name))
    return {name: max(values) for name, values in rates.items()}


def measure(scenario_path, queries, rounds):
    """Every figure of one map, as a dict for the report."""
    work = Workload(scenario_path, queries)
    runs = {"today": [], "bulk": []}
    finder = brondel.pathfinder()
    for _ in range(rounds):
        today_marks, today_answers, today_corners = today(work, finder)
        bulk_marks, bulk_answers, bulk_corners = bulk(work)
        if (bulk_answers, bulk_corners) != (today_answers, today_corners):
            raise SystemExit("%s: brondel_bulk's answers differ from today's way" % work.name)
        runs["today"].append(step_ms(today_marks))
        runs["bulk"].append(step_ms(bulk_marks))
    return {"name": work.name, "width": work.width, "height": work.height,
            "queries": len(work.queries),
            "found": sum(status == 0 for status, _, _ in today_answers[0]),
            "today_ms": best(runs["today"]), "bulk_ms": best(runs["bulk"]),
            "read_cells_ms": read_cells_ms(work, rounds),
            "queries_per_s": throughput(work, rounds)}
