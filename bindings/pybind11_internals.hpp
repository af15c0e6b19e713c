// Every place where the module reaches past pybind11's public interface into
// its internals (namespace pybind11::detail): the layout of a bound instance,
// the library's registry, its table of kept objects ("patients") and its
// per-call hook for extras given to def(). Nothing else in bindings/ names
// pybind11::detail.
//
// Contract
//   Versions:   written against pybind11 2.10 (tested: Debian 12's 2.10.3)
//               and 2.11, both with registry (internals) version 4. Any other
//               version fails to compile here, with the reason; the top
//               CMakeLists.txt asks find_package for the same range. Moving
//               to another version means checking each function below against
//               its sources, then widening both.
//   Layout:     every class of the module has the simple layout (one native
//               value and its holder, no multiple inheritance); functions that
//               read a value return null or false otherwise.
//   Safety:     nothing here calls into Python or throws, except the call
//               hook, which raises TypeError; the readers are safe inside
//               tp_traverse and tp_clear.
//
// Usage
//   if (auto* finder = static_cast<T*>(native_value_of(self))) ...
//   for_each_kept_object(self, [&](PyObject* kept) { Py_VISIT(kept); });
//   cls.def("f", &T::f, initialised_only());
#pragma once

#include <pybind11/pybind11.h>

static_assert(PYBIND11_VERSION_MAJOR == 2 && PYBIND11_VERSION_MINOR >= 10 && PYBIND11_VERSION_MINOR <= 11,
              "bindings/pybind11_internals.hpp reads pybind11's internals as of 2.10 and 2.11 only: "
              "check it against this version's sources before widening the range");
static_assert(PYBIND11_INTERNALS_VERSION == 4,
              "the module shares pybind11's registry version 4 (the key in the interpreter's builtins)");

// An extra for def() and py::init(): refuses, with TypeError, an argument
// that is a bound instance never initialised (see initialised_only.hpp).
struct initialised_only {};

// The class every instance of a bound class derives from, in Python.
inline PyTypeObject* bound_instance_base() {
    return reinterpret_cast<PyTypeObject*>(pybind11::detail::get_internals().instance_base);
}

// The native value of a bound instance, or null when the instance refers to
// none: one made by __new__ alone, even after a method call has allocated its
// value's storage (which the library does lazily, without constructing it).
// An instance refers to a native object exactly when it is registered.
inline void* native_value_of(PyObject* self) {
    auto* instance = reinterpret_cast<pybind11::detail::instance*>(self);
    if (!instance->simple_layout || !instance->simple_instance_registered) {
        return nullptr;
    }
    return instance->simple_value_holder[0];
}

// Calls visit(kept) for every object the library keeps alive for `self`
// (keep_alive, reference_internal), which it holds in a table of its own.
template <typename Visit>
int for_each_kept_object(PyObject* self, Visit&& visit) {
    if (!reinterpret_cast<pybind11::detail::instance*>(self)->has_patients) {
        return 0;
    }
    auto& kept = pybind11::detail::get_internals().patients;
    const auto found = kept.find(self);
    if (found == kept.end()) {
        return 0;
    }
    for (PyObject* patient : found->second) {
        if (const int stop = visit(patient)) {
            return stop;
        }
    }
    return 0;
}

namespace pybind11 {
namespace detail {

// Runs before the native function, once every argument is converted.
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
        if (!PyObject_TypeCheck(argument.ptr(), bound_instance_base())) {
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
