"""brondel demo: find a path on a Moving AI map and show it.

Loads a map (by default examples/maps/rooms.map), finds a path from a start to
a goal cell with and without straightening, tests whether the two cells see
each other, finds the corner of the path, and shows it all: a text picture in
the terminal and a PNG image, with the path's length, its number of cells and
the time each call took.

Cells on the command line are zero-based (x, y) = (column, row), as in the
.map file and in its .scen files: x to the right, y downwards. Without --from
and --to the demo goes from (7, 7) to (66, 29) on its own map, a route through
doors and around tables, and from the first to the last free cell (row by row)
on any other map.
"""
import argparse
import collections
import os
import statistics
import sys
import time

import brondel

import picture
from movingai import MapError, read_map
from reachability import reach, squeezed_diagonals

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_MAP = os.path.join(HERE, "maps", "rooms.map")
DEFAULT_CELLS = ((7, 7), (66, 29))
DEFAULT_PNG = os.path.join(HERE, os.pardir, "build", "demo.png")
EXPANSION_BUDGET = 5000
FOUND = 0
VISIBLE = 0
# Each call is timed this many times and the median reported.
TIMING_RUNS = 5

Results = collections.namedtuple(
    "Results", "path length jump_points jump_length direct_view corner timings")


class DemoError(Exception):
    """A problem to report to the user in one message, without a traceback."""


def parse_args(argv):
    parser = argparse.ArgumentParser(
        description="Find a path on a Moving AI map with brondel and show it.",
        epilog="Cells are zero-based column,row pairs, as in .map and .scen files.")
    parser.add_argument("--map", default=DEFAULT_MAP, metavar="FILE",
                        help="a Moving AI .map file ('.' and 'G' are free, all else "
                             "occupied; default: %(default)s)")
    parser.add_argument("--from", dest="start", type=parse_cell, metavar="X,Y",
                        help="start cell (default: 7,7 on the default map, else the "
                             "first free cell, row by row)")
    parser.add_argument("--to", dest="goal", type=parse_cell, metavar="X,Y",
                        help="goal cell (default: 66,29 on the default map, else the "
                             "last free cell, row by row)")
    parser.add_argument("--png", default=os.path.normpath(DEFAULT_PNG), metavar="FILE",
                        help="where to write the image (default: %(default)s)")
    parser.add_argument("--no-png", action="store_true", help="write no image")
    parser.add_argument("--columns", type=int, default=96, metavar="N",
                        help="widest text picture, in characters (default: %(default)s)")
    args = parser.parse_args(_attach_cell_values(sys.argv[1:] if argv is None else argv))
    if args.columns < 1:
        parser.error("--columns must be at least 1")
    return args


def _attach_cell_values(argv):
    """Writes "--from -1,3" as "--from=-1,3": argparse takes a value that
    starts with "-" for an option of its own, and would refuse the cell
    before the demo could say that it lies outside the map."""
    attached = []
    for word in argv:
        if attached and attached[-1] in ("--from", "--to") and word.startswith("-") and word[1:2].isdigit():
            attached[-1] += "=" + word
        else:
            attached.append(word)
    return attached


def parse_cell(text):
    try:
        x, y = (int(part) for part in text.split(","))
    except ValueError:
        raise argparse.ArgumentTypeError("expected a cell as X,Y (two whole numbers), got %r"
                                         % text) from None
    return x, y


def load_map(path):
    try:
        return read_map(path)
    except FileNotFoundError:
        raise DemoError("map file not found: %s" % path) from None
    except OSError as error:
        raise DemoError("cannot read the map file %s: %s" % (path, error.strerror)) from None
    except MapError as error:
        raise DemoError("malformed map: %s" % error) from None


def choose_cells(grid, start, goal, map_path):
    """The requested cells, or the default ones for the map."""
    if _same_file(map_path, DEFAULT_MAP):
        start = DEFAULT_CELLS[0] if start is None else start
        goal = DEFAULT_CELLS[1] if goal is None else goal
    if start is None or goal is None:
        free = grid.free_cells()
        if not free:
            raise DemoError("the map %s has no free cell" % grid.name)
        start = free[0] if start is None else start
        goal = free[-1] if goal is None else goal
    for role, (x, y) in (("start", start), ("goal", goal)):
        if not grid.contains(x, y):
            raise DemoError("the %s cell (%d, %d) is outside the map, whose cells run from "
                            "(0, 0) to (%d, %d)" % (role, x, y, grid.width - 1, grid.height - 1))
        if not grid.is_free(x, y):
            raise DemoError("the %s cell (%d, %d) is on an obstacle ('%s')"
                            % (role, x, y, grid.rows[y][x]))
    return start, goal


def _same_file(first, second):
    """Whether two paths name the same file, however they are spelled."""
    try:
        return os.path.samefile(first, second)
    except OSError:
        return False


