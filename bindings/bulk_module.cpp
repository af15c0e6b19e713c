#include "bulk_docstrings.hpp"
#include "bulk_register.hpp"

// The functions take brondel's objects: brondel registers their classes with
// the binding library's registry, which every module built on it with the
// same registry key shares.
PYBIND11_MODULE(brondel_bulk, m) {
    pybind11::module_::import("brondel");
    m.doc() = bulk_docstrings::module;
    register_bulk_grids(m);
    register_bulk_searches(m);
}
