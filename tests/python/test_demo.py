"""The demo and its helpers: the Moving AI map reader, the pictures, the PNG
writer, and the demo's results and error messages."""
import contextlib
import io
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

REPO = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir)
EXAMPLES = os.path.join(REPO, "examples")
sys.path.insert(0, EXAMPLES)
# Scenario folders: the benchmark's and, where the shared data sits beside the
# repository, its copy of the published set.
SCENARIO_FOLDERS = [os.path.join(REPO, "bench", "maps"),
                    os.path.join(REPO, os.pardir, "shared", "data", "movingai")]

import brondel  # noqa: E402
import bitmap_font  # noqa: E402
import demo  # noqa: E402
import picture  # noqa: E402
from movingai import MapError, Query, parse_map, read_map, read_scenario  # noqa: E402
from png_writer import Canvas  # noqa: E402
from reachability import reach, squeezed_diagonals  # noqa: E402


def map_lines(rows):
    return ["type octile", "height %d" % len(rows), "width %d" % len(rows[0]), "map"] + rows


def read_png(data):
    """(width, height, rows of RGB bytes) of an unfiltered 8-bit RGB PNG,
    checking the signature and every chunk's checksum."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    chunks, at = {}, 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        assert crc == zlib.crc32(kind + body) & 0xFFFFFFFF, kind
        chunks[kind] = chunks.get(kind, b"") + body
        at += 12 + length
    width, height = struct.unpack(">II", chunks[b"IHDR"][:8])
    raw = zlib.decompress(chunks[b"IDAT"])
    stride = 1 + 3 * width
    assert len(raw) == height * stride and b"IEND" in chunks
    return width, height, [raw[y * stride + 1:(y + 1) * stride] for y in range(height)]


class MapReaderTest(unittest.TestCase):
    def test_free_and_occupied_cells(self):
        grid = parse_map(map_lines([".G@T", "SW.O"]))
        self.assertEqual((grid.width, grid.height), (4, 2))
        self.assertEqual([(x, y) for y in range(2) for x in range(4) if grid.is_free(x, y)],
                         [(0, 0), (1, 0), (2, 1)])
        self.assertFalse(grid.is_free(4, 0))
        self.assertFalse(grid.is_free(-1, 0))
        self.assertEqual(grid.free_cells(), [(0, 0), (1, 0), (2, 1)])
        self.assertEqual(grid.occupancy(), bytes([0, 0, 1, 1, 1, 1, 0, 1]))
        # projection_map prints its highest row first.
        self.assertEqual(str(grid.to_projection_map()), "1 1 0 1\n0 0 1 1\n")

    def test_windows_line_ends_and_trailing_blank_line(self):
        grid = parse_map("type octile\r\nheight 1\r\nwidth 2\r\nmap\r\n.@\r\n\r\n".splitlines())
        self.assertEqual(grid.rows, [".@"])

    def test_malformed_maps(self):
        cases = [
            ([], "first line should be 'type octile'"),
            (["# a readme", "text"], "first line should be 'type octile'"),
            (["type octile", "height 1", "width 1"], "closing 'map' line"),
            (["type octile", "height 1", "map", "."], "no 'width' line"),
            (["type octile", "height 1", "width x", "map", "."], "width must be a whole number"),
            (["type octile", "height 0", "width 1", "map"], "height must be a whole number"),
            (["type octile", "height one too many", "width 1", "map"], "line 2"),
            (map_lines(["..", "."]), "row 1 (line 6) has 1 cells"),
            (map_lines([".."])[:-1], "promises 1 rows, the file has 0"),
            (map_lines([".."]) + [".."], "more rows than the 1"),
        ]
        for lines, message in cases:
            with self.subTest(lines=lines):
                with self.assertRaises(MapError) as caught:
                    parse_map(lines, name="x.map")
                self.assertIn(message, str(caught.exception))
                self.assertTrue(str(caught.exception).startswith("x.map: "))


class ScenarioReaderTest(unittest.TestCase):
    def write(self, text):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        path = os.path.join(folder.name, "x.map.scen")
        with open(path, "w") as target:
            target.write(text)
        return path

    def test_every_shipped_scenario_is_read(self):
        paths = [os.path.join(folder, name) for folder in SCENARIO_FOLDERS if os.path.isdir(folder)
                 for name in sorted(os.listdir(folder)) if name.endswith(".scen")]
        self.assertGreaterEqual(len(paths), 9)
        for path in paths:
            with self.subTest(scenario=path):
                scenario = read_scenario(path)
                with open(path) as source:
                    lines = [line.split() for line in source.read().splitlines()[1:] if line.strip()]
                self.assertEqual(len(scenario.queries), len(lines))
                grid = read_map(scenario.map_path)
                # Every line names this map's size, and every query lies on it.
                self.assertEqual({(int(w), int(h)) for w, h in (line[2:4] for line in lines)},
                                 {(grid.width, grid.height)})
                self.assertEqual(list(scenario.queries[-1]), [int(v) for v in lines[-1][4:8]])
                self.assertTrue(all(grid.contains(q.x1, q.y1) and grid.contains(q.x2, q.y2)
                                    for q in scenario.queries))
                self.assertEqual(len(read_scenario(path, limit=5).queries), 5)

    def test_tabs_or_spaces(self):
        line = "0 m.map 8 8 1 2 3 4 5.5"
        for text in ("version 1\n" + line.replace(" ", "\t") + "\n",
                     "version 1.0\n\n" + line + "\r\n",
                     "version 1\n0\tmy m.map\t8\t8\t1\t2\t3\t4\t5.5\n"):
            with self.subTest(text=text):
                self.assertEqual(read_scenario(self.write(text)).queries, [Query(1, 2, 3, 4)])

    def test_malformed_scenarios(self):
        cases = [("", "not a Moving AI scenario"),
                 ("type octile\n", "not a Moving AI scenario"),
                 ("version 1\n\n", "no queries"),
                 ("version 1\n0\tm.map\t1\t1\t0\t0\t0\n", "line 2: expected 9 fields"),
                 ("version 1\n0 m.map 8 8 1 -2 3 4 5\n", "line 2: expected 9 fields"),
                 ("version 1\n0 m.map 8 8 1 2 3 4 5\n0 m.map 8 8 1 x 3 4 5\n", "line 3")]
        for text, message in cases:
            with self.subTest(text=text):
                with self.assertRaises(MapError) as caught:
                    read_scenario(self.write(text))
                self.assertIn(message, str(caught.exception))


class PictureTest(unittest.TestCase):
    def test_png_round_trip(self):
        canvas = Canvas(5, 3, (255, 255, 255))
        canvas.fill_rect(3, 1, 9, 9, (1, 2, 3))  # clipped at the edges
        width, height, rows = read_png(canvas.png_bytes())
        self.assertEqual((width, height), (5, 3))
        self.assertEqual(rows[0], b"\xff" * 15)
        self.assertEqual(rows[2], b"\xff" * 9 + b"\x01\x02\x03" * 2)

    def test_text_marks_one_cell_per_character(self):
        grid = parse_map(map_lines(["....", ".@@.", "...."]))
        scene = picture.Scene(grid, (0, 0), (3, 2), path=[(0, 0), (1, 0), (2, 0), (3, 1), (3, 2)],
                              jump_points=[(0, 0), (2, 0), (3, 2)], corner=(1, 0))
        lines, scale = picture.render_text(scene)
        self.assertEqual(scale, (1, 1))
        self.assertEqual(lines, ["SCo ", " ##*", "   G"])
        self.assertIn("# occupied", picture.legend(scale))

    def test_large_map_is_shrunk_keeping_its_shape(self):
        self.assertEqual(picture.text_scale(512, 512, 96, 48), (6, 12))
        self.assertEqual(picture.text_scale(100, 1000, 96, 48), (11, 22))
        self.assertEqual(picture.text_scale(96, 48, 96, 48), (1, 1))
        grid = parse_map(map_lines(["@@@@....", "@@@@...@", "........", "........"]))
        scene = picture.Scene(grid, (4, 3), (5, 3))
        lines, scale = picture.render_text(scene, max_columns=4, max_rows=2)
        self.assertEqual(scale, (2, 4))
        # Blocks of 2 x 4 cells: half occupied '+', one in eight '.'; the
        # start hides the goal in the same block.
        self.assertEqual(lines, ["++S."])

    def test_png_of_a_scene(self):
        grid = parse_map(map_lines(["..", "@."]))
        scene = picture.Scene(grid, (0, 0), (1, 1), path=[(0, 0), (1, 0), (1, 1)])
        with tempfile.TemporaryDirectory() as folder:
            target = os.path.join(folder, "scene.png")
            size = picture.render_png(scene, target)
            with open(target, "rb") as image:
                width, height, rows = read_png(image.read())
        scale = picture.png_scale(2, 2)
        self.assertEqual(size, (width, height))
        # The map at the top left, the key below it and as wide as it needs.
        self.assertGreater(width, 2 * scale)
        self.assertGreater(height, 2 * scale)
        pixel = rows[2 * scale - 1][:3]  # bottom-left cell: occupied
        self.assertEqual(tuple(pixel), picture.BLOCKED_COLOR)
        top_right = 3 * (2 * scale - 1)  # the edge of a path cell, beside the map's margin
        self.assertEqual(tuple(rows[0][top_right:top_right + 3]), COLORS["path"])
        self.assertEqual(tuple(rows[0][top_right + 3:top_right + 6]), picture.MARGIN_COLOR)

    def test_the_key_names_what_the_picture_shows(self):
        grid = parse_map(map_lines(["....", ".@@.", "...."]))
        jump_points = [(0, 2), (0, 0), (3, 0)]
        scene = picture.Scene(grid, (0, 2), (3, 0), path=[(0, 2), (1, 1), (2, 0), (3, 0)],
                              jump_points=jump_points, corner=(0, 1))
        canvas = picture.draw_png(scene)
        scale = picture.png_scale(4, 3)
        key = colors_in(canvas, 0, 3 * scale, canvas.width, canvas.height)
        for name in ("start", "goal", "corner", "jump point", "path"):
            self.assertIn(COLORS[name], key, name)
        self.assertIn(picture.BLOCKED_COLOR, key)
        self.assertIn(picture.TEXT_COLOR, key)
        # Each entry's label, in the key's order.
        labels = [label for _, label in picture._key_entries(scene)]
        self.assertEqual(labels, ["start", "goal", "corner of the path",
                                  "jump points and their route (interpolate off)",
                                  "path listing every cell (interpolate on)", "occupied"])
        # The route of the jump points runs between them, over the free
        # cells the other path does not use: up the left column, beside the
        # corner's marker, and along the top row.
        self.assertEqual(pixel_at(canvas, scale // 2, scale + 2), COLORS["jump point"])
        self.assertEqual(pixel_at(canvas, scale * 3 // 2, scale // 2), COLORS["jump point"])
        # A scene without a path keys only what it shows.
        bare = picture.Scene(grid, (0, 0), (3, 2))
        self.assertEqual([kind for kind, _ in picture._key_entries(bare)], ["start", "goal", "occupied"])

    def test_key_rows_wrap_to_the_picture(self):
        entries = [("start", "start"), ("goal", "goal"), ("occupied", "occupied")]
        wide = picture._key_rows(entries, 1000)
        self.assertEqual(len(wide), 1)
        narrow = picture._key_rows(entries, 100)
        self.assertEqual([[entry for _, entry in row] for row in narrow], [[e] for e in entries])
        self.assertTrue(all(left == picture.SPACING for row in narrow for left, _ in row))

    def test_font_and_lines(self):
        canvas = Canvas(20, 12, (255, 255, 255))
        bitmap_font.draw_text(canvas, 1, 1, "-", (0, 0, 0), scale=2)
        # The dash is the fourth row of the glyph, all five pixels.
        self.assertEqual(colors_in(canvas, 0, 0, 20, 7), {(255, 255, 255)})
        self.assertEqual([pixel_at(canvas, x, 7) for x in (0, 1, 10, 11)],
                         [(255, 255, 255), (0, 0, 0), (0, 0, 0), (255, 255, 255)])
        self.assertEqual(bitmap_font.text_width("ab", 2), 22)
        with self.assertRaises(ValueError):
            bitmap_font.draw_text(canvas, 0, 0, "A", (0, 0, 0))
        for char, rows in bitmap_font.GLYPHS.items():
            with self.subTest(char=char):
                rows = rows.split()
                self.assertIn(len(rows), (7, bitmap_font.GLYPH_HEIGHT))
                self.assertTrue(all(len(row) == bitmap_font.GLYPH_WIDTH for row in rows))
        line = Canvas(6, 4, (255, 255, 255))
        line.draw_line(0, 0, 5, 3, (1, 1, 1))
        self.assertEqual([(x, y) for y in range(4) for x in range(6) if pixel_at(line, x, y) != (255, 255, 255)],
                         [(0, 0), (1, 1), (2, 1), (3, 2), (4, 2), (5, 3)])


COLORS = {name: color for name, _, color in picture.MARKERS}


def pixel_at(canvas, x, y):
    at = (y * canvas.width + x) * 3
    return tuple(canvas.pixels[at:at + 3])


def colors_in(canvas, left, top, right, bottom):
    return {pixel_at(canvas, x, y) for y in range(top, bottom) for x in range(left, right)}


def run_demo(*args):
    """Runs the demo's main(); returns its exit code, output and error text."""
    out, err = io.StringIO(), io.StringIO()
    with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
        code = demo.main(list(args) + ["--no-png"])
    return code, out.getvalue(), err.getvalue()


class DemoTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def write_map(self, name, rows):
        path = os.path.join(self.folder.name, name)
        with open(path, "w") as target:
            target.write("\n".join(map_lines(rows)) + "\n")
        return path

    def test_default_run_prints_and_writes_the_picture(self):
        target = os.path.join(self.folder.name, "out", "demo.png")
        done = subprocess.run([sys.executable, os.path.join(EXAMPLES, "demo.py"), "--png", target],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              universal_newlines=True, timeout=120)
        self.assertEqual((done.returncode, done.stderr), (0, ""))
        for text in ("rooms.map (73 x 37 cells), start (7, 7), goal (66, 29)",
                     "S start", "path with every cell:", "path as jump points:",
                     "start sees goal:", "corner of the path:", "find_corner", "image written to"):
            self.assertIn(text, done.stdout)
        with open(target, "rb") as image:
            width, height, _ = read_png(image.read())
        scale = picture.png_scale(73, 37)
        self.assertEqual(width, 73 * scale)
        self.assertGreater(height, 37 * scale)

    def test_results_of_a_small_map(self):
        path = self.write_map("small.map", [".....", ".@@@.", "....."])
        code, out, err = run_demo("--map", path, "--from", "0,2", "--to", "4,0")
        self.assertEqual((code, err), (0, ""))
        lines = out.splitlines()
        # Up the left side, then diagonally past the wall's end, whose
        # neighbour (0, 1) is the corner.
        self.assertEqual(lines[1:4], [" o**G", "C### ", "S    "])
        for text in ("path with every cell:    6 cells, length 5.414",
                     "path as jump points:     4 jump points, length 5.4",
                     "start sees goal:         no",
                     "corner of the path:      (0, 1)"):
            self.assertIn(text, lines)
        code, out, _ = run_demo("--map", path, "--from", "0,0", "--to", "4,0")
        self.assertIn("start sees goal:         yes", out.splitlines())

    def test_errors_are_one_line_messages(self):
        walled = self.write_map("walled.map", ["..@..", "..@..", "..@.."])
        cases = [
            (["--map", os.path.join(self.folder.name, "missing.map")], "map file not found: "),
            (["--map", os.path.join(EXAMPLES, "demo.py")], "malformed map: "),
            (["--from", "73,0"], "the start cell (73, 0) is outside the map"),
            (["--to", "1,-1"], "the goal cell (1, -1) is outside the map"),
            # A value starting with "-" is still a cell, not an option.
            (["--from", "-1,3"], "the start cell (-1, 3) is outside the map"),
            (["--to", "-1,-3"], "the goal cell (-1, -3) is outside the map"),
            (["--from", "0,0"], "the start cell (0, 0) is on an obstacle ('@')"),
            # Without --from and --to: the first and last free cells.
            (["--map", walled], "from (0, 0) to (4, 2): no route connects them"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                code, out, err = run_demo(*args)
                self.assertEqual(code, 1)
                self.assertTrue(err.startswith("error: ") and message in err, err)
                self.assertEqual(err.count("\n"), 1)

    def test_a_start_boxed_at_its_corners_has_no_route(self):
        # The search starts at the demo's goal and may not leave it between
        # two occupied cells; the default cells are (0, 0) and (1, 1).
        boxed = self.write_map("boxed.map", [".@", "@."])
        for args in ([], ["--from", "1,1", "--to", "0,0"]):
            with self.subTest(args=args):
                code, _, err = run_demo("--map", boxed, *args)
                self.assertEqual(code, 1)
                self.assertIn("no route connects them that the search can take", err)
                self.assertNotIn("budget", err)

    def test_only_the_search_start_may_not_squeeze(self):
        # From (0, 0) a diagonal run slips between (2, 1) and (1, 2) to (2, 2);
        # from (2, 2), where the search then starts, it may not.
        squeeze = self.write_map("squeeze.map", ["...", "..@", ".@."])
        code, out, err = run_demo("--map", squeeze, "--from", "2,2", "--to", "0,0")
        self.assertEqual((code, err), (0, ""))
        self.assertIn("path with every cell:    3 cells, length 2.828", out.splitlines())
        code, _, err = run_demo("--map", squeeze, "--from", "0,0", "--to", "2,2")
        self.assertEqual(code, 1)
        self.assertIn("from (0, 0) to (2, 2): no route connects them that the search can take", err)

    def test_a_cell_boxed_in_a_large_map(self):
        # (50, 50) has its four straight neighbours occupied. A diagonal run
        # from (0, 0) slips in; one from (3, 0) does not, and although the
        # search could try more cells than its budget, no route is left.
        rows = [["."] * 100 for _ in range(100)]
        for x, y in ((51, 50), (49, 50), (50, 51), (50, 49)):
            rows[y][x] = "@"
        plus = self.write_map("plus.map", ["".join(row) for row in rows])
        code, out, err = run_demo("--map", plus, "--from", "50,50", "--to", "0,0")
        self.assertEqual((code, err), (0, ""))
        cases = [("0,0", "50,50", "that the search can take: it starts at the goal"),
                 ("50,50", "3,0", "by the search's moves")]
        for start, goal, message in cases:
            with self.subTest(start=start, goal=goal):
                code, _, err = run_demo("--map", plus, "--from", start, "--to", goal)
                self.assertEqual(code, 1)
                self.assertIn("no route connects them " + message, err)

    def test_default_cells_follow_the_file_not_its_spelling(self):
        default_map = os.path.join(EXAMPLES, "maps", "rooms.map")
        spellings = [default_map, os.path.relpath(default_map),
                     os.path.join(EXAMPLES, "maps", os.pardir, "maps", "rooms.map")]
        link = os.path.join(self.folder.name, "linked.map")
        os.symlink(default_map, link)
        spellings.append(link)
        for spelling in spellings:
            with self.subTest(map=spelling):
                _, out, _ = run_demo("--map", spelling)
                self.assertIn("start (7, 7), goal (66, 29)", out.splitlines()[0])
        # A copy is another file: its first and last free cells.
        copy = os.path.join(self.folder.name, "rooms.map")
        shutil.copyfile(default_map, copy)
        _, out, _ = run_demo("--map", copy)
        self.assertIn("start (1, 1), goal (71, 35)", out.splitlines()[0])

    def test_no_path_within_the_budget_is_explained(self):
        # A route exists, but the goal would only be the 5826th node expanded.
        rows = []
        for y in range(160):
            rows.append("".join("@" if (x % 2 and y % 2) or (y == 80 and x <= 155) else "."
                                for x in range(160)))
        path = self.write_map("budget.map", rows)
        code, _, err = run_demo("--map", path, "--from", "0,158", "--to", "0,0")
        self.assertEqual(code, 1)
        self.assertIn("budget of 5000 expansions", err)

    def test_bad_cell_syntax_is_a_usage_error(self):
        with contextlib.redirect_stderr(io.StringIO()) as err:
            with self.assertRaises(SystemExit) as caught:
                demo.main(["--from", "1;2"])
        self.assertEqual(caught.exception.code, 2)
        self.assertIn("expected a cell as X,Y", err.getvalue())


class ReachabilityTest(unittest.TestCase):
    """The reachability check against the module itself: on maps of fewer
    than 5000 cells the budget is never the limit, so the search's answer is
    the truth."""

    def test_verdicts_match_the_search_on_small_maps(self):
        rng = random.Random(15)
        finder = brondel.pathfinder()
        failures = overrated = 0
        for _ in range(400):
            width, height, share = rng.randint(1, 9), rng.randint(1, 9), rng.choice([0.2, 0.35, 0.5])
            grid = parse_map(map_lines(["".join("@" if rng.random() < share else "."
                                                for _ in range(width)) for _ in range(height)]))
            finder.init(grid.to_projection_map(), False)
            free = grid.free_cells()
            for _ in range(10 if len(free) > 1 else 0):
                first, second = rng.sample(free, 2)
                found = finder.find_path(demo.search_coordinates(first),
                                         demo.search_coordinates(second)) == demo.FOUND
                # The search runs from the second cell to the first.
                reached, _ = reach(grid, second, first)
                with self.subTest(rows=grid.rows, first=first, second=second):
                    # reach() may overrate what the search reaches, never underrate it.
                    self.assertTrue(reached or not found)
                failures += not found
                overrated += reached and not found
        # Steps to any free neighbour would overrate a quarter of the failures.
        self.assertGreater(failures, 1000)
        self.assertLess(overrated, failures / 100)

    def test_squeezes(self):
        grid = parse_map(map_lines(["...", "..@", ".@."]))
        self.assertEqual(squeezed_diagonals(grid, (2, 2)), [(1, 1)])
        self.assertEqual(squeezed_diagonals(grid, (0, 0)), [])
        self.assertTrue(reach(grid, (0, 0), (2, 2))[0])
        self.assertFalse(reach(grid, (2, 2), (0, 0))[0])
        boxed = parse_map(map_lines([".@", "@."]))
        self.assertFalse(reach(boxed, (0, 0), (1, 1))[0])
        walled = parse_map(map_lines([".@.", ".@."]))
        self.assertEqual(reach(walled, (0, 0), (2, 1)), (False, 0))
        # With enough, it goes on past the goal to count the cells.
        self.assertEqual(reach(grid, (0, 0), (2, 2), enough=100), (True, 6))


if __name__ == "__main__":
    unittest.main()
