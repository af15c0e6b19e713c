"""Work larger than the memory the system will grant: a pathfinder's node
grid, a map (tall and thin ones too), a cornerfinder's copy of its map, a
map's text, a search's memory and the pathfinders of a threaded batch are
each refused at once with MemoryError, before any of it is filled, and the
call changes nothing; a batch whose run planes do not fit searches the cells
instead, with the same answers; a dead pathfinder's memory goes back to the
system.
Each case runs in a child process under an address space limit a little
above what the child already uses, so the suite never needs the memory it
asks for; the child reports how long the refusal took and how far its peak
resident memory grew."""
import json
import os
import subprocess
import sys
import textwrap
import unittest

import brondel

MIB = 1 << 20

# Shared by every child: refused(call, headroom) runs `call` with the address
# space limited to what the child maps now plus `headroom` bytes, then lifts
# the limit again.
CHILD_PRELUDE = textwrap.dedent("""
    import json, os, resource, sys, time
    import brondel, brondel_bulk

    def mapped_bytes():
        with open("/proc/self/statm") as statm:
            return int(statm.read().split()[0]) * os.sysconf("SC_PAGE_SIZE")

    def resident_bytes():
        with open("/proc/self/statm") as statm:
            return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")

    def peak_resident_bytes():
        return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024

    def refused(call, headroom):
        _, hard = resource.getrlimit(resource.RLIMIT_AS)
        peak = peak_resident_bytes()
        resource.setrlimit(resource.RLIMIT_AS, (mapped_bytes() + headroom, hard))
        start = time.perf_counter()
        try:
            call()
            error = None
        except MemoryError:
            error = "MemoryError"
        seconds = time.perf_counter() - start
        resource.setrlimit(resource.RLIMIT_AS, (hard, hard))
        return {"error": error, "seconds": seconds,
                "grown_mib": (peak_resident_bytes() - peak) / (1 << 20)}
""")


def run_child(body, **variables):
    """Runs the prelude and `body` in a fresh interpreter that imports this
    very module, with environment `variables` added; returns the JSON object
    the child prints last."""
    environment = dict(os.environ, **variables)
    module_folder = os.path.dirname(os.path.abspath(brondel.__file__))
    environment["PYTHONPATH"] = os.pathsep.join(
        filter(None, [module_folder, environment.get("PYTHONPATH")]))
    run = subprocess.run([sys.executable, "-c", CHILD_PRELUDE + textwrap.dedent(body)],
                         capture_output=True, text=True, timeout=120, env=environment)
    if run.returncode != 0:
        raise AssertionError("child failed:\n" + run.stderr)
    return json.loads(run.stdout.strip().splitlines()[-1])


@unittest.skipIf(os.environ.get("BRONDEL_SANITIZED"),
                 "the sanitizer's allocator aborts instead of throwing when memory runs out")
