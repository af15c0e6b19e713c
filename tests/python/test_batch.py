"""The many-queries examples: examples/batch.py (the worker function under
any executor, a whole run with real worker processes on a benchmark sample)
and examples/cluster.py on Dask (where Dask is installed: the test command's
python3 stage, which sets BRONDEL_REQUIRE_DASK so that its absence fails)."""
import concurrent.futures
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

import brondel  # noqa: E402
import batch  # noqa: E402
from movingai import Query, read_map, read_scenario  # noqa: E402

SCENARIO = os.path.join(MAPS, "ht_chantry.map.scen")
HAVE_DASK = importlib.util.find_spec("distributed") is not None or "BRONDEL_REQUIRE_DASK" in os.environ


class InProcessExecutor:
    """The least an executor needs for answer_all: map() over the arguments."""

    def __init__(self):
        self.calls = 0

    def map(self, function, *iterables):
        self.calls += 1
        return [function(*arguments) for arguments in zip(*iterables)]


class WorkerTest(unittest.TestCase):
    def test_answers_are_those_of_the_module(self):
        scenario = read_scenario(SCENARIO, limit=20)
        map_path, queries = scenario.map_path, scenario.queries
        # One query with an end on an obstacle: not found.
        grid = read_map(map_path)
        blocked = next((x, y) for y in range(grid.height) for x in range(grid.width)
                       if not grid.is_free(x, y))
        queries.append(Query(blocked[0], blocked[1], queries[0].x2, queries[0].y2))
        answers = batch.answer_chunk(map_path, queries)
        finder = brondel.pathfinder()
        finder.init(grid.to_projection_map(), True)
        for query, answer in zip(queries, answers):
            status = finder.find_path([query.x1 + 1, query.y1 + 1, 0], [query.x2 + 1, query.y2 + 1, 0])
            expected = (batch.Answer(True, finder.get_path_length(), finder.get_path().length())
                        if status == 0 else batch.Answer(False, 0.0, 0))
            self.assertEqual(answer, expected)
        self.assertEqual(answers[-1], batch.Answer(False, 0.0, 0))
        self.assertTrue(all(answer.found for answer in answers[:-1]))

    def test_any_executor_gives_the_same_answers_in_order(self):
        scenario = read_scenario(SCENARIO, limit=50)
        map_path, queries = scenario.map_path, scenario.queries
        reference = batch.answer_chunk(map_path, queries)
        executor = InProcessExecutor()
        self.assertEqual(batch.answer_all(executor, map_path, queries, chunk_size=7), reference)
        with concurrent.futures.ThreadPoolExecutor(3) as threads:
            self.assertEqual(batch.answer_all(threads, map_path, queries, chunk_size=4), reference)
        self.assertEqual(batch.chunks(list(range(5)), 2), [[0, 1], [2, 3], [4]])
        # A process builds a map's pathfinder once and keeps it.
        self.assertIs(batch._pathfinder_for(map_path), batch._pathfinder_for(map_path))


class RunTest(unittest.TestCase):
    def test_pools_of_processes_match_the_single_process_run(self):
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            status = batch.main([SCENARIO, "--limit", "60", "--workers", "2", "--chunk", "8"])
        lines = out.getvalue().splitlines()
        self.assertEqual(status, 0, out.getvalue())
        self.assertEqual(lines[0], "ht_chantry.map.scen: 60 queries on ht_chantry.map")
        self.assertTrue(lines[1].strip().startswith("this process alone"))
        self.assertTrue(lines[2].strip().startswith("1 worker "))
        self.assertTrue(lines[3].strip().startswith("2 workers "))
        for line in lines[1:4]:
            self.assertTrue(line.endswith(" queries/s"), line)
        self.assertEqual(lines[4:], ["found 60, not found 0",
                                     "every pool's answers equal the single-process run"])

    def test_errors(self):
        err = io.StringIO()
        with contextlib.redirect_stderr(err):
            self.assertEqual(batch.main([os.path.join(MAPS, "missing.scen")]), 1)
        self.assertTrue(err.getvalue().startswith("error: "))
        with contextlib.redirect_stderr(io.StringIO()):
            with self.assertRaises(SystemExit):
                batch.main([SCENARIO, "--workers", "0"])


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
