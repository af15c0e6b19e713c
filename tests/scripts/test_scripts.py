"""The shell scripts: the interpreter comes from CMake's cache, build_project
configures again when given flags and is the only place that configures or
builds, the documents' interpreter commands work as written, and the test
command ends with its summary in the form CI reads.

Run by ctest, which names the build folder in BRONDEL_BUILD_DIR."""
import glob
import os
import pathlib
import re
import subprocess
import tempfile
import textwrap
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
SCRIPTS = os.path.join(REPO, "scripts")
BUILD = os.environ["BRONDEL_BUILD_DIR"]


def bash(script, **env):
    """Runs a bash script from the repository's root; returns (status, output)."""
    environment = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    environment.update(env)
    done = subprocess.run(["bash", "-c", script], cwd=REPO, env=environment, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, universal_newlines=True, timeout=300)
    return done.returncode, done.stdout


def cached_python():
    with open(os.path.join(BUILD, "CMakeCache.txt"), encoding="utf-8") as cache:
        return re.search(r"^PYTHON_EXECUTABLE:\w*=(.*)$", cache.read(), re.M).group(1)


def documents():
    """The README and the documents it links to, as one text."""
    names = ["README.md", "bench/README.md", "examples/README.md"] + glob.glob(os.path.join(REPO, "docs", "*.md"))
    return "\n".join(pathlib.Path(REPO, name).read_text(encoding="utf-8") for name in sorted(names))


class InterpreterTest(unittest.TestCase):
    def test_python_sh_runs_the_interpreter_cmake_chose(self):
        status, output = bash('bash scripts/python.sh -c "import sys; print(sys.executable)"',
                              BRONDEL_BUILD_DIR=BUILD)
        self.assertEqual((status, output.strip()), (0, cached_python()))

    def test_documented_interpreter_commands_work_as_written(self):
        commands = sorted(set(re.findall(r"^(.*scripts/python\.sh .*)$", documents(), re.M)))
        self.assertIn('PYTHONPATH=build/python bash scripts/python.sh -c "import brondel"', commands)
        with tempfile.TemporaryDirectory() as home:
            for command in commands:
                if ' -c "' in command or " -m venv " in command:
                    with self.subTest(command=command):
                        status, output = bash(command.replace("build/python", os.path.join(BUILD, "python")),
                                              BRONDEL_BUILD_DIR=BUILD, HOME=home)
                        self.assertEqual(status, 0, output)

    def test_documents_start_no_interpreter_by_version_name(self):
        # pyenv's python3.8 shim fails unless 3.8 is the selected version, and
        # its python3 is not the one Debian's packages are for: Debian's is
        # named by its path.
        self.assertEqual(re.findall(r"(?<!/usr/bin/)python3(?:\.\d+)? +(?:-[mc]|\S+\.py)", documents()), [])


class BuildProjectTest(unittest.TestCase):
    """build_project of scripts/common.sh, with cmake replaced by a recorder."""

    def calls(self, with_cache, *flags, target=""):
        with tempfile.TemporaryDirectory() as build:
            if with_cache:
                open(os.path.join(build, "CMakeCache.txt"), "w").close()
            script = textwrap.dedent("""
                source scripts/common.sh
                cmake() { echo "cmake $*" >&2; }
                BUILD_DIR=%s BUILD_TARGET=%s build_project %s
            """) % (build, target, " ".join(flags))
            status, output = bash(script)
            self.assertEqual(status, 0, output)
            return output.replace(build, "BUILD").replace(REPO, "REPO").splitlines()

    def test_configures_without_cache_and_with_flags_only(self):
        configure = "cmake -S REPO -B BUILD -G Ninja"
        build = "cmake --build BUILD -j 2"
        self.assertEqual(self.calls(False), [configure, build])
        self.assertEqual(self.calls(True), [build])
        self.assertEqual(self.calls(True, "-DBRONDEL_SANITIZE=ON"), [configure + " -DBRONDEL_SANITIZE=ON", build])
        self.assertEqual(self.calls(True, target="brondel"), [build + " --target brondel"])

    def test_fuzz_configuration_warns_of_nothing(self):
        # The fuzz build uses no interpreter; the scripts name none to CMake.
        with tempfile.TemporaryDirectory() as build:
            status, output = bash("source scripts/common.sh; BUILD_DIR=%s configure_project "
                                  "-DBRONDEL_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug" % build)
        self.assertEqual((status, output), (0, ""))

    @unittest.skipUnless(os.path.isdir("/usr/lib/llvm-14/include/c++/v1"), "libc++ is not installed")
    def test_configure_refuses_another_standard_library(self):
        # The registry key the module pins promises libstdc++'s layouts.
        with tempfile.TemporaryDirectory() as build:
            status, output = bash("source scripts/common.sh; BUILD_DIR=%s configure_project "
                                  "-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS=-stdlib=libc++ "
                                  "-DBRONDEL_TESTS=OFF" % build)
        self.assertNotEqual(status, 0)
        self.assertIn("brondel must be built against libstdc++", " ".join(output.split()))

    def test_only_build_project_configures_or_builds(self):
        for name in sorted(os.listdir(SCRIPTS)):
            if name.endswith(".sh") and name != "common.sh":
                with self.subTest(script=name), open(os.path.join(SCRIPTS, name), encoding="utf-8") as text:
                    self.assertEqual(re.findall(r"cmake (?:-S|--build)", text.read()), [])