@unittest.skipUnless(sys.platform.startswith("linux"), "measures with Linux resource limits")
class RefusedAtOnceTest(unittest.TestCase):
    def assertRefusedAtOnce(self, report):
        self.assertEqual(report["error"], "MemoryError", report)
        self.assertLess(report["seconds"], 1.0, report)
        # Filling row by row up to the limit would have grown it by about
        # the headroom, several times this.
        self.assertLess(report["grown_mib"], 16, report)

    def test_init_with_a_node_grid_larger_than_memory(self):
        # 4000 x 4000 cells: a map of 16 MB, a node grid of 512 MB.
        report = run_child("""
            small = brondel.projection_map(6, 3)
            small.set(2, 1, "\\x01")
            p = brondel.pathfinder()
            p.init(small, True)
            assert p.find_path([6, 2, 0], [1, 2, 0]) == 0
            path = str(p.get_path())
            large = brondel.projection_map(4000, 4000)
            references = sys.getrefcount(large)
            report = refused(lambda: p.init(large, False), headroom=256 << 20)
            report["status"] = p.find_path([6, 2, 0], [1, 2, 0])
            report["same_path"] = str(p.get_path()) == path
            report["holds_large"] = sys.getrefcount(large) != references
            small.set(0, 1, "\\x01")
            report["status_blocked"] = p.find_path([6, 2, 0], [1, 2, 0])
            report["rebinds"] = p.init(brondel.projection_map(3, 3), True)
            report["status_rebound"] = p.find_path([1, 1, 0], [3, 3, 0])
            print(json.dumps(report))
        """)
        self.assertRefusedAtOnce(report)
        self.assertEqual(report["status"], 0, "a search on the old map still answers")
        self.assertTrue(report["same_path"], "the old map, grid and flag are used")
        self.assertFalse(report["holds_large"], "the refused map is not held")
        self.assertEqual(report["status_blocked"], 2, "still bound to the old map")
        self.assertEqual((report["rebinds"], report["status_rebound"]), (0, 0))

    def test_cornerfinder_of_a_map_larger_than_memory_left(self):
        # Copying a map of 64 MiB with 48 MiB left.
        report = run_child("""
            large = brondel.projection_map(8192, 8192)
            large.set(1, 1, "\\x01")
            report = refused(lambda: brondel.cornerfinder(large), headroom=48 << 20)
            report["large_kept"] = (large.get(1, 1), large.get(8191, 8191)) == ("\\x01", "\\x00")
            small = brondel.projection_map(3, 3)
            for x in range(3):
                small.set(x, 1, "\\x01")
            report["corner_map"] = str(brondel.cornerfinder(small).corner_map)
            print(json.dumps(report))
        """)
        self.assertRefusedAtOnce(report)
        self.assertTrue(report["large_kept"])
        self.assertEqual(report["corner_map"], "0 0 0\n1 0 1\n0 0 0\n")

    def test_rows_and_texts_counted_as_they_cost(self):
        # (set-up, call, headroom, result): a row costs its heap block (at
        # least 32 bytes) besides its 16-byte handle, so tall thin maps and
        # their copies are refused at once; a text needs only its own size
        # (2 characters a cell when every cell is 0), asked for whole.
        cases = [
            ("", "brondel.projection_map(1, 4_000_000)", 128 * MIB, "MemoryError"),
            ("", "brondel.projection_map(8, 3_000_000)", 100 * MIB, "MemoryError"),
            ("m = brondel.projection_map(1, 2_000_000)", "brondel.cornerfinder(m)", 48 * MIB, "MemoryError"),
            ("m = brondel.projection_map(4096, 4096)", "str(m)", 24 * MIB, "MemoryError"),
            ("m = brondel.projection_map(4096, 4096)", "str(m)", 72 * MIB, None),
        ]
        for setup, call, headroom, error in cases:
            with self.subTest(call=call, headroom_mib=headroom // MIB):
                report = run_child("%s\nprint(json.dumps(refused(lambda: %s, headroom=%d)))"
                                   % (setup, call, headroom))
                self.assertEqual(report["error"], error, report)
                self.assertLess(report["seconds"], 1.0, report)
                self.assertLess(report["grown_mib"], 16 if error else 16 + 32, report)

    def test_failed_search_keeps_the_last_path(self):
        # A new thread's first search on a large map must take its search
        # memory, and cannot. (One arena for all threads: a thread's own
        # arena reserves address space up front, where the limit cannot reach.)
        report = run_child("""
            import threading
            q = brondel.pathfinder()
            q.init(brondel.projection_map(2000, 2000), True)
            q.find_path([1, 1, 0], [2, 2, 0])
            reports = []
            thread = threading.Thread(target=lambda: reports.append(
                refused(lambda: q.find_path([1, 1, 0], [2000, 2000, 0]), headroom=4 << 20)))
            thread.start()
            thread.join()
            print(json.dumps(dict(reports[0], path=[str(q.get_path()), q.get_path_length()])))
        """, MALLOC_ARENA_MAX="1")
        self.assertRefusedAtOnce(report)
        self.assertEqual(report["path"], ["(0, 0) > (1, 1)", 1.4142135381698608])

    def test_memory_goes_back_to_the_system_when_the_pathfinder_dies(self):
        # A node grid of 128 MB and its search memory; freed into the heap
        # alone, they would stay resident.
        report = run_child("""
            m = brondel.projection_map(2000, 2000)
            before = resident_bytes()
            p = brondel.pathfinder()
            p.init(m, True)
            p.find_path([1000, 1000, 0], [1001, 1001, 0])
            alive = resident_bytes()
            del p
            print(json.dumps({"alive_mib": (alive - before) / (1 << 20),
                              "left_mib": (resident_bytes() - before) / (1 << 20)}))
        """)
        self.assertGreater(report["alive_mib"], 120, report)
        self.assertLess(report["left_mib"], 4, report)

    def test_batch_whose_pathfinders_do_not_fit(self):
        # 3000 x 3000 cells: a map of 9 MB, and for each of 4 threads a node
        # grid of 288 MB; 512 MiB are left. The batch's earlier pathfinders,
        # of another size, answer the next batch.
        report = run_child("""
            small = brondel.projection_map(6, 3)
            small.set(2, 1, "\\x01")
            before = brondel_bulk.find_paths(small, [(5, 1, 0, 1)] * 4, True, 4)
            large = brondel.projection_map(3000, 3000)
            report = refused(lambda: brondel_bulk.find_paths(large, [(0, 0, 2999, 2999)] * 4, False, 4),
                             headroom=512 << 20)
            report["map_kept"] = brondel_bulk.cells(small) == b"\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x01" + bytes(9)
            report["same_after"] = brondel_bulk.find_paths(small, [(5, 1, 0, 1)] * 4, True, 4) == before
            report["found"] = before[0][0]
            print(json.dumps(report))
        """)
        self.assertRefusedAtOnce(report)
        self.assertTrue(report["map_kept"])
        self.assertTrue(report["same_after"])
        self.assertEqual(report["found"], 0)

    def test_batch_whose_run_planes_do_not_fit_searches_the_cells(self):
        # 2 x 32767 cells: the pathfinder's workspace takes 0.3 MB and fits
        # in the 1 MiB left, the run planes (about 4 MB while they are built)
        # do not; the batch searches the cells instead, with the same answers.
        report = run_child("""
            grid = brondel.projection_map(2, 32767)
            for y in range(5, 32767, 40):
                grid.set(y % 2, y, "\\x01")
            queries = [(y % 2, y, (y + 1) % 2, (y + 40) % 32767) for y in range(0, 32767, 64)]
            expected = brondel_bulk.find_paths(grid, queries, True, 1)
            answers = []
            report = refused(lambda: answers.append(brondel_bulk.find_paths(grid, queries, True, 1)),
                             headroom=1 << 20)
            report["same"] = answers == [expected]
            report["found"] = sum(status == 0 for status, _, _ in expected)
            print(json.dumps(report))
        """)
        self.assertIsNone(report["error"], report)
        self.assertTrue(report["same"], report)
        self.assertEqual(report["found"], 512)


if __name__ == "__main__":
    unittest.main()
