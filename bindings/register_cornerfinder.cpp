#include "docstrings.hpp"
#include "initialised_only.hpp"
#include "register.hpp"
#include "required.hpp"
#include "type_setup.hpp"

#include "voxel/corner_finding_algorithm_wrapper.hpp"

#include <pybind11/stl.h>

#include <cstddef>

namespace py = pybind11;
using OSTREL::Voxel::path_2d;
using OSTREL::Voxel::projection_map;

void register_cornerfinder(py::module_& m) {
    py::class_<corner_finding_algorithm_wrapper> cls(m, "cornerfinder", py::custom_type_setup(give_own_layout));
    cls.def(py::init([](const projection_map* source) { return corner_finding_algorithm_wrapper(required(source)); }),
            docstrings::cornerfinder::dunder_init, initialised_only())
        .def(
            "find_corner",
            [](corner_finding_algorithm_wrapper& self, std::size_t unused, const path_2d* path) {
                return self.find_corner(unused, required(path));
            },
            docstrings::cornerfinder::find_corner, initialised_only());
    def_readonly_initialised(cls, "corner", &corner_finding_algorithm_wrapper::corner,
                             docstrings::cornerfinder::corner);
    // The map is handed out in place, not copied: writes through it reach
    // later searches, and the returned object keeps its cornerfinder alive.
    def_readonly_initialised(cls, "corner_map", &corner_finding_algorithm_wrapper::corner_map,
                             docstrings::cornerfinder::corner_map);
}
