#include "register.hpp"

#include "docstrings.hpp"
#include "initialised_only.hpp"

#include "voxel/projection_map.hpp"

#include <pybind11/stl.h>

namespace py = pybind11;
using OSTREL::Voxel::projection_map;

void register_projection_map(py::module_& m) {
    py::class_<projection_map> cls(m, "projection_map");
    cls.def(py::init<std::uint32_t, std::uint32_t>(), docstrings::map_init)
        // Python cannot be trusted with the grid's bounds: an index outside
        // the map raises IndexError instead of touching memory.
        .def("get", &projection_map::checked_get, docstrings::map_get, initialised_only())
        .def("set", &projection_map::checked_set, docstrings::map_set, initialised_only())
        .def("__str__", &projection_map::to_string, docstrings::map_str, initialised_only());
    def_readonly_initialised(cls, "resolution", &projection_map::resolution, docstrings::map_resolution);
}
