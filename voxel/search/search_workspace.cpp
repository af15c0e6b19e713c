#include "voxel/search/search_workspace.hpp"

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

namespace OSTREL {
namespace Voxel {

namespace {

// Every thread's workspace and the sizes of the living pathfinders. Never
// destroyed, so that pathfinders and workspaces that die late at exit can
// still report to it.
struct workspace_registry {
    std::mutex lock;
    std::vector<search_workspace*> workspaces;
    std::map<std::size_t, std::size_t> pathfinders_of_size;  // cells -> how many
    std::atomic<std::size_t> largest{0};
};

workspace_registry& registry() {
    static workspace_registry* const instance = new workspace_registry;
    return *instance;
}

}  // namespace

search_workspace::search_workspace() {
    workspace_registry& all = registry();
    std::lock_guard<std::mutex> guard(all.lock);
    all.workspaces.push_back(this);
}

search_workspace::~search_workspace() {
    workspace_registry& all = registry();
    std::lock_guard<std::mutex> guard(all.lock);
    all.workspaces.erase(std::find(all.workspaces.begin(), all.workspaces.end(), this));
}

search_workspace& search_workspace::for_this_thread() {
    thread_local search_workspace workspace;
    return workspace;
}

std::size_t search_workspace::bytes() {
    const loan borrowed(*this);
    return open_keys.capacity() * sizeof(open_key) + drifting_keys.capacity() * sizeof(drifting_key) + records.bytes() +
           marks.bytes();
}

// Waits only while another thread is giving this workspace's storage back.
search_workspace::loan::loan(search_workspace& borrowed) : workspace(borrowed) {
    int expected = idle;
    while (!workspace.use.compare_exchange_weak(expected, searching)) {
        expected = idle;
        std::this_thread::yield();
    }
}

// A pathfinder that died while this search ran finds the workspace in use
// and leaves a request; it is read after the workspace is idle again (the
// other side sets it before it looks), so none is missed.
search_workspace::loan::~loan() {
    workspace.use.store(idle);
    if (workspace.trim_wanted.load()) workspace.trim_when_possible();
}

// When the workspace is in use, its search reads trim_wanted as it ends.
void search_workspace::trim_when_possible() {
    int expected = idle;
    if (!use.compare_exchange_strong(expected, trimming)) {
        return;
    }
    trim_wanted.store(false);
    give_back_if_unneeded();
    use.store(idle);
}

void search_workspace::give_back_if_unneeded() {
    if (marks.covered_cells() <= registry().largest.load()) {
        return;
    }
    marks.release();
    records.release();
    std::vector<open_key>().swap(open_keys);
    std::vector<drifting_key>().swap(drifting_keys);
}

void search_workspace::pathfinder_resized(std::size_t old_cells, std::size_t new_cells) {
    if (old_cells == new_cells) {
        return;
    }
    workspace_registry& all = registry();
    std::lock_guard<std::mutex> guard(all.lock);
    auto& sizes = all.pathfinders_of_size;
    if (new_cells != 0) ++sizes[new_cells];
    // A grid of no cells (0: before the first init()) is not counted.
    const auto old_entry = sizes.find(old_cells);
    if (old_entry != sizes.end() && --old_entry->second == 0) sizes.erase(old_entry);
    const std::size_t largest = sizes.empty() ? 0 : sizes.rbegin()->first;
    const std::size_t before = all.largest.exchange(largest);
    if (largest >= before) {
        return;
    }
    for (search_workspace* workspace : all.workspaces) {
        workspace->trim_wanted.store(true);
        workspace->trim_when_possible();
    }
}

std::size_t search_workspace::largest_living_grid() {
    return registry().largest.load();
}

}  // namespace Voxel
}  // namespace OSTREL
