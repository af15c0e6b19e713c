// What brondel_bulk's functions share at the boundary: a Python object's
// buffer held for a call, refusals that say what was expected, Python
// sequences read as tuples, and flat int results as array('i').
//
// Contract
//   held_buffer  asks an object for its buffer with shape, strides and format
//                and holds it until destroyed: while held, the object cannot be
//                resized (a bytearray refuses with BufferError, numpy refuses
//                resize). Nothing is checked but that the buffer exists; the
//                caller checks item size, format, dimensions and contiguity.
//   refuse       raises TypeError with the message. A TypeError that Python
//                already raised (an object that is not a buffer, not iterable,
//                not an int) becomes its cause; any other pending error
//                (MemoryError, KeyboardInterrupt, an exception of the caller's
//                own object) is raised unchanged instead.
//   tuple_of     the items of any iterable as a new tuple, or refuse: a list
//                that the caller's code changes meanwhile (an __index__ that
//                empties it) cannot change what the function reads.
//   int_array    values as array('i'): C ints (4 bytes on every platform),
//                the buffer protocol (numpy.frombuffer), picklable, no Python
//                object per value. Python refusing the memory is MemoryError.
//   All of them need the interpreter lock.
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <string>

namespace bulk {

namespace py = pybind11;

[[noreturn]] inline void refuse(const std::string& message) {
    if (PyErr_Occurred() == nullptr) {
        PyErr_SetString(PyExc_TypeError, message.c_str());
    } else if (PyErr_ExceptionMatches(PyExc_TypeError)) {
        py::raise_from(PyExc_TypeError, message.c_str());
    }
    throw py::error_already_set();
}

inline std::string type_name(py::handle object) {
    return Py_TYPE(object.ptr())->tp_name;
}

class held_buffer {
public:
    held_buffer(py::handle source, const std::string& refusal) {
        if (PyObject_GetBuffer(source.ptr(), &view, PyBUF_FULL_RO) != 0) refuse(refusal);
    }
    ~held_buffer() { PyBuffer_Release(&view); }
    held_buffer(const held_buffer&) = delete;
    held_buffer& operator=(const held_buffer&) = delete;

    // The item's struct code without its byte order mark: "B" when the
    // exporter gives no format.
    std::string code() const {
        std::string format = this->format();
        if (!format.empty() && std::string("@=<>!").find(format[0]) != std::string::npos) format.erase(0, 1);
        return format;
    }
    std::string format() const { return view.format != nullptr ? view.format : "B"; }
    Py_ssize_t item_size() const { return view.itemsize; }
    int dimensions() const { return view.ndim; }
    Py_ssize_t extent(int dimension) const { return view.shape[dimension]; }
    Py_ssize_t items() const { return view.itemsize == 0 ? 0 : view.len / view.itemsize; }
    bool row_after_row() const { return PyBuffer_IsContiguous(&view, 'C') != 0; }
    const char* bytes() const { return static_cast<const char*>(view.buf); }

private:
    Py_buffer view{};
};

inline py::tuple tuple_of(py::handle items, const std::string& refusal) {
    PyObject* tuple = PySequence_Tuple(items.ptr());
    if (tuple == nullptr) refuse(refusal);
    return py::reinterpret_steal<py::tuple>(tuple);
}

class int_array {
public:
    int_array() : array_type(py::module_::import("array").attr("array")), code("i") {}

    py::object operator()(const int* values, std::size_t count) const {
        PyObject* raw = PyBytes_FromStringAndSize(reinterpret_cast<const char*>(values),
                                                  static_cast<Py_ssize_t>(count * sizeof(int)));
        if (raw == nullptr) throw py::error_already_set();
        return array_type(code, py::reinterpret_steal<py::bytes>(raw));
    }

private:
    py::object array_type;
    py::str code;
};

}  // namespace bulk
