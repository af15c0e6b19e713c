// brondel_bulk's registration functions, one per family of functions;
// bulk_module.cpp calls them after importing brondel, whose classes their
// signatures name.
#pragma once

#include <pybind11/pybind11.h>

void register_bulk_grids(pybind11::module_& m);
void register_bulk_searches(pybind11::module_& m);
