// Adjustments to the Python type of a bound class, made through
// py::custom_type_setup before the type is readied. A class takes a single
// setup function, so a class that needs both of these calls them in its own.
//
// give_own_layout(type)
//   Python lets `obj.__class__ = other` (and `Sub.__bases__ = ...`) swap the
//   class of a live object when both classes have the same memory layout. The
//   binding library gives every bound class the same layout, so a pathfinder
//   could be relabelled a projection_map and its native object read as a map.
//   This appends one unused pointer-sized slot to the class's instances, which
//   makes its layout differ from its base's and from every other class's:
//   Python then refuses such an assignment with TypeError. Every class of the
//   module calls it. A Python subclass may still move an object to another
//   subclass of the same bound class, which holds the same native object.
//   Python classes deriving from two bound classes are refused as well.
//   It also gives the class a __new__ of its own (the library's, unchanged).
//   Pickle's two oldest protocols look for the nearest class in the object's
//   ancestry that has its own __new__ and, from Python 3.11 on, call it with
//   the object; without this that class is the library's common base, whose
//   construction aborts the process. With it, the bound class itself is found,
//   which pickle refuses with TypeError ("cannot pickle"), or, for a Python
//   subclass, the bound class is called with the object, which raises
//   TypeError as any wrong argument does. Python 3.8 stops at the first
//   class that is not a heap type, as before.
//
// make_collectable(type, traverse, clear)
//   For a class whose objects hold Python references that the collector
//   cannot see (the binding library keeps some in its own tables): sets
//   Py_TPFLAGS_HAVE_GC and the given tp_traverse and tp_clear (clear may be
//   null when clearing would leave the native object unsafe; a cycle is then
//   broken at another object of it). They must reach the native object only
//   through native_value_of (pybind11_internals.hpp), which is null for an
//   object made by __new__ alone, and must not call into Python or throw.
//   It also replaces tp_dealloc: the binding library's version destroys the
//   native object while the Python object, its count already zero, is still
//   tracked, so a collection started by a destructor (for instance that of a
//   released map's subclass) would traverse, or free, an object being torn
//   down. This one stops the tracking first, then hands over to the library.
#pragma once

#include "pybind11_internals.hpp"

#include <pybind11/pybind11.h>

inline void give_own_layout(PyHeapTypeObject* heap_type) {
    PyTypeObject& type = heap_type->ht_type;
    type.tp_basicsize = type.tp_base->tp_basicsize + static_cast<Py_ssize_t>(sizeof(PyObject*));
    type.tp_new = bound_instance_base()->tp_new;
}

extern "C" inline void untrack_then_dealloc(PyObject* self) {
    PyObject_GC_UnTrack(self);
    bound_instance_base()->tp_dealloc(self);
}

inline void make_collectable(PyHeapTypeObject* heap_type, traverseproc traverse, inquiry clear) {
    PyTypeObject& type = heap_type->ht_type;
    type.tp_flags |= Py_TPFLAGS_HAVE_GC;
    type.tp_traverse = traverse;
    type.tp_clear = clear;
    type.tp_dealloc = untrack_then_dealloc;
}
