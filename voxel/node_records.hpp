// node_records: the search fields of the nodes a running search has touched,
// kept compactly beside the search instead of in the node grid. The node grid
// of a large map (32 bytes a cell) is seldom in the cache; the records of one
// search (a few thousand at most) are, and so is the cell index that finds
// them (4 bytes a cell). When the search ends its records are written back to
// their nodes, which then hold exactly what a search working on the nodes
// would have left in them.
//
// Contract
//   Dependencies: jps_node, diagonal_probes and the C++17 standard library.
//   Ownership:    part of a thread's search_workspace; each record names the
//                 node it stands for, owns nothing.
//   Invariants:   the cell index of a cell is meaningful only while that cell
//                 has a record in the running search (the search's node_marks
//                 tell which cells have one); it is never cleared, only
//                 overwritten. clear() forgets every record.
//   Checking:     none; cells are inside the grid given to prepare(), ids are
//                 those returned by add().
//   Threads:      one search at a time.
//
// Usage
//   records.prepare(width, height);
//   records.clear();
//   int id = records.add(node, x, y);      // make_room(1) first, if a throw
//   records[id].g = 14;                    // must leave nothing behind
//   int same = records.at_cell(x, y);
//   records.write_back();
#pragma once

#include "voxel/diagonal_probes.hpp"
#include "voxel/jps_node.hpp"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace OSTREL {
namespace Voxel {

struct node_record {
    jps_node* node = nullptr;    // the node the record stands for
    jps_node* parent = nullptr;  // as jps_node::parent
    int x = 0;
    int y = 0;
    int g = 0;
    int h = 0;
    int f = 0;
    int parent_x = 0;            // the parent's cell, when there is a parent
    int parent_y = 0;
    bool opened = false;
    bool closed = false;
    diagonal_probes probes;      // found by the run that gave the parent
};

class node_records {
public:
    void prepare(int grid_width, int grid_height) {
        const std::size_t cells = static_cast<std::size_t>(grid_width) * static_cast<std::size_t>(grid_height);
        if (cells != cell_index.size()) {
            cell_index.assign(cells, 0);
        }
        width = grid_width;
    }

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
        node_record& record = records.emplace_back();
        record.node = node;
        record.x = x;
        record.y = y;
        const int id = static_cast<int>(records.size() - 1);
        cell_index[index(x, y)] = id;
        return id;
    }

    node_record& operator[](int id) { return records[static_cast<std::size_t>(id)]; }
    const node_record& operator[](int id) const { return records[static_cast<std::size_t>(id)]; }
    int at_cell(int x, int y) const { return cell_index[index(x, y)]; }
    std::vector<node_record>::const_iterator begin() const { return records.begin(); }
    std::vector<node_record>::const_iterator end() const { return records.end(); }

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

    std::size_t bytes() const {
        return records.capacity() * sizeof(node_record) + cell_index.capacity() * sizeof(int);
    }

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    }

    std::vector<node_record> records;
    std::vector<int> cell_index;  // cell -> id of its record in the running search
    int width = 0;
};

}  // namespace Voxel
}  // namespace OSTREL
