#include "register.hpp"

#include "voxel/projection_map.hpp"

#include <pybind11/stl.h>

namespace py = pybind11;
using OSTREL::Voxel::projection_map;

void register_projection_map(py::module_& m) {
    py::class_<projection_map>(m, "projection_map")
        .def(py::init<std::uint32_t, std::uint32_t>())
        // Python cannot be trusted with the grid's bounds: an index outside
        // the map raises IndexError instead of touching memory.
        .def("get", &projection_map::checked_get)
        .def("set", &projection_map::checked_set)
        .def("__str__", &projection_map::to_string)
        .def_readonly("resolution", &projection_map::resolution);
}
