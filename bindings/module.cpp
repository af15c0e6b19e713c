#include "docstrings.hpp"
#include "register.hpp"

PYBIND11_MODULE(brondel, m) {
    m.doc() = docstrings::module;
    register_projection_map(m);
    register_path_2d(m);
    register_pathfinder(m);
    register_cornerfinder(m);
}
