#include "voxel/bulk/batch_search.hpp"

#include "voxel/memory_probe.hpp"
#include "voxel/search/cell_marks.hpp"
#include "voxel/search/snapshot_search.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace OSTREL {
namespace Voxel {

namespace {

using steady = std::chrono::steady_clock;

std::array<unsigned int, 3> one_based(int x, int y) {
    return {static_cast<unsigned int>(x) + 1u, static_cast<unsigned int>(y) + 1u, 0u};
}

std::size_t checked_sum(std::size_t a, std::size_t b) {
    if (b > SIZE_MAX - a) throw std::bad_alloc();
    return a + b;
}

}  // namespace

// A thread's pathfinder, and the cells of the paths it found in this run.
struct batch_search::worker {
    jps_pathfinder finder;
    std::vector<int> cells;
};

// Where answer i lies: its cells are `values` ints of that worker's cells.
struct batch_search::answer_record {
    int status = jps_pathfinder::no_path;
    float length = 0.0f;
    unsigned int worker = 0;
    std::size_t first = 0;
    std::size_t values = 0;
};

// What the threads of one run share. Queries are handed out one at a time
// through `next`, so a thread that drew long searches takes fewer of them.
struct batch_search::run_state {
    run_state(const std::vector<path_query>& batch, const std::function<bool()>& stop)
        : queries(batch), stop_requested(stop), next_poll(steady::now() + poll_interval) {}

    const std::vector<path_query>& queries;
    const std::function<bool()>& stop_requested;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stopping{false};

    // Only the calling thread touches these two.
    bool stopped = false;
    steady::time_point next_poll;

    std::mutex lock;  // guards the rest
    std::condition_variable helper_ended;
    unsigned int helpers_running = 0;
    std::exception_ptr failure;

    void fail(std::exception_ptr error) {
        {
            const std::lock_guard<std::mutex> guard(lock);
            if (!failure) failure = std::move(error);
        }
        stopping.store(true);
    }

    // The calling thread asks whether to stop, at most once a poll interval.
    void poll() {
        if (stopped || !stop_requested || steady::now() < next_poll) return;
        next_poll = steady::now() + poll_interval;
        try {
            stopped = stop_requested();
        } catch (...) {
            stopped = true;
            fail(std::current_exception());
        }
        if (stopped) stopping.store(true);
    }

    void helper_done() {
        {
            const std::lock_guard<std::mutex> guard(lock);
            --helpers_running;
        }
        helper_ended.notify_one();
    }

