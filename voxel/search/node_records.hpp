// node_records: the search fields of the nodes a running search has touched,
// kept compactly beside the search instead of in the node grid. The node grid
// of a large map (32 bytes a cell) is seldom in the cache; the records of one
// search (a few thousand at most) are. A record can be copied into its node,
// which then holds exactly what a search working on the nodes would have left
// in it. Which cell has which record is kept by cell_marks.
//
// Contract
//   Ownership:    part of a thread's search_workspace; each record names the
//                 node it stands for, owns nothing.
//   Invariants:   ids are positions, handed out by add() in order from 0
//                 after clear(); a record never moves to another id.
//   Checking:     none in release builds: ids are those returned by add()
//                 since the last clear(), and every add has room made for it
//                 (make_room, reserve), so that it cannot fail; checked builds
//                 assert both (BRONDEL_ASSERT).
//   Threads:      one search at a time.
//
// Usage
//   records.clear();
//   records.make_room(2);                  // room first: an add cannot fail
//   int id = records.add(node, x, y);
//   records[id].g = 14;
//   int other = records.add_opened(other_node, parent, x2, y2, g, h, x, y, probes);  // written once
//   node_records::write_back(records[id]);
#pragma once

#include "voxel/jps_node.hpp"
#include "voxel/search/assertion.hpp"
#include "voxel/search/costs.hpp"
#include "voxel/search/diagonal_probes.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace OSTREL {
namespace Voxel {

struct node_record {
    node_record() = default;
    // The record of an opened node (not closed) taking a route: f is g + h
    // (saturated, for an estimate to a goal far off the grid).
    // The one place a route is written into a record (add_opened, and
    // search_bookkeeping::improve).
    node_record(jps_node* record_node, jps_node* parent_node, int cell_x, int cell_y, int cost, int estimate,
                int from_x, int from_y, const diagonal_probes& probes_found)
        : node(record_node), parent(parent_node), x(cell_x), y(cell_y), g(cost), h(estimate),
          f(saturated_cost(std::int64_t{cost} + estimate)), parent_x(from_x), parent_y(from_y), opened(true),
          probes(probes_found) {}

    jps_node* node = nullptr;    // the node the record stands for
    jps_node* parent = nullptr;  // as jps_node::parent
    int x = 0;
    int y = 0;
    int g = 0;
    int h = 0;
    int f = 0;
    int parent_x = 0;  // the parent's cell, when there is a parent
    int parent_y = 0;
    bool opened = false;
    bool closed = false;
    diagonal_probes probes;  // found by the run that gave the parent
};

class node_records {
public:
    void clear() { records.clear(); }
    void reserve(std::size_t count) { records.reserve(count); }

    // Makes room for `more` records, so that the next `more` add() calls
    // cannot fail. Grows by doubling, as push_back would.
    void make_room(std::size_t more) {
        if (records.size() + more > records.capacity()) {
            records.reserve(std::max(2 * records.size() + 64, records.size() + more));
        }
    }

    // Adds a clean record (g, h, f 0, no parent, neither opened nor closed)
    // for the node of cell (x, y); the caller fills in the rest in place.
    int add(jps_node* node, int x, int y) {
        BRONDEL_ASSERT(records.size() < records.capacity());
        node_record& record = records.emplace_back();
        record.node = node;
        record.x = x;
        record.y = y;
        return static_cast<int>(records.size() - 1);
    }
    // Adds the record of an opened node, built in place with its values (f is
    // g + h), rather than cleared and written again.
    int add_opened(jps_node* node, jps_node* parent, int x, int y, int g, int h, int parent_x, int parent_y,
                   const diagonal_probes& probes) {
        BRONDEL_ASSERT(records.size() < records.capacity());
        records.emplace_back(node, parent, x, y, g, h, parent_x, parent_y, probes);
        return static_cast<int>(records.size() - 1);
    }

    node_record& operator[](int id) { return records[position(id)]; }
    const node_record& operator[](int id) const { return records[position(id)]; }

    // Copies every record into its node, in the order they were added.
    void write_back() const {
        for (const node_record& record : records) write_back(record);
    }

    // Copies one record into its node.
    static void write_back(const node_record& record) {
        jps_node& node = *record.node;
        node.g = record.g;
        node.h = record.h;
        node.f = record.f;
        node.opened = record.opened;
        node.closed = record.closed;
        node.parent = record.parent;
    }

    std::size_t bytes() const { return records.capacity() * sizeof(node_record); }
    void release() { std::vector<node_record>().swap(records); }

private:
    std::size_t position(int id) const {
        BRONDEL_ASSERT(id >= 0 && static_cast<std::size_t>(id) < records.size());
        return static_cast<std::size_t>(id);
    }

    std::vector<node_record> records;
};

}  // namespace Voxel
}  // namespace OSTREL
