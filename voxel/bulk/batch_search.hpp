// batch_search: many path queries on one map, answered on several threads at
// once; each answer is exactly what a pathfinder bound to the map alone gives.
//
// Contract
//   Ownership:    owns a snapshot of the map, copied by load(): nothing refers
//                 to the caller's map afterwards, so the caller may change or
//                 free it while run() searches. Owns one jps_pathfinder per
//                 thread of the last run, bound to the snapshot, and the
//                 answers of the last run.
//   Answers:      answer i of run() is what a new jps_pathfinder leaves after
//                 init(snapshot, interpolate) and find_path({x1 + 1, y1 + 1, 0},
//                 {x2 + 1, y2 + 1, 0}) for query i: the status (0 found,
//                 2 not), the path's cells (x0, y0, x1, y1, ...) and its
//                 length. A failed query has length 0 and no cells, whatever
//                 its thread answered before. Any int is a cell; one outside
//                 the map gives status 2. The answers do not depend on the
//                 number of threads.
//   Planes:       when a run has enough queries for it to pay (or
//                 use_planes() says always), it first builds the snapshot's
//                 run planes (snapshot_planes) and searches them instead of
//                 the snapshot's cells, which gives the same answers
//                 (snapshot_search.hpp) in less time; they are kept until the
//                 next load() or release(). Planes that cannot be allocated
//                 are done without: the run searches the cells.
//   Threads:      run() answers on the calling thread and on up to threads - 1
//                 threads it starts and joins before it returns (fewer if the
//                 system will not start them). Each has its own pathfinder and
//                 search workspace; they share only the snapshot, which nothing
//                 writes during a run. One call at a time per object.
//   Stopping:     the calling thread calls `stop_requested` between its
//                 searches, about every poll_interval, and while it waits for
//                 the other threads, until it returns true; then no further
//                 search starts, run() returns false once the searches under
//                 way have ended, and the answers are incomplete.
//   Checking:     run() rejects a snapshot wider or higher than
//                 jps_pathfinder::max_extent with std::length_error before it
//                 changes anything.
//   Memory:       load() asks for the snapshot's memory as a whole, and run()
//                 for its threads' node grids and search workspaces, before
//                 anything changes or any search starts (std::bad_alloc).
//                 Memory that runs out later, while a search's lists or the
//                 path cells grow, stops every thread, and run() rethrows the
//                 std::bad_alloc on the calling thread. Kept between runs: the
//                 snapshot (one byte a cell), its run planes if the last run
//                 built them (about 2 bytes a cell), one pathfinder per thread
//                 of the last run (node grid: 32 bytes a cell, rebuilt only
//                 for a map of another size), and the answers until
//                 clear_answers().
//                 release() gives all of it back. The threads a run starts
//                 give their search workspaces back when they end; the calling
//                 thread keeps its own by the workspace's rule
//                 (search_workspace.hpp).
//
// Usage
//   batch_search batch;
//   batch.load(map);                                   // the snapshot
//   if (batch.run({{0, 0, 5, 3}, {1, 1, 2, 2}}, true, 2, [] { return false; })) {
//       path_answer a = batch.answer(0);               // a.status, a.length, a.cells[0 .. a.values)
//   }
#pragma once

#include "voxel/jps_pathfinder.hpp"
#include "voxel/projection_map.hpp"
#include "voxel/search/snapshot_planes.hpp"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace OSTREL {
namespace Voxel {

// From (x1, y1) to (x2, y2), zero-based (column, row) cells.
struct path_query {
    int x1;
    int y1;
    int x2;
    int y2;
};

// One answer of the last run. `cells` points at `values` ints, two a cell;
// valid until the next load(), run(), clear_answers() or release().
struct path_answer {
    int status;
    float length;
    const int* cells;
    std::size_t values;
};

class batch_search {
public:
    static constexpr std::chrono::milliseconds poll_interval{50};

    batch_search();
    ~batch_search();
    batch_search(const batch_search&) = delete;
    batch_search& operator=(const batch_search&) = delete;

    // Copies the map into the snapshot that the next runs search.
    void load(const projection_map& map);

    // Whether runs search the snapshot's run planes: when a run has enough
    // queries for building them to pay (the default), always, or never. The
    // answers are the same.
    enum class planes_use { when_they_pay, always, never };
    void use_planes(planes_use use);
    // Whether the last run searched run planes.
    bool searched_planes() const { return planes_searched; }
    // Whether a run of `queries` queries on a map of `cells` cells with
    // `threads` threads builds run planes, when they are used where they pay.
    static bool planes_pay(std::size_t queries, std::size_t cells, unsigned int threads);

    // Answers every query on the snapshot with up to `threads` threads (0: one
    // per CPU; never more than there are queries, and no pathfinder is built
    // for none). Returns false when `stop_requested` stopped it.
    bool run(const std::vector<path_query>& queries, bool interpolate, unsigned int threads,
             const std::function<bool()>& stop_requested);

    std::size_t answer_count() const;
    path_answer answer(std::size_t i) const;

    // Gives back the answers' storage; the snapshot and pathfinders stay.
    void clear_answers();
    // Gives back everything; returns the bytes that were held.
    std::size_t release();
    // Bytes held now: snapshot, run planes, node grids and lists, answers.
    std::size_t bytes() const;

    // The threads a run with `threads` = 0 uses.
    static unsigned int threads_per_cpu();

private:
    struct worker;
    struct answer_record;
    struct run_state;

    void refuse_unsearchable_snapshot(bool interpolate);
    void prepare_workers(unsigned int count, bool interpolate);
    void prepare_planes(std::size_t queries, unsigned int threads);
    void work(run_state& state, unsigned int id);
    void answer_query(unsigned int id, std::size_t i, const path_query& query);

    projection_map snapshot;
    snapshot_planes planes;
    bool planes_current = false;  // built from the snapshot as it is now
    bool planes_searched = false;
    planes_use planes_wanted = planes_use::when_they_pay;
    std::vector<std::unique_ptr<worker>> workers;
    std::vector<answer_record> answers;
};

}  // namespace Voxel
}  // namespace OSTREL
