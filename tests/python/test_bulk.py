"""brondel_bulk's Python face: refused inputs and what they say, numpy
arrays, answers equal to fresh pathfinders', the lock released, Ctrl-C, and
the memory kept between calls. Exactness on many maps is the differential
test's (tests/native); random mixtures of calls, other threads meddling and
every kind of buffer and map are the torture test's (torture.py)."""
import array
import json
import os
import random
import signal
import subprocess
import sys
import textwrap
import threading
import time
import unittest

import brondel_bulk
from brondel import cornerfinder, pathfinder, projection_map

try:
    import numpy
except ImportError:
    numpy = None

MAPS = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "bench", "maps")


def parsed_cells(path):
    """The cells of a path as the README's recipe reads them from its text."""
    text = str(path)
    return [int(v) for cell in text.split(" > ") for v in cell.strip("()").split(", ")] if text else []


def fresh_answer(grid, interpolate, query):
    """What a new pathfinder answers; 0 stands for a component of no cell."""
    finder = pathfinder()
    finder.init(grid, interpolate)
    x1, y1, x2, y2 = (v + 1 if -1 <= v < 2 ** 31 else 0 for v in query)
    status = finder.find_path([x1, y1, 0], [x2, y2, 0])
    return status, finder.get_path_length() if status == 0 else 0.0, parsed_cells(finder.get_path())


def room_map():
    """12 x 8 cells: a wall at x = 5 with a door at y = 6, and a blocked cell."""
    cells = bytearray(12 * 8)
    for y in range(8):
        if y != 6:
            cells[y * 12 + 5] = 1
    cells[2 * 12 + 9] = 7
    grid = projection_map(12, 8)
    brondel_bulk.fill(grid, cells)
    return grid, bytes(cells)


class FillAndCellsTest(unittest.TestCase):
    def test_refused_buffers_change_nothing(self):
        grid = projection_map(3, 2)
        brondel_bulk.fill(grid, b"\x01\x02\x03\x04\x05\x06")
        cases = [
            (b"\x00" * 5, ValueError, r"holds 5 cells, expected width \* height = 6"),
            (memoryview(bytes(6)).cast("B", (3, 2)), ValueError, r"shape \(3, 2\), expected \(height, width\) = \(2, 3\)"),
            (memoryview(bytes(6)).cast("B", (1, 2, 3)), ValueError, "3 dimensions"),
            (memoryview(bytes(12))[::2], ValueError, "C-contiguous"),
            (array.array("i", range(6)), TypeError, "one-byte cells .* 4 bytes in format 'i'"),
            (array.array("d", range(6)), TypeError, "one-byte cells"),
            ([0] * 6, TypeError, "buffer protocol .* not list"),
            ("\x00" * 6, TypeError, "buffer protocol"),
            (None, TypeError, "buffer protocol"),
        ]
        for data, error, message in cases:
            with self.subTest(data=repr(data)[:40]):
                with self.assertRaisesRegex(error, message):
                    brondel_bulk.fill(grid, data)
                self.assertEqual(brondel_bulk.cells(grid), b"\x01\x02\x03\x04\x05\x06")
        for call in (lambda: brondel_bulk.fill(None, b""), lambda: brondel_bulk.cells(None),
                     lambda: brondel_bulk.fill([[0]], b""), lambda: brondel_bulk.cells(pathfinder())):
            with self.assertRaises(TypeError):
                call()

    @unittest.skipIf(numpy is None, "numpy is not installed for this interpreter")
    def test_numpy_arrays(self):
        grid = projection_map(4, 3)
        picture = numpy.arange(12, dtype=numpy.uint8).reshape(3, 4)
        for data in (picture, picture.astype(numpy.int8), picture > 5, picture.ravel()):
            brondel_bulk.fill(grid, data)
            read = numpy.frombuffer(brondel_bulk.cells(grid), numpy.uint8).reshape(3, 4)
            self.assertTrue((read == data.reshape(3, 4).astype(numpy.uint8)).all())
        for data, error in ((numpy.asfortranarray(picture), ValueError), (picture.T, ValueError),
                            (picture.astype(numpy.int16), TypeError), (picture[:, :2], ValueError)):
            with self.assertRaises(error):
                brondel_bulk.fill(grid, data)


