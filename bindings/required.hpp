// A bound object that a native operation takes by reference arrives from
// Python as a pointer, so that None can be told apart: the binding library
// would otherwise report None as an argument mismatch, while callers expect
// a RuntimeError with an empty message. The rendered signature is the same.
#pragma once

#include <stdexcept>

template <typename T>
T& required(T* object) {
    if (object == nullptr) {
        throw std::runtime_error("");
    }
    return *object;
}
