// One registration function per bound family; module.cpp calls them in the
// order the classes must appear, since a signature can only name a class that
// was registered before it.
#pragma once

#include <pybind11/pybind11.h>

void register_projection_map(pybind11::module_& m);
void register_path_2d(pybind11::module_& m);
void register_pathfinder(pybind11::module_& m);
void register_cornerfinder(pybind11::module_& m);