def search_coordinates(cell):
    """brondel takes one-based three-component coordinates; the third is unused."""
    return [cell[0] + 1, cell[1] + 1, 0]


def path_cells(path):
    """The cells of a brondel.path_2d, read from its text "(x0, y0) > (x1, y1)"."""
    text = str(path)
    if not text:
        return []
    return [tuple(int(v) for v in cell.strip("()").split(", ")) for cell in text.split(" > ")]


def timed(call):
    """Runs call() TIMING_RUNS times; returns its last result and the median
    time in seconds."""
    times = []
    for _ in range(TIMING_RUNS):
        began = time.perf_counter()
        result = call()
        times.append(time.perf_counter() - began)
    return result, statistics.median(times)


def find_path(finder, projection, interpolate, start, goal):
    """Searches in one mode; returns the path (a brondel.path_2d, or None when
    there is none), its length and the median time."""
    finder.init(projection, interpolate)
    status, seconds = timed(lambda: finder.find_path(search_coordinates(start),
                                                     search_coordinates(goal)))
    if status != FOUND:
        return None, None, seconds
    return finder.get_path(), finder.get_path_length(), seconds


def run(projection, start, goal):
    """Runs every service of the module on the map; returns Results, or None
    when no path was found."""
    finder = brondel.pathfinder()
    timings = collections.OrderedDict()
    path, length, timings["find_path, every cell"] = find_path(
        finder, projection, True, start, goal)
    jump_points, jump_length, timings["find_path, jump points"] = find_path(
        finder, projection, False, start, goal)
    if path is None:
        return None
    direct_view, timings["test_direct_view"] = timed(
        lambda: finder.test_direct_view(search_coordinates(start), search_coordinates(goal)))
    corners, timings["cornerfinder(map)"] = timed(lambda: brondel.cornerfinder(projection))
    _, timings["find_corner"] = timed(lambda: corners.find_corner(0, path))
    return Results(path_cells(path), length, path_cells(jump_points), jump_length,
                   direct_view == VISIBLE, tuple(corners.corner), timings)


def explain_no_path(grid, start, goal):
    # find_path(start, goal) searches from the goal to the start, so the goal
    # is where the search begins.
    found, others = reach(grid, goal, start, enough=EXPANSION_BUDGET)
    if found and others >= EXPANSION_BUDGET:
        return ("no path found from %s to %s: a route exists, so the search most likely "
                "stopped at its budget of %d expansions; try cells closer together"
                % (start, goal, EXPANSION_BUDGET))
    # Otherwise the search ran out of cells to try before its budget.
    message = "no path found from %s to %s: no route connects them" % (start, goal)
    if squeezed_diagonals(grid, goal):
        return message + (" that the search can take: it starts at the goal, and from there it "
                          "does not step diagonally between two occupied cells")
    return message + " by the search's moves"


def report(grid, start, goal, results, load_seconds, columns):
    scene = picture.Scene(grid, start, goal, results.path, results.jump_points, results.corner)
    lines, scale = picture.render_text(scene, max_columns=columns)
    print("brondel demo on %s (%d x %d cells), start %s, goal %s"
          % (os.path.basename(grid.name), grid.width, grid.height, start, goal))
    print("\n".join(lines))
    print(picture.legend(scale))
    print()
    print("path with every cell:    %d cells, length %.3f" % (len(results.path), results.length))
    print("path as jump points:     %d jump points, length %.1f"
          % (len(results.jump_points), results.jump_length))
    print("start sees goal:         %s" % ("yes" if results.direct_view else "no"))
    print("corner of the path:      (%d, %d)" % results.corner)
    print("map loaded in %.1f ms; median of %d calls:" % (load_seconds * 1e3, TIMING_RUNS))
    for name, seconds in results.timings.items():
        print("  %-24s %9.1f us" % (name, seconds * 1e6))
    return scene


def write_png(scene, path):
    folder = os.path.dirname(os.path.abspath(path))
    try:
        os.makedirs(folder, exist_ok=True)
        width, height = picture.render_png(scene, path)
    except OSError as error:
        raise DemoError("cannot write the image %s: %s" % (path, error.strerror)) from None
    print("image written to %s (%d x %d pixels)" % (path, width, height))


def main(argv=None):
    args = parse_args(argv)
    try:
        began = time.perf_counter()
        grid = load_map(args.map)
        projection = grid.to_projection_map()
        load_seconds = time.perf_counter() - began
        start, goal = choose_cells(grid, args.start, args.goal, args.map)
        results = run(projection, start, goal)
        if results is None:
            raise DemoError(explain_no_path(grid, start, goal))
        scene = report(grid, start, goal, results, load_seconds, args.columns)
        if not args.no_png:
            write_png(scene, args.png)
    except DemoError as error:
        print("error: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except BrokenPipeError:
        # The reader of the output (head, less) has gone: stop quietly, and
        # keep the interpreter from complaining while it flushes stdout.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        sys.exit(1)
