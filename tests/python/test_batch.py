"""The many-queries examples: examples/batch.py (a whole run on a benchmark
sample, whose three ways must agree) and examples/cluster.py on Dask (where
Dask is installed: the test command's python3 stage, which sets
BRONDEL_REQUIRE_DASK so that its absence fails)."""
import contextlib
import importlib.util
import io
import os
import shutil
import sys
import tempfile
import unittest
import unittest.mock

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "examples")
MAPS = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "bench", "maps")
sys.path.insert(0, EXAMPLES)

import batch  # noqa: E402

SCENARIO = os.path.join(MAPS, "ht_chantry.map.scen")
HAVE_DASK = importlib.util.find_spec("distributed") is not None or "BRONDEL_REQUIRE_DASK" in os.environ


class BatchTest(unittest.TestCase):
    def test_run_on_threads_matches_the_loop(self):
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            status = batch.main([SCENARIO, "--limit", "60", "--threads", "2"])
        lines = out.getvalue().splitlines()
        self.assertEqual(status, 0, out.getvalue())
        self.assertEqual(lines[0], "ht_chantry.map.scen: 60 queries on ht_chantry.map, every cell")
        self.assertEqual([line.split("  ")[1] for line in lines[1:4]],
                         ["a loop of find_path calls", "find_paths, 1 thread", "find_paths, 2 threads"])
        for line in lines[1:4]:
            self.assertRegex(line, r" \d+ queries/s$")
        self.assertEqual(lines[4], "found 60, not found 0")
        self.assertRegex(lines[5], r"^find_paths kept \d+\.\d MiB for its next call$")
        self.assertEqual(lines[6:], ["the three ways give the same answers"])

    def test_errors(self):
        err = io.StringIO()
        with contextlib.redirect_stderr(err):
            self.assertEqual(batch.main([os.path.join(MAPS, "missing.scen")]), 1)
        self.assertTrue(err.getvalue().startswith("error: "))
        with contextlib.redirect_stderr(io.StringIO()):
            with self.assertRaises(SystemExit):
                batch.main([SCENARIO, "--threads", "0"])


@unittest.skipUnless(HAVE_DASK, "Dask's distributed is not installed for this interpreter")
class ClusterTest(unittest.TestCase):
    """examples/cluster.py on worker processes of this machine, loopback only."""

    def run_example(self, *arguments):
        import cluster
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            status = cluster.main(list(arguments))
        self.assertEqual(status, 0, out.getvalue())
        return out.getvalue().splitlines()

    def test_local_cluster_of_two_workers(self):
        lines = self.run_example(os.path.join(MAPS, "AR0011SR.map.scen"), "--limit", "150", "--chunk", "16")
        self.assertRegex(lines[0], r"^AR0011SR.map.scen: 150 queries on AR0011SR.map, in chunks of 16 "
                                   r"on 2 workers: \d+ queries/s$")
        self.assertEqual(lines[1:], ["found 150, not found 0", "the cluster's answers equal a local run"])

    def test_an_answer_unlike_the_local_run_fails(self):
        import cluster
        client = unittest.mock.MagicMock()
        client.scheduler_info.return_value = {"workers": {"a": {}}}

        def one_length_off(client, map_cells, queries, *arguments):
            answers = cluster.answer_chunk(map_cells, queries, True, 1)
            answers[3] = (answers[3][0], answers[3][1] + 1e-6, answers[3][2])
            return answers
        out = io.StringIO()
        with unittest.mock.patch.object(cluster, "start_client", return_value=(client, None)), \
                unittest.mock.patch.object(cluster, "answer_on_cluster", one_length_off):
            self.assertEqual(cluster.run(SCENARIO, limit=10, out=out), 1)
        self.assertEqual(out.getvalue().splitlines()[-1], "error: 1 of the cluster's answers differ from a local run")
        client.close.assert_called_once_with()

    def test_running_cluster_gets_the_map_with_the_work(self):
        import cluster
        # The map and its scenario exist only until the client has read them.
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
        for name in ("den520d.map", "den520d.map.scen"):
            shutil.copy(os.path.join(MAPS, name), folder)
        read_map_once = cluster.read_map

        def read_then_remove(path):
            grid = read_map_once(path)
            shutil.rmtree(folder)
            return grid
        with cluster.local_cluster(2) as running:
            # The scheduler, the workers and their HTTP servers listen on loopback only.
            import psutil
            processes = [psutil.Process()] + psutil.Process().children(recursive=True)
            listening = {socket.laddr.ip for process in processes for socket in process.connections("inet")
                         if socket.status == psutil.CONN_LISTEN}
            self.assertEqual(listening, {"127.0.0.1"})
            with unittest.mock.patch.object(cluster, "read_map", read_then_remove):
                lines = self.run_example(os.path.join(folder, "den520d.map.scen"), "--limit", "40", "--chunk", "7",
                                         "--scheduler", running.scheduler_address, "--jump-points", "--threads", "0")
        self.assertFalse(os.path.exists(folder))
        self.assertEqual(lines[1:], ["found 40, not found 0", "the cluster's answers equal a local run"])


if __name__ == "__main__":
    unittest.main()
