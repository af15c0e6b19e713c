// Python can make an object of a bound class without running its __init__:
// cls.__new__(cls) returns an instance that holds no native object. The
// binding library hands such an instance to a native function as raw,
// unconstructed memory, whether it arrives as self or as an argument, and
// reading it is undefined behaviour (a crash, at best).
//
// initialised_only() is an extra for def() and py::init() that checks every
// argument of the call before the native function runs and raises TypeError
// for an instance that was never initialised (its hook into the binding
// library is in pybind11_internals.hpp). Every instance that refers to a
// native object, whether it owns it or was handed out by reference, is
// registered with the binding library; one made by __new__ alone is not. The
// object under construction in an __init__ is the one argument allowed to be
// empty, and it must still be empty once the arguments are converted (an
// argument's conversion may have run its __init__ meanwhile): else TypeError.
//
// def_readonly() builds its getter before it sees any extra, so the check
// would never run there; def_readonly_initialised() builds the same getter,
// with the same reference_internal policy, and the check in place.
//
// Usage
//   py::class_<T> cls(m, "T");
//   cls.def("f", &T::f, initialised_only());
//   def_readonly_initialised(cls, "field", &T::field, "docstring");
#pragma once

#include "pybind11_internals.hpp"

#include <pybind11/pybind11.h>

template <typename Class, typename Field, typename... Options>
void def_readonly_initialised(pybind11::class_<Class, Options...>& cls, const char* name, const Field Class::*field,
                              const char* doc) {
    // (Not named `getter`, which Python.h declares.)
    pybind11::cpp_function read_field([field](const Class& object) -> const Field& { return object.*field; },
                                      pybind11::is_method(cls), initialised_only(), doc);
    cls.def_property_readonly(name, read_field, pybind11::return_value_policy::reference_internal);
}