class BenchScriptTest(unittest.TestCase):
    """scripts/bench.sh writes its results into the build folder unless told
    to rewrite the committed ones; the programs it runs are recorders here."""

    def commands(self, *arguments):
        with tempfile.TemporaryDirectory() as build:
            log = os.path.join(build, "log")
            recorder = os.path.join(build, "record")
            with open(recorder, "w") as script:
                script.write('#!/bin/sh\necho "$(basename "$0") $*" >> %s\n' % log)
            os.chmod(recorder, 0o755)
            os.makedirs(os.path.join(build, "bench"))
            for name in ("cmake", "python", os.path.join("bench", "bench_pathfinders")):
                os.symlink(recorder, os.path.join(build, name))
            with open(os.path.join(build, "CMakeCache.txt"), "w") as cache:
                cache.write("PYTHON_EXECUTABLE:FILEPATH=%s/python\n" % build)
            status, output = bash("bash scripts/bench.sh " + " ".join(arguments), BRONDEL_BUILD_DIR=build,
                                  BRONDEL_DEBIAN_PYTHON=os.path.join(build, "python"),
                                  PATH=build + os.pathsep + os.environ["PATH"])
            self.assertEqual(status, 0, output)
            with open(log) as recorded:
                return recorded.read().replace(build, "BUILD").replace(REPO, "REPO").splitlines()

    def test_results_go_to_the_build_folder_unless_published(self):
        for arguments, results in ((("--queries", "5"), "BUILD/bench-results"),
                                   (("--publish", "--queries", "5"), "REPO/bench/results")):
            with self.subTest(arguments=arguments):
                commands = self.commands(*arguments)
                self.assertEqual(commands[0], "cmake --build BUILD -j 2")
                self.assertEqual(commands[1], "bench_pathfinders --json BUILD/bench-native.json "
                                              "--queries 5 REPO/bench/maps")
                self.assertTrue(commands[2].startswith("python REPO/bench/python_costs.py --json BUILD/"))
                self.assertEqual(commands[3].split(" --out "), [
                    "python REPO/bench/report.py BUILD/bench-native.json --python BUILD/bench-python.json",
                    results])


class StageSummaryTest(unittest.TestCase):
    """The test command's closing lines (scripts/stages.sh)."""

    def test_counts_every_stage_and_ends_with_the_totals(self):
        with tempfile.TemporaryDirectory() as logs:
            script = textwrap.dedent("""
                source scripts/common.sh
                source scripts/stages.sh
                ctest_like() { echo "100% tests passed, 0 tests failed out of 12"; }
                ctest_failing() { echo "Ran 3 tests in 0.1s"; echo "FAILED (failures=1)";
                                  echo "90% tests passed, 1 tests failed out of 10"; return 8; }
                unittest_like() { echo "Ran 9 tests in 1.0s"; echo "FAILED (failures=1, errors=2)"; false; }
                build_fails() { echo "compiling"; false; echo "not reached"; }
                run_stage linux ctest_like
                run_stage windows ctest_failing
                run_stage wheels unittest_like
                run_stage fuzz true
                run_stage broken build_fails
                print_summary
            """)
            status, output = bash(script, LOG_DIR=logs)
        lines = output.splitlines()
        self.assertEqual(status, 1)
        self.assertNotIn("not reached", output)
        summary = lines[lines.index("=== summary") + 1:]
        self.assertEqual([re.sub(r"\s+", " ", line).rsplit(" (", 1)[0] for line in summary], [
            "linux 12 passed, 0 failed",
            "windows 9 passed, 1 failed",
            "wheels 6 passed, 3 failed",
            "fuzz 1 passed, 0 failed",
            "broken 0 passed, 1 failed",
            "28 passed, 5 failed"])


if __name__ == "__main__":
    unittest.main()
