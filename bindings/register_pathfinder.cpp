#include "cell_argument.hpp"
#include "docstrings.hpp"
#include "initialised_only.hpp"
#include "register.hpp"
#include "required.hpp"
#include "type_setup.hpp"

#include "voxel/i_pathfinder.hpp"
#include "voxel/jps_pathfinder.hpp"
#include "voxel/projection_map.hpp"

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
    // Casting the pointer back finds the map's existing Python object. It is
    // taken before the native pathfinder is re-bound, so that nothing can fail
    // between re-binding and holding the new map.
    py::object new_map = py::cast(map, py::return_value_policy::reference);
    const int status = self.init(required(map), interpolate);
    // The only constructor registered below builds a bound_pathfinder, also
    // for Python subclasses, so every jps_pathfinder seen here is one; an
    // object whose constructor never ran is refused before this point
    // (initialised_only), as it holds no pathfinder at all.
    static_cast<bound_pathfinder&>(self).bound_map = std::move(new_map);
    return status;
}

bound_pathfinder* bound_pathfinder_of(PyObject* self) {
    return static_cast<bound_pathfinder*>(static_cast<jps_pathfinder*>(native_value_of(self)));
}

// The collector sees the pathfinder's hold on its map, so that a cycle
// through it (a map subclass that refers back to its pathfinder) is freed.
int visit_bound_map(PyObject* self, visitproc visit, void* arg) {
#if PY_VERSION_HEX >= 0x03090000
    Py_VISIT(Py_TYPE(self));
#endif
    if (bound_pathfinder* finder = bound_pathfinder_of(self)) {
        Py_VISIT(finder->bound_map.ptr());
    }
    return 0;
}

// Breaking a cycle releases the map; the native pathfinder is first bound to
// a map without cells, so that it never points at a released map: should the
// object be used again, searches answer 2 and line tests 3, as before init.
int release_bound_map(PyObject* self) {
    static const projection_map no_cells(0, 0);
    bound_pathfinder* finder = bound_pathfinder_of(self);
    if (finder == nullptr) {
        return 0;
    }
    try {
        finder->init(no_cells, finder->interpolate);
    } catch (...) {
        return 0;  // still bound to its map, which it therefore keeps
    }
    finder->bound_map = py::object();
    return 0;
}

void set_up_pathfinder_type(PyHeapTypeObject* heap_type) {
    give_own_layout(heap_type);
    make_collectable(heap_type, visit_bound_map, release_bound_map);
}

}  // namespace

void register_pathfinder(py::module_& m) {
    py::class_<i_pathfinder>(m, "pathfinder_ifc", py::custom_type_setup(give_own_layout));
    py::class_<jps_pathfinder, i_pathfinder, bound_pathfinder>(m, "pathfinder",
                                                               py::custom_type_setup(set_up_pathfinder_type))
        .def(py::init_alias<>(), docstrings::pathfinder::dunder_init)
        .def("init", &init_keeping_map_alive, docstrings::pathfinder::init, initialised_only())
        .def("find_path", &jps_pathfinder::find_path, docstrings::pathfinder::find_path, initialised_only())
        .def("test_direct_view", &jps_pathfinder::test_direct_view, docstrings::pathfinder::test_direct_view,
             initialised_only())
        .def("get_path", &jps_pathfinder::get_path, docstrings::pathfinder::get_path, initialised_only())
        .def("get_path_length", &jps_pathfinder::get_path_length, docstrings::pathfinder::get_path_length,
             initialised_only());
}
