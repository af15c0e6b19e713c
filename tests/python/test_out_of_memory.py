"""Work larger than the memory the system will grant: a pathfinder's node
grid, a cornerfinder's copy of its map, a map's text and the pathfinders of a
threaded batch are each refused at once with MemoryError, before any of it is
filled, and the call changes nothing. Each case runs in a child process under an address space limit a
little above what the child already uses, so the suite never needs the
memory it asks for; the child reports how long the refusal took and how far
its peak resident memory grew."""
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


def run_child(body):
    """Runs the prelude and `body` in a fresh interpreter that imports this
    very module; returns the JSON object the child prints last."""
    environment = dict(os.environ)
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

    def test_text_of_a_map_larger_than_memory_left(self):
        # The text of a map of 64 MiB is at least 128 MiB, and it is held
        # twice before Python gets it; 160 MiB are left. Without the check
        # the text stream stopped writing when it could not grow, and a
        # truncated text came back as if it were whole.
        report = run_child("""
            large = brondel.projection_map(8192, 8192)
            large.set(8191, 0, "\\x05")
            report = refused(lambda: str(large), headroom=160 << 20)
            report["large_kept"] = large.get(8191, 0) == "\\x05"
            small = brondel.projection_map(3, 2)
            small.set(0, 0, "\\x9c")
            report["small_text"] = str(small)
            print(json.dumps(report))
        """)
        self.assertRefusedAtOnce(report)
        self.assertTrue(report["large_kept"])
        self.assertEqual(report["small_text"], "0 0 0\n-100 0 0\n")

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


if __name__ == "__main__":
    unittest.main()
