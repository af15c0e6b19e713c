// search_bookkeeping: the bookkeeping of one running search, kept consistent
// in one place. A search's state lives in four copies that must agree: the
// records of the touched nodes (node_records), the stamped word of each cell
// (cell_marks: opened, closed, which record), the open list's keys
// (bubble_open_list) and, when the search ends, the pathfinder's own lists
// and nodes. The algorithm (jump_search) asks and tells this type; it never
// touches the copies itself.
//
// Contract
//   Ownership:    borrows the pathfinder and the thread's workspace for its
//                 lifetime, which is one call of the search.
//   Construction: in this order, each step relying on the one before: the
//                 cell words start a new search; every node on the
//                 pathfinder's open_list and closed_list gets a record as the
//                 node holds it, and its cell the node's marks (room is made
//                 first, so a failure leaves nothing half done); the open
//                 list takes the listed keys in their order.
//   Invariants:   a cell is opened or closed in its word exactly when its
//                 record says so; every opened record that is not closed is
//                 on the open list once; the record ids in the keys and the
//                 words name records of this search.
//   Written back: the nodes are not written while the search runs. At its
//                 end the open keys become the pathfinder's open_list (the
//                 closed_list is appended to as nodes are taken off); with
//                 leaves::every_node every record is then copied into its
//                 node (what the step-by-step search leaves in the nodes);
//                 with leaves::goal_chain only the goal and its parents are,
//                 when reached_goal() is told (all that backtrace reads).
//   Failure:      make_room() before a batch of changes is the only step of a
//                 change that can throw; a throw leaves the records, words
//                 and keys agreeing with each other.
//   Threads:      one search at a time on a workspace (search_workspace::loan).
//
// Usage
//   search_bookkeeping bookkeeping(finder, workspace, search_bookkeeping::leaves::goal_chain);
//   bookkeeping.open_start(start);
//   int id = bookkeeping.take_off_best();
//   bookkeeping.make_room(count);
//   cell_lookup lookup = bookkeeping.look_up(x, y);
//   if (lookup.opened()) bookkeeping.improve(bookkeeping.id_of(lookup), route);
//   else if (!lookup.closed()) bookkeeping.discover(lookup, x, y, route);
#pragma once

#include "voxel/jps_pathfinder.hpp"
#include "voxel/search/bubble_open_list.hpp"
#include "voxel/search/cell_marks.hpp"
#include "voxel/search/diagonal_probes.hpp"
#include "voxel/search/node_records.hpp"
#include "voxel/search/search_workspace.hpp"

namespace OSTREL {
namespace Voxel {

// A route to a jump point: its costs, the jump point it comes from and what
// the run that found it found beyond it.
struct route {
    int g;
    int h;
    jps_node* parent;
    int parent_x;
    int parent_y;
    diagonal_probes probes;
};

class search_bookkeeping {
public:
    enum class leaves { every_node, goal_chain };

    search_bookkeeping(jps_pathfinder& finder, search_workspace& workspace, leaves left);
    ~search_bookkeeping();
    search_bookkeeping(const search_bookkeeping&) = delete;
    search_bookkeeping& operator=(const search_bookkeeping&) = delete;

    // Makes room for the next `more` changes (discover, improve): they then
    // cannot fail half-way. Room is made a batch at a time and counted down.
    void make_room(int more) {
        if (more > changes_with_room) make_room_for_batch(more);
        changes_with_room -= more;
    }

    // Puts the start on the open list as a clean node: g, h, f 0, no parent.
    void open_start(jps_node* start);
    bool open_list_empty() const { return open.empty(); }
    // Takes the next node off the open list, puts it on the closed list and
    // marks it closed; returns the id of its record.
    int take_off_best();
    // The goal's record, taken off: with leaves::goal_chain the goal and its
    // parents are written into their nodes now.
    void reached_goal(int goal);

    const node_record& record(int id) const { return records[id]; }
    // The cell's marks; the cell stays looked up for id_of and discover.
    cell_lookup look_up(int x, int y) const { return marks.look_up(x, y); }
    // The id of the record of a cell that is opened or closed.
    int id_of(const cell_lookup& marked) const { return marks.id_of(marked); }
    // The id of the record of a node handed in from outside the search; a
    // node on neither list is taken over, as it stands. Makes its own room.
    int find_or_take_over(jps_node* node);

    // A strictly cheaper route to the opened node of record `id`.
    void improve(int id, const route& better);
    // The first route to the untouched cell (x, y), looked up as `untouched`:
    // its node is opened.
    void discover(const cell_lookup& untouched, int x, int y, const route& first);

private:
    void take_over_listed_nodes();
    int take_over(jps_node* node);
    void make_room_for_batch(int more);
    void write_open_list();
    void write_back_chain(int goal);

    jps_pathfinder& finder;
    node_records& records;
    cell_marks& marks;
    std::vector<open_key>& open_keys;
    bubble_open_list open;
    const leaves left_in_nodes;
    int changes_with_room = 0;  // changes there is room for (make_room)
};

// The steps of every expansion, inlined into the search.

// The node goes on the closed list before it is marked, so that even a
// failed append leaves no marked node off the lists.
inline int search_bookkeeping::take_off_best() {
    const int id = open.back_record_id();
    node_record& record = records[id];
    finder.closed_list.push_back(record.node);
    open.take_back();
    record.closed = true;
    marks.close(record.x, record.y);
    return id;
}

// Only an opened node that is not closed is improved (a closed one is left
// alone), so its record becomes that of an opened node taking the better
// route, built as discover builds one: costs, f, parent and probes in one place.
inline void search_bookkeeping::improve(int id, const route& better) {
    node_record& target = records[id];
    const int listed_f = target.f;
    target = node_record(target.node, better.parent, target.x, target.y, better.g, better.h, better.parent_x,
                         better.parent_y, better.probes);
    open.changed(id, listed_f, target.f);
}

// The record is built with the route's values, not cleared and written again.
inline void search_bookkeeping::discover(const cell_lookup& untouched, int x, int y, const route& first) {
    jps_node* node = &finder.nodes[y][x];  // getNodeAt, inlined here
    const int id =
        records.add_opened(node, first.parent, x, y, first.g, first.h, first.parent_x, first.parent_y, first.probes);
    marks.open(untouched, id);
    open.append(records[id].f, id);
}

}  // namespace Voxel
}  // namespace OSTREL
