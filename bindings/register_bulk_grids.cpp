// fill, cells and path_cells: a map's cells and a path's cells in and out as
// whole buffers. They hold the interpreter lock: each is one copy of memory.
#include "bulk_register.hpp"

#include "bulk_conversions.hpp"
#include "bulk_docstrings.hpp"
#include "initialised_only.hpp"

#include "voxel/path_2d.hpp"
#include "voxel/projection_map.hpp"

#include <cstring>
#include <string>

namespace py = pybind11;
using OSTREL::Voxel::path_2d;
using OSTREL::Voxel::projection_map;

namespace {

template <typename T>
T& given(T* object, const char* what) {
    if (object == nullptr) bulk::refuse(std::string(what) + ", not None");
    return *object;
}

bool one_byte_code(const std::string& code) {
    return code == "B" || code == "b" || code == "?" || code == "c";
}

// Every check comes before the first cell is written.
void fill(projection_map* map, const py::object& data) {
    projection_map& grid = given(map, "fill(): map must be a brondel.projection_map");
    const std::size_t width = grid.resolution[0];
    const std::size_t height = grid.resolution[1];
    const bulk::held_buffer buffer(data,
                                   "fill(): data must have the buffer protocol (bytes, bytearray, memoryview, "
                                   "array.array, numpy.ndarray), not " +
                                       bulk::type_name(data));
    if (buffer.item_size() != 1 || !one_byte_code(buffer.code())) {
        bulk::refuse("fill(): data must hold one-byte cells (uint8, int8, bool), not items of " +
                     std::to_string(buffer.item_size()) + " bytes in format '" + buffer.format() + "'");
    }
    const std::string expected = "(height, width) = (" + std::to_string(height) + ", " + std::to_string(width) + ")";
    if (buffer.dimensions() == 1) {
        if (static_cast<std::size_t>(buffer.extent(0)) != width * height) {
            throw py::value_error("fill(): data holds " + std::to_string(buffer.extent(0)) +
                                  " cells, expected width * height = " + std::to_string(width * height));
        }
    } else if (buffer.dimensions() == 2) {
        if (static_cast<std::size_t>(buffer.extent(0)) != height ||
            static_cast<std::size_t>(buffer.extent(1)) != width) {
            throw py::value_error("fill(): data has shape (" + std::to_string(buffer.extent(0)) + ", " +
                                  std::to_string(buffer.extent(1)) + "), expected " + expected);
        }
    } else {
        throw py::value_error("fill(): data has " + std::to_string(buffer.dimensions()) +
                              " dimensions, expected 1 (width * height cells) or 2 " + expected);
    }
    if (!buffer.row_after_row()) {
        throw py::value_error(
            "fill(): data must be C-contiguous, row after row; copy it first, e.g. with "
            "bytes(data) or numpy.ascontiguousarray(data)");
    }
    for (std::size_t y = 0; y < height && width > 0; ++y) {
        std::memcpy(&grid.rows[y][0], buffer.bytes() + y * width, width);
    }
}

py::bytes cells(const projection_map* map) {
    const projection_map& grid = given(map, "cells(): map must be a brondel.projection_map");
    const std::size_t width = grid.resolution[0];
    const std::size_t height = grid.resolution[1];
    PyObject* raw = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(width * height));
    if (raw == nullptr) throw py::error_already_set();
    auto result = py::reinterpret_steal<py::bytes>(raw);
    char* target = PyBytes_AS_STRING(raw);
    for (std::size_t y = 0; y < height && width > 0; ++y) {
        std::memcpy(target + y * width, &grid.rows[y][0], width);
    }
    return result;
}

py::object path_cells(const path_2d* path) {
    const path_2d& cells_of = given(path, "path_cells(): path must be a brondel.path_2d");
    return bulk::int_array()(cells_of.coords.data(), 2 * cells_of.length());
}

}  // namespace

void register_bulk_grids(py::module_& m) {
    m.def("fill", &fill, py::arg("map"), py::arg("data"), bulk_docstrings::fill, initialised_only());
    m.def("cells", &cells, py::arg("map"), bulk_docstrings::cells, initialised_only());
    m.def("path_cells", &path_cells, py::arg("path"), bulk_docstrings::path_cells, initialised_only());
}
