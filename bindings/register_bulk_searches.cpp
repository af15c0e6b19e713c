// find_paths, find_corners and release: many queries in one call. find_paths
// reads its queries and copies the map with the interpreter lock held, then
// lets the native batch (voxel/bulk/batch_search) answer them without it.
#include "bulk_register.hpp"

#include "bulk_conversions.hpp"
#include "bulk_docstrings.hpp"
#include "initialised_only.hpp"

#include "voxel/bulk/batch_search.hpp"
#include "voxel/corner_finding_algorithm.hpp"
#include "voxel/corner_finding_algorithm_wrapper.hpp"
#include "voxel/projection_map.hpp"

#include <climits>
#include <memory>
#include <string>
#include <vector>

namespace py = pybind11;
using OSTREL::Voxel::batch_search;
using OSTREL::Voxel::path_query;
using OSTREL::Voxel::projection_map;

namespace {

// The batch that find_paths keeps between calls, with its pathfinders. Calls
// running at once on several Python threads each need their own: a call
// takes the kept one (or makes one) and keeps it again when it ends, unless
// another call kept its own meanwhile. Touched only with the interpreter lock
// held; never destroyed, since it may outlive the interpreter.
std::unique_ptr<batch_search>& kept_batch() {
    static auto* kept = new std::unique_ptr<batch_search>();
    return *kept;
}

class borrowed_batch {
public:
    borrowed_batch() : batch(std::move(kept_batch())) {
        if (!batch) batch = std::make_unique<batch_search>();
    }
    ~borrowed_batch() {
        batch->clear_answers();
        if (!kept_batch()) kept_batch() = std::move(batch);
    }
    borrowed_batch(const borrowed_batch&) = delete;
    borrowed_batch& operator=(const borrowed_batch&) = delete;

    batch_search& operator*() const { return *batch; }
    batch_search* operator->() const { return batch.get(); }

private:
    std::unique_ptr<batch_search> batch;
};

// An int beyond the range of a cell stands for a cell outside every map.
int cell_component(py::handle value, std::size_t query) {
    const auto index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
    if (!index) {
        bulk::refuse("find_paths(): query " + std::to_string(query) + " holds a " + bulk::type_name(value) +
                     ", expected 4 ints (x1, y1, x2, y2)");
    }
    int overflow = 0;
    const long long component = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
    if (overflow != 0 || component < INT_MIN || component > INT_MAX) return -1;
    return static_cast<int>(component);
}

std::vector<path_query> read_queries(py::handle queries) {
    const py::tuple all = bulk::tuple_of(
        queries, "find_paths(): queries must be a sequence of (x1, y1, x2, y2), not " + bulk::type_name(queries));
    std::vector<path_query> read;
    read.reserve(all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string expected = "find_paths(): query " + std::to_string(i) + " must be 4 ints (x1, y1, x2, y2)";
        const py::tuple query = bulk::tuple_of(all[i], expected + ", not " + bulk::type_name(all[i]));
        if (query.size() != 4) bulk::refuse(expected + ", not " + std::to_string(query.size()) + " items");
        read.push_back({cell_component(query[0], i), cell_component(query[1], i), cell_component(query[2], i),
                        cell_component(query[3], i)});
    }
    return read;
}

// Runs the batch without the interpreter lock. The calling thread takes the
// lock back between its searches, about every poll interval, so that Python
// runs its signal handlers (Ctrl-C); returns false, with the handler's error
// (KeyboardInterrupt) set, when one raised.
bool run_unlocked(batch_search& batch, const std::vector<path_query>& queries, bool interpolate, unsigned int threads) {
    struct unlocked {
        PyThreadState* state = PyEval_SaveThread();
        ~unlocked() { PyEval_RestoreThread(state); }
    } released;
    return batch.run(queries, interpolate, threads, [&released] {
        PyEval_RestoreThread(released.state);
        const bool raised = PyErr_CheckSignals() != 0;
        released.state = PyEval_SaveThread();
        return raised;
    });
}

py::list find_paths(const projection_map* map, const py::object& queries, bool interpolate, unsigned int threads) {
    if (map == nullptr) bulk::refuse("find_paths(): map must be a brondel.projection_map, not None");
    // Reading the queries may run the caller's code; the map is copied after.
    const std::vector<path_query> read = read_queries(queries);
    borrowed_batch batch;
    batch->load(*map);
    if (!run_unlocked(*batch, read, interpolate, threads)) {
        if (PyErr_Occurred() == nullptr) PyErr_SetString(PyExc_KeyboardInterrupt, "");
        throw py::error_already_set();
    }
    const bulk::int_array cells_of;
    py::list answers(batch->answer_count());
    for (std::size_t i = 0; i < batch->answer_count(); ++i) {
        const auto answer = batch->answer(i);
        answers[i] = py::make_tuple(answer.status, answer.length, cells_of(answer.cells, answer.values));
    }
    return answers;
}

py::object find_corners(const corner_finding_algorithm_wrapper* finder, const py::object& paths) {
    if (finder == nullptr) bulk::refuse("find_corners(): finder must be a brondel.cornerfinder, not None");
    const py::tuple all =
        bulk::tuple_of(paths, "find_corners(): paths must be a sequence of int arrays, not " + bulk::type_name(paths));
    std::vector<int> corners(2 * all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string expected = "find_corners(): path " + std::to_string(i) +
                                     " must be a buffer of C ints x0, y0, x1, y1, ... (array('i'), numpy.int32)";
        const bulk::held_buffer cells(all[i], expected + ", not " + bulk::type_name(all[i]));
        const std::string code = cells.code();
        const bool c_ints =
            cells.item_size() == sizeof(int) && (code == "i" || (code == "l" && sizeof(long) == sizeof(int)));
        if (!c_ints || cells.dimensions() != 1 || !cells.row_after_row()) {
            bulk::refuse(expected + ", not " + std::to_string(cells.dimensions()) + "-D items of " +
                         std::to_string(cells.item_size()) + " bytes in format '" + cells.format() + "'");
        }
        unsigned int corner[2];
        OSTREL::Voxel::CornerFindingAlgorithm(static_cast<std::size_t>(cells.items()),
                                              reinterpret_cast<const int*>(cells.bytes()), finder->corner_map, corner);
        corners[2 * i] = static_cast<int>(corner[0]);
        corners[2 * i + 1] = static_cast<int>(corner[1]);
    }
    return bulk::int_array()(corners.data(), corners.size());
}

std::size_t release() {
    return kept_batch() ? kept_batch()->release() : 0;
}

}  // namespace

void register_bulk_searches(py::module_& m) {
    m.def("find_paths", &find_paths, py::arg("map"), py::arg("queries"), py::arg("interpolate"), py::arg("threads") = 0,
          bulk_docstrings::find_paths, initialised_only());
    m.def("find_corners", &find_corners, py::arg("finder"), py::arg("paths"), bulk_docstrings::find_corners,
          initialised_only());
    m.def("release", &release, bulk_docstrings::release);
}
