#include "register.hpp"

#include "docstrings.hpp"
#include "initialised_only.hpp"
#include "type_setup.hpp"

#include "voxel/projection_map.hpp"

#include <pybind11/stl.h>

#include <cstddef>
#include <new>

namespace py = pybind11;
using OSTREL::Voxel::projection_map;

namespace {

// A corner map handed out by a cornerfinder keeps that cornerfinder alive
// through the binding library's table of kept objects ("patients"), which
// the collector cannot see; this shows it, so that a cycle through it (a
// cornerfinder subclass that refers to its own corner map) is freed. There
// is no tp_clear: the corner map points into its cornerfinder, so releasing
// the cornerfinder while the map lives would leave it pointing at freed
// memory. The cycle is broken at its other end instead: the only way back
// from a cornerfinder to its map is an attribute of a Python subclass, which
// the collector clears.
int visit_kept_objects(PyObject* self, visitproc visit, void* arg) {
#if PY_VERSION_HEX >= 0x03090000
    Py_VISIT(Py_TYPE(self));
#endif
    return for_each_kept_object(self, [&](PyObject* kept) {
        Py_VISIT(kept);
        return 0;
    });
}

// The text, written straight into a new str of its exact size: the one copy
// of it, asked for whole before any of it is written (MemoryError at once).
py::str text_of(const projection_map& map) {
    const std::size_t size = map.text_size();
    if (size > static_cast<std::size_t>(PY_SSIZE_T_MAX)) {
        throw std::bad_alloc();
    }
    auto text = py::reinterpret_steal<py::str>(PyUnicode_New(static_cast<Py_ssize_t>(size), 127));
    if (!text) {
        throw py::error_already_set();
    }
    map.write_text(static_cast<char*>(PyUnicode_DATA(text.ptr())));
    return text;
}

void set_up_projection_map_type(PyHeapTypeObject* heap_type) {
    give_own_layout(heap_type);
    make_collectable(heap_type, visit_kept_objects, nullptr);
}

}  // namespace

void register_projection_map(py::module_& m) {
    py::class_<projection_map> cls(m, "projection_map", py::custom_type_setup(set_up_projection_map_type));
    cls.def(py::init<std::uint32_t, std::uint32_t>(), docstrings::projection_map::dunder_init, initialised_only())
        // Python cannot be trusted with the grid's bounds: an index outside
        // the map raises IndexError instead of touching memory.
        .def("get", &projection_map::checked_get, docstrings::projection_map::get, initialised_only())
        .def("set", &projection_map::checked_set, docstrings::projection_map::set, initialised_only())
        .def("__str__", &text_of, docstrings::projection_map::dunder_str, initialised_only());
    def_readonly_initialised(cls, "resolution", &projection_map::resolution, docstrings::projection_map::resolution);
}
