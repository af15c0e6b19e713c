#include "register.hpp"
#include "docstrings.hpp"
#include "initialised_only.hpp"
#include "required.hpp"

#include "voxel/i_pathfinder.hpp"
#include "voxel/jps_pathfinder.hpp"
#include "voxel/projection_map.hpp"

#include <pybind11/stl.h>

namespace py = pybind11;
using OSTREL::Voxel::i_pathfinder;
using OSTREL::Voxel::jps_pathfinder;
using OSTREL::Voxel::projection_map;

namespace {

// The native pathfinder only points at its map. Every Python pathfinder is
// built as this subclass (through init_alias), which also holds the Python
// object of the bound map, so that dropping the caller's last reference
// cannot free cells a later search reads. Re-binding releases the old map.
// It adds no state to jps_pathfinder itself, whose layout is fixed.
class bound_pathfinder : public jps_pathfinder {
public:
    py::object bound_map;
};

int init_keeping_map_alive(jps_pathfinder& self, const projection_map* map, bool interpolate) {
    const int status = self.init(required(map), interpolate);
    // The only constructor registered below builds a bound_pathfinder, also
    // for Python subclasses, so every jps_pathfinder seen here is one; an
    // object whose constructor never ran is refused before this point
    // (initialised_only), as it holds no pathfinder at all.
    // Casting the pointer back finds the map's existing Python object.
    static_cast<bound_pathfinder&>(self).bound_map = py::cast(map, py::return_value_policy::reference);
    return status;
}

}  // namespace

void register_pathfinder(py::module_& m) {
    py::class_<i_pathfinder>(m, "pathfinder_ifc");
    py::class_<jps_pathfinder, i_pathfinder, bound_pathfinder>(m, "pathfinder")
        .def(py::init_alias<>(), docstrings::pathfinder_init)
        .def("init", &init_keeping_map_alive, docstrings::pathfinder_bind, initialised_only())
        .def("find_path", &jps_pathfinder::find_path, docstrings::pathfinder_find_path, initialised_only())
        .def("test_direct_view", &jps_pathfinder::test_direct_view, docstrings::pathfinder_test_direct_view,
             initialised_only())
        .def("get_path", &jps_pathfinder::get_path, docstrings::pathfinder_get_path, initialised_only())
        .def("get_path_length", &jps_pathfinder::get_path_length, docstrings::pathfinder_get_path_length,
             initialised_only());
}
