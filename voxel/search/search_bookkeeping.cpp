#include "voxel/search/search_bookkeeping.hpp"

#include "voxel/search/assertion.hpp"

#include <algorithm>

namespace OSTREL {
namespace Voxel {

search_bookkeeping::search_bookkeeping(jps_pathfinder& pathfinder, search_workspace& workspace, leaves left)
    : finder(pathfinder), records(workspace.records), marks(workspace.marks), open_keys(workspace.open_keys),
      open(workspace.open_keys, workspace.drifting_keys), left_in_nodes(left) {
    marks.begin_search(finder.width, finder.height);
    take_over_listed_nodes();
    open.take_keys_as_listed();
}

search_bookkeeping::~search_bookkeeping() {
    write_open_list();
    if (left_in_nodes == leaves::every_node) records.write_back();
}

// A record for every node on the two lists, as the node holds it, and its
// cell marked as the node's flags say; the open list's keys in list order.
// Room is made first, so that a failure leaves nothing behind.
void search_bookkeeping::take_over_listed_nodes() {
    records.clear();
    records.reserve(finder.open_list.size() + finder.closed_list.size());
    open_keys.clear();
    open_keys.reserve(finder.open_list.size());
    for (jps_node* node : finder.open_list) {
        open_keys.emplace_back(node->f, take_over(node));
    }
    for (jps_node* node : finder.closed_list) {
        take_over(node);
    }
}

int search_bookkeeping::take_over(jps_node* node) {
    const int id = records.add(node, node->x, node->y);
    node_record& record = records[id];
    record.parent = node->parent;
    record.g = node->g;
    record.h = node->h;
    record.f = node->f;
    if (node->parent != nullptr) {
        record.parent_x = node->parent->x;
        record.parent_y = node->parent->y;
    }
    record.opened = node->opened;
    record.closed = node->closed;
    marks.set(node->x, node->y, id, node->opened, node->closed);
    return id;
}

// The pathfinder's open_list gets its room too: it is written from the keys
// when the search ends.
void search_bookkeeping::make_room_for_batch(int more) {
    constexpr int batch = 64;
    const int changes = std::max(more, batch);
    const std::size_t count = static_cast<std::size_t>(changes);
    open.make_room(count);
    records.make_room(count);
    std::vector<jps_node*>& list = finder.open_list;
    if (list.capacity() < open.size() + count) list.reserve(2 * open.size() + count);
    changes_with_room = changes;
}

// Runs in the destructor, where a throw would end the process: the room is
// made by make_room_for_batch before every change that adds to the list.
void search_bookkeeping::write_open_list() {
    std::vector<jps_node*>& list = finder.open_list;
    BRONDEL_ASSERT(list.capacity() >= open.size());
    list.clear();
    open.for_each_in_order([&](const open_key& key) { list.push_back(records[key.record_id()].node); });
}

void search_bookkeeping::open_start(jps_node* start) {
    make_room(1);  // a failure leaves the node untouched
    const int id = records.add(start, start->x, start->y);
    records[id].opened = true;
    marks.set(start->x, start->y, id, true, false);
    open.append(0, id);
}

void search_bookkeeping::reached_goal(int goal) {
    if (left_in_nodes == leaves::goal_chain) write_back_chain(goal);
}

// Every parent is closed, so it has a record.
void search_bookkeeping::write_back_chain(int goal) {
    for (int id = goal;;) {
        const node_record& record = records[id];
        node_records::write_back(record);
        if (record.parent == nullptr) {
            return;
        }
        id = marks.id_of(marks.look_up(record.parent_x, record.parent_y));
    }
}

int search_bookkeeping::find_or_take_over(jps_node* node) {
    const cell_lookup lookup = marks.look_up(node->x, node->y);
    if (lookup.opened() || lookup.closed()) {
        return marks.id_of(lookup);
    }
    records.make_room(1);
    return take_over(node);
}

}  // namespace Voxel
}  // namespace OSTREL