class FindPathsTest(unittest.TestCase):
    QUERIES = [(0, 0, 11, 7), (11, 7, 0, 0), (0, 0, 11, 7), (9, 2, 0, 0), (0, 0, 9, 2), (3, 3, 3, 3),
               (-1, 0, 1, 1), (12, 0, 1, 1), (0, 2 ** 40, 1, 1), (0, 0, -2 ** 70, 1), (4, 4, 11, 0), (True, 0, 1, 1)]

    def test_each_answer_is_a_fresh_pathfinders(self):
        grid, _ = room_map()
        for interpolate in (True, False):
            expected = [fresh_answer(grid, interpolate, query) for query in self.QUERIES]
            self.assertIn((2, 0.0, []), expected)  # an end occupied or outside
            self.assertEqual(expected[2][0], 0)  # a success before the failure on (9, 2)
            for threads in (1, 2, 0, 50):
                with self.subTest(interpolate=interpolate, threads=threads):
                    answers = brondel_bulk.find_paths(grid, self.QUERIES, interpolate, threads)
                    self.assertEqual([(s, l, list(c)) for s, l, c in answers], expected)
                    self.assertTrue(all(type(c) is array.array and c.typecode == "i" for _, _, c in answers))
        self.assertEqual(brondel_bulk.find_paths(grid, [], True), [])
        self.assertEqual(brondel_bulk.find_paths(grid, iter([[0, 0, 1, 1]]), threads=1, interpolate=True),
                         brondel_bulk.find_paths(grid, [(0, 0, 1, 1)], True))

    def test_refused_queries_and_maps(self):
        grid, cells = room_map()

        class Raises:
            def __index__(self):
                raise KeyError("own")

        cases = [(5, TypeError, "queries must be a sequence"), ([(1, 2, 3)], TypeError, "query 0 must be 4 ints"),
                 ([(1, 2, 3, 4), 7], TypeError, "query 1 must be 4 ints"),
                 ([(1, 2, 3, 4.0)], TypeError, "query 0 holds a float"), ([(1, 2, 3, Raises())], KeyError, "own"),
                 ([(1, 2, 3, "4")], TypeError, "query 0 holds a str")]
        for queries, error, message in cases:
            with self.subTest(queries=queries):
                with self.assertRaisesRegex(error, message):
                    brondel_bulk.find_paths(grid, queries, True)
        for call in (lambda: brondel_bulk.find_paths(None, [], True), lambda: brondel_bulk.find_paths(grid, [], "x"),
                     lambda: brondel_bulk.find_paths(grid, [], True, -1)):
            with self.assertRaises(TypeError):
                call()
        with self.assertRaisesRegex(ValueError, "too large for the pathfinder"):
            brondel_bulk.find_paths(projection_map(40000, 0), [(0, 0, 0, 0)], True)
        self.assertEqual(brondel_bulk.cells(grid), cells)
        corners = cornerfinder(grid)
        for paths, message in (([array.array("q", [0, 0])], "format 'q'"), ([b"\x00" * 8], "format 'B'"),
                               (None, "paths must be a sequence")):
            with self.assertRaisesRegex(TypeError, message):
                brondel_bulk.find_corners(corners, paths)

    def test_other_python_threads_run_meanwhile(self):
        # Scattered blocks, so that each search is long whatever the batch
        # searches (an open map's run planes answer it in a few runs).
        rng = random.Random(5)
        cells = bytearray(1 if rng.random() < 0.3 else 0 for _ in range(300 * 300))
        cells[0] = cells[-1] = 0
        grid = projection_map(300, 300)
        brondel_bulk.fill(grid, bytes(cells))
        ticks = []
        done = threading.Event()

        def tick():
            while not done.is_set():
                ticks.append(time.monotonic())
                time.sleep(0.005)

        ticker = threading.Thread(target=tick)
        ticker.start()
        time.sleep(0.02)
        # A batch of well over 100 ms: a call that held the lock would let
        # the ticker tick once at most.
        start = time.monotonic()
        brondel_bulk.find_paths(grid, [(0, 0, 299, 299), (299, 299, 0, 0)] * 400, False, 2)
        end = time.monotonic()
        done.set()
        ticker.join()
        self.assertGreater(len([t for t in ticks if start < t < end]), 3)

    def test_memory_kept_between_calls_until_released(self):
        brondel_bulk.release()
        grid = projection_map(200, 100)
        brondel_bulk.find_paths(grid, [(0, 0, 199, 99)] * 8, True, 3)
        kept = brondel_bulk.release()
        self.assertGreaterEqual(kept, 3 * 200 * 100 * 32 + 200 * 100)
        self.assertLess(kept, 3 * 200 * 100 * 36)
        self.assertEqual(brondel_bulk.release(), 0)

    def test_ctrl_c_stops_a_batch_within_a_second(self):
        # The last query says when the queries have been read, just before
        # the batch starts; the signal comes well inside a batch of seconds.
        child = subprocess.Popen([sys.executable, "-c", textwrap.dedent("""
            import json, random, sys, time
            import brondel, brondel_bulk

            class Ready:
                def __index__(self):
                    print("ready", flush=True)
                    return 0

            # Scattered blocks: long searches whatever the batch searches.
            rng = random.Random(5)
            cells = bytearray(1 if rng.random() < 0.3 else 0 for _ in range(300 * 300))
            cells[0] = cells[1] = cells[301] = cells[-1] = 0
            grid = brondel.projection_map(300, 300)
            brondel_bulk.fill(grid, bytes(cells))
            queries = [(0, 0, 299, 299), (299, 299, 0, 0)] * 20000 + [(0, 0, 0, Ready())]
            try:
                brondel_bulk.find_paths(grid, queries, False, 2)
                print(json.dumps({"finished": time.monotonic()}))
            except KeyboardInterrupt:
                print(json.dumps({"interrupted": time.monotonic()}))
            # A batch after the interrupted one still answers.
            print(json.dumps(brondel_bulk.find_paths(grid, [(0, 0, 1, 1)], True)[0][:2]))
        """)], stdout=subprocess.PIPE, text=True, env=dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path)))
        self.assertEqual(child.stdout.readline().strip(), "ready")
        time.sleep(0.3)
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        out, _ = child.communicate(timeout=120)
        report, after = [json.loads(line) for line in out.splitlines()]
        self.assertIn("interrupted", report)
        self.assertLess(report["interrupted"] - sent, 1.0)
        self.assertEqual(after, [0, 1.4142135381698608])


if __name__ == "__main__":
    unittest.main()