    void wait_for_helpers() {
        std::unique_lock<std::mutex> guard(lock);
        while (helpers_running > 0) {
            if (!helper_ended.wait_for(guard, poll_interval, [this] { return helpers_running == 0; })) {
                guard.unlock();
                poll();
                guard.lock();
            }
        }
    }
};

batch_search::batch_search() : snapshot(0, 0) {}

batch_search::~batch_search() = default;

// A map of the snapshot's size is copied row by row into the rows it has.
void batch_search::load(const projection_map& map) {
    planes_current = false;
    if (map.resolution == snapshot.resolution) {
        for (std::size_t y = 0; y < map.rows.size(); ++y) snapshot.rows[y] = map.rows[y];
    } else {
        snapshot = map;
    }
}

bool batch_search::run(const std::vector<path_query>& queries, bool interpolate, unsigned int threads,
                       const std::function<bool()>& stop_requested) {
    refuse_unsearchable_snapshot(interpolate);
    if (queries.empty()) {
        answers.clear();
        return true;
    }
    const std::size_t wanted = threads == 0 ? threads_per_cpu() : threads;
    const auto count = static_cast<unsigned int>(std::min(wanted, queries.size()));
    prepare_workers(count, interpolate);
    prepare_planes(queries.size(), count);
    answers.assign(queries.size(), answer_record{});
    for (auto& searcher : workers) searcher->cells.clear();

    run_state state(queries, stop_requested);
    std::vector<std::thread> helpers;
    helpers.reserve(count - 1);
    for (unsigned int id = 1; id < count; ++id) {
        {
            const std::lock_guard<std::mutex> guard(state.lock);
            ++state.helpers_running;
        }
        try {
            helpers.emplace_back([this, &state, id] {
                work(state, id);
                state.helper_done();
            });
        } catch (const std::system_error&) {
            // The system will not start another thread: answer with those
            // that did start.
            state.helper_done();
            break;
        }
    }
    work(state, 0);
    state.wait_for_helpers();
    for (std::thread& helper : helpers) helper.join();
    if (state.failure) std::rethrow_exception(state.failure);
    return !state.stopped;
}

// A map too large for the pathfinder is refused by init's own check, which
// throws before it changes anything.
void batch_search::refuse_unsearchable_snapshot(bool interpolate) {
    if (snapshot.resolution[0] > jps_pathfinder::max_extent || snapshot.resolution[1] > jps_pathfinder::max_extent) {
        jps_pathfinder().init(snapshot, interpolate);
    }
}

// The memory of every grid to build and of every thread's search workspace is
// asked for at once, before any grid is built.
void batch_search::prepare_workers(unsigned int count, bool interpolate) {
    const std::uint32_t width = snapshot.resolution[0];
    const std::uint32_t height = snapshot.resolution[1];
    const std::size_t cells = std::size_t{width} * std::size_t{height};
    std::size_t needed = bytes_for(count, cell_marks::bytes_for_cells(cells));
    for (unsigned int id = 0; id < count; ++id) {
        const bool sized = id < workers.size() && workers[id]->finder.width == static_cast<int>(width) &&
                           workers[id]->finder.height == static_cast<int>(height);
        if (!sized) needed = checked_sum(needed, bytes_for(cells, sizeof(jps_node)));
    }
    require_memory(needed);
    workers.resize(count);
    for (auto& searcher : workers) {
        if (!searcher) searcher = std::make_unique<worker>();
        searcher->finder.init(snapshot, interpolate);
    }
}

void batch_search::use_planes(planes_use use) {
    planes_wanted = use;
}

// The planes are built in about 7 ns a cell and save the searches some µs a
// query: on the benchmark's maps, on one thread, they paid for themselves
// from one query for every 354 to 3849 cells (its batch table, "cells a
// query"). Asked for from one in 256, so that a batch they do not pay for is
// rare and small. They are built on one thread while the others wait, so
// each thread needs that many queries.
bool batch_search::planes_pay(std::size_t queries, std::size_t cells, unsigned int threads) {
    constexpr std::size_t cells_a_query = 256;
    return queries * cells_a_query >= cells * threads;
}

// Asked for after the pathfinders, since the run can do without them: if
// they cannot be allocated, the run searches the cells.
void batch_search::prepare_planes(std::size_t queries, unsigned int threads) {
    const std::size_t cells = std::size_t{snapshot.resolution[0]} * std::size_t{snapshot.resolution[1]};
    planes_searched = planes_wanted == planes_use::always ||
                      (planes_wanted == planes_use::when_they_pay && planes_pay(queries, cells, threads));
    if (!planes_searched || planes_current) return;
    try {
        planes.build(snapshot);
        planes_current = true;
    } catch (const std::bad_alloc&) {
        planes.release();
        planes_searched = false;
    }
}

void batch_search::work(run_state& state, unsigned int id) {
    try {
        while (!state.stopping.load()) {
            const std::size_t i = state.next.fetch_add(1);
            if (i >= state.queries.size()) break;
            answer_query(id, i, state.queries[i]);
            if (id == 0) state.poll();
        }
    } catch (...) {
        state.fail(std::current_exception());
    }
}

// A failed search leaves the pathfinder's length of its last success: the
// record's own 0 stands instead, as a fresh pathfinder's would.
void batch_search::answer_query(unsigned int id, std::size_t i, const path_query& query) {
    worker& searcher = *workers[id];
    const auto first = one_based(query.x1, query.y1);
    const auto second = one_based(query.x2, query.y2);
    const int status = planes_searched ? find_path_on(searcher.finder, planes, first, second)
                                       : searcher.finder.find_path(first, second);
    answer_record& record = answers[i];
    record.status = status;
    record.worker = id;
    record.first = searcher.cells.size();
    if (status == jps_pathfinder::success) {
        const std::vector<int>& coords = searcher.finder.get_path().coords;
        searcher.cells.insert(searcher.cells.end(), coords.begin(), coords.end());
        record.values = coords.size();
        record.length = searcher.finder.get_path_length();
    }
}

std::size_t batch_search::answer_count() const {
    return answers.size();
}

path_answer batch_search::answer(std::size_t i) const {
    const answer_record& record = answers.at(i);
    const int* cells = record.values == 0 ? nullptr : workers[record.worker]->cells.data() + record.first;
    return {record.status, record.length, cells, record.values};
}

void batch_search::clear_answers() {
    std::vector<answer_record>().swap(answers);
    for (auto& searcher : workers) std::vector<int>().swap(searcher->cells);
}

std::size_t batch_search::release() {
    const std::size_t held = bytes();
    clear_answers();
    workers.clear();
    snapshot = projection_map(0, 0);
    planes.release();
    planes_current = false;
    return held;
}

std::size_t batch_search::bytes() const {
    std::size_t total = snapshot.rows.size() * (sizeof(std::valarray<char>) + snapshot.resolution[0]) + planes.bytes() +
                        answers.capacity() * sizeof(answer_record);
    for (const auto& searcher : workers) {
        const jps_pathfinder& finder = searcher->finder;
        total += finder.nodes.size() * sizeof(std::valarray<jps_node>) +
                 static_cast<std::size_t>(finder.width) * static_cast<std::size_t>(finder.height) * sizeof(jps_node) +
                 (finder.open_list.capacity() + finder.closed_list.capacity()) * sizeof(jps_node*) +
                 finder.neighbors.capacity() * sizeof(jps_pathfinder::cell) +
                 (finder.path.coords.capacity() + searcher->cells.capacity()) * sizeof(int);
    }
    return total;
}

unsigned int batch_search::threads_per_cpu() {
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace Voxel
}  // namespace OSTREL
