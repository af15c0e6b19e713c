"""pip install . : builds brondel with the project's CMake build, so that the
installed module gets exactly the sources and flags of `cmake --build`, and
installs it with its type stub brondel.pyi beside it.

Needs CMake 3.18 or newer, a C++17 compiler and pybind11's CMake package
(Debian: cmake g++ pybind11-dev; ninja-build is used when present). The module
is built for the interpreter that runs pip. Metadata lives here rather than in
pyproject.toml, since the setuptools bundled with CPython 3.8 cannot read it.
"""
import glob
import os
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = os.path.dirname(os.path.abspath(__file__))


class CMakeBuild(build_ext):
    """Builds the module target of the CMake project and copies the module and
    the stub to where setuptools installs from."""

    def build_extension(self, ext):
        build_dir = os.path.abspath(os.path.join(self.build_temp, "cmake"))
        configure = ["cmake", "-S", HERE, "-B", build_dir,
                     "-DCMAKE_BUILD_TYPE=Release", "-DBRONDEL_TESTS=OFF",
                     "-DPYTHON_EXECUTABLE=" + sys.executable]
        if shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        subprocess.check_call(configure)
        subprocess.check_call(["cmake", "--build", build_dir, "--config", "Release",
                               "--target", ext.name, "--parallel", str(os.cpu_count() or 1)])
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(self._built_module(build_dir, ext.name), target)
        shutil.copyfile(os.path.join(HERE, "bindings", ext.name + ".pyi"),
                        os.path.join(os.path.dirname(target), ext.name + ".pyi"))

    def _built_module(self, build_dir, name):
        file_name = os.path.basename(self.get_ext_filename(name))
        # Multi-configuration generators add a folder per configuration.
        found = glob.glob(os.path.join(build_dir, "python", "**", file_name), recursive=True)
        if not found:
            raise RuntimeError("the CMake build produced no %s in %s"
                               % (file_name, os.path.join(build_dir, "python")))
        return found[0]


def readme():
    with open(os.path.join(HERE, "README.md"), encoding="utf-8") as text:
        return text.read()


setup(
    name="brondel",
    version="0.1.0",
    description="Voxel diffraction algorithms and classes: bounded jump point search, "
                "line of sight and path corners on a 2-D occupancy grid",
    long_description=readme(),
    long_description_content_type="text/markdown",
    python_requires=">=3.8",
    ext_modules=[Extension("brondel", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
    # Keeps setuptools' work files out of the CMake build folder build/.
    options={"build": {"build_base": "build-setuptools"}},
)
