// Python can make an object of a bound class without running its __init__:
// cls.__new__(cls) returns an instance that holds no native object. The
// binding library hands such an instance to a native function as raw,
// unconstructed memory, whether it arrives as self or as an argument, and
// reading it is undefined behaviour (a crash, at best).
//
// initialised_only() is an extra for def() and py::init() that checks every
// argument of the call before the native function runs and raises TypeError
// for an instance that was never initialised. Every instance that refers to
// a native object, whether it owns it or was handed out by reference, is
// registered with the binding library; one made by __new__ alone is not. The
// object under construction in an __init__ is the one argument allowed to be
// empty.
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

#include <pybind11/pybind11.h>

struct initialised_only {};

namespace pybind11 {
namespace detail {

template <>
struct process_attribute<initialised_only> : process_attribute_default<initialised_only> {
    static void precall(function_call& call) {
        const std::size_t first = call.func.is_new_style_constructor ? 1 : 0;
        for (std::size_t i = first; i < call.args.size(); ++i) {
            require_initialised(call.args[i]);
        }
    }

private:
    static void require_initialised(handle argument) {
        auto* base = reinterpret_cast<PyTypeObject*>(get_internals().instance_base);
        if (!PyObject_TypeCheck(argument.ptr(), base)) {
            return;
        }
        for (auto& value : values_and_holders(reinterpret_cast<instance*>(argument.ptr()))) {
            if (!value.instance_registered()) {
                throw type_error(get_fully_qualified_tp_name(value.type->type) +
                                 ".__init__() must be called before the object is used");
            }
        }
    }
};

}  // namespace detail
}  // namespace pybind11

template <typename Class, typename Field, typename... Options>
void def_readonly_initialised(pybind11::class_<Class, Options...>& cls, const char* name,
                              const Field Class::*field, const char* doc) {
    pybind11::cpp_function getter(
        [field](const Class& object) -> const Field& { return object.*field; },
        pybind11::is_method(cls), initialised_only(), doc);
    cls.def_property_readonly(name, getter, pybind11::return_value_policy::reference_internal);
}
