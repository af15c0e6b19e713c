"""pip install . : builds the modules brondel and brondel_bulk with the
project's CMake build, so that the installed modules get exactly the sources
and flags of `cmake --build`, and installs each with its type stub as the
stub-only package brondel-stubs or brondel_bulk-stubs, where type checkers
look for the stub of a single-module extension (PEP 561).

scripts/dist.sh uses it to make wheels of modules the CMake build has already
built and tested: `build_ext --modules DIR` packs the modules in DIR instead
of building.

Needs CMake 3.19 or newer, a C++17 compiler and pybind11's CMake package
(Debian: cmake g++ pybind11-dev; ninja-build is used when present). The module
is built for the interpreter that runs pip. Metadata lives here rather than in
pyproject.toml, since the setuptools bundled with CPython 3.8 cannot read it.
"""
import glob
import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = os.path.dirname(os.path.abspath(__file__))


def project_version():
    """The version, kept in one place: the project() call of CMakeLists.txt."""
    with open(os.path.join(HERE, "CMakeLists.txt"), encoding="utf-8") as text:
        return re.search(r"project\(brondel VERSION ([0-9.]+)", text.read()).group(1)


class CMakeBuild(build_ext):
    """Builds each module's target of the CMake project (or takes the modules
    in the folder named by --modules) and copies the module and its stub to
    where setuptools installs from."""

    user_options = build_ext.user_options + [
        ("modules=", None, "pack the modules already built in this folder instead of building them")]

    def initialize_options(self):
        super().initialize_options()
        self.modules = None

    def _prebuilt(self, name):
        """The one file of module `name` in the --modules folder."""
        found = [path for pattern in ("%s.*.so", "%s.*.pyd")
                 for path in glob.glob(os.path.join(self.modules, pattern % name))]
        if len(found) != 1:
            raise RuntimeError("expected one module %s in %s, found %d" % (name, self.modules, len(found)))
        return found[0]

    def get_ext_filename(self, fullname):
        # A given module keeps its own name, which carries its platform's
        # suffix (.cp38-win_amd64.pyd for the Windows build).
        if self.modules:
            return os.path.basename(self._prebuilt(fullname))
        return super().get_ext_filename(fullname)

    def build_extension(self, ext):
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(self._prebuilt(ext.name) if self.modules else self._cmake_build(ext.name), target)
        stubs = os.path.join(os.path.dirname(target), ext.name + "-stubs")
        os.makedirs(stubs, exist_ok=True)
        shutil.copyfile(os.path.join(HERE, "bindings", ext.name + ".pyi"),
                        os.path.join(stubs, "__init__.pyi"))

    def _cmake_build(self, name):
        """Builds the module with CMake; returns the built file."""
        build_dir = os.path.abspath(os.path.join(self.build_temp, "cmake"))
        configure = ["cmake", "-S", HERE, "-B", build_dir,
                     "-DCMAKE_BUILD_TYPE=Release", "-DBRONDEL_TESTS=OFF",
                     "-DPYTHON_EXECUTABLE=" + sys.executable]
        if shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        subprocess.check_call(configure)
        subprocess.check_call(["cmake", "--build", build_dir, "--config", "Release",
                               "--target", name, "--parallel", str(os.cpu_count() or 1)])
        return self._built_module(build_dir, name)

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
    version=project_version(),
    description="Voxel diffraction algorithms and classes: bounded jump point search, "
                "line of sight and path corners on a 2-D occupancy grid",
    license="Proprietary",
    classifiers=["License :: Other/Proprietary License",
                 "Programming Language :: Python :: 3.8",
                 "Programming Language :: C++",
                 "Typing :: Typed"],
    long_description=readme(),
    long_description_content_type="text/markdown",
    python_requires=">=3.8",
    ext_modules=[Extension("brondel", sources=[]), Extension("brondel_bulk", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
    # Keeps setuptools' work files out of the CMake build folder build/.
    options={"build": {"build_base": "build-setuptools"}},
)
