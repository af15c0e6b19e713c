#include "register.hpp"

#include "docstrings.hpp"
#include "initialised_only.hpp"
#include "type_setup.hpp"

#include "voxel/path_2d.hpp"

namespace py = pybind11;
using OSTREL::Voxel::path_2d;

void register_path_2d(py::module_& m) {
    py::class_<path_2d>(m, "path_2d", py::custom_type_setup(give_own_layout))
        .def("__str__", &path_2d::to_string, docstrings::path_2d::dunder_str, initialised_only())
        .def("length", &path_2d::length, docstrings::path_2d::length, initialised_only());
}
