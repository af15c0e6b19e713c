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

#include <pybind11/pybind11.h>

struct initialised_only {};

namespace pybind11 {
namespace detail {

template <>
struct process_attribute<initialised_only> : process_attribute_default<initialised_only> {
    static void precall(function_call& call) {
        std::size_t first = 0;
        if (call.func.is_new_style_constructor) {
            require_not_initialised_meanwhile(call.args[0]);
            first = 1;
        }
        for (std::size_t i = first; i < call.args.size(); ++i) {
            require_initialised(call.args[i]);
        }
    }

private:
    // The library ignores __init__ on an object that is already initialised,
    // but checks that before converting the arguments; an argument's
    // __index__ may call __init__ on the same object meanwhile. Constructing
    // a second native object over the first would register the instance
    // twice, which ends in a fatal error when it is freed.
    static void require_not_initialised_meanwhile(handle self_slot) {
        auto& self = *reinterpret_cast<value_and_holder*>(self_slot.ptr());
        if (self.instance_registered()) {
            throw type_error(get_fully_qualified_tp_name(self.type->type) +
                             ".__init__() was called again while its arguments were converted");
        }
    }

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
