// The conversion of a cell argument ([x + 1, y + 1, z] of find_path and
// test_direct_view) between Python and std::array<unsigned int, 3>.
//
// Contract
//   Replaces, for this one type, the binding library's conversion of
//   fixed-size arrays. That one asks a sequence for its length twice, once to
//   check it and once to decide how many items to copy, so an object whose
//   __len__ changes its answer was copied past the three components (over the
//   other argument, or the stack). This one asks for the length once, reads
//   exactly the items 0, 1 and 2 by index into a local array, and makes that
//   the argument only when all three converted.
//   Accepts: what the library accepted, any object Python takes for a
//   sequence (list, tuple, range, bytes, ...) of length 3 whose items convert
//   as unsigned int parameters do (ints from 0 to 2**32 - 1, or objects with
//   __index__ or __int__). A str is refused, since its items are strs.
//   Refuses: anything else, including any exception raised by __len__,
//   __getitem__ or an item's conversion, as an argument mismatch (the
//   TypeError that lists the signatures); no Python error is left set.
//   Signatures still show List[int[3]]. No bound function returns this
//   type, so there is no conversion back to Python (using one fails to
//   compile).
//   A translation unit that converts this type must include this header
//   before its first use, or it would convert the type with the library's
//   version, and the module would hold two definitions of one specialisation.
//   Only register_pathfinder.cpp converts it.
#pragma once

#include <pybind11/pybind11.h>

#include <array>

namespace pybind11 {
namespace detail {

template <>
struct type_caster<std::array<unsigned int, 3>> {
    using cell_type = std::array<unsigned int, 3>;
    using component_caster = make_caster<unsigned int>;

    PYBIND11_TYPE_CASTER(cell_type, const_name("List[") + component_caster::name + const_name("[3]]"));

    bool load(handle source, bool convert) {
        if (!PySequence_Check(source.ptr()) || PySequence_Size(source.ptr()) != 3) {
            return refuse();
        }
        cell_type cell{};
        for (Py_ssize_t i = 0; i < 3; ++i) {
            auto item = reinterpret_steal<object>(PySequence_GetItem(source.ptr(), i));
            component_caster component;
            if (!item || !component.load(item, convert)) {
                return refuse();
            }
            cell[static_cast<std::size_t>(i)] = cast_op<unsigned int>(component);
        }
        value = cell;
        return true;
    }

private:
    static bool refuse() {
        PyErr_Clear();
        return false;
    }
};

}  // namespace detail
}  // namespace pybind11
