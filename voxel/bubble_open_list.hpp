// bubble_open_list: the search's open list, kept in exactly the order that one
// bubble pass after every change gives, but without visiting the whole list.
//
// The order it must reproduce: after a change, for k = n-1 down to 1, entry k-1
// and entry k swap when f[k-1] < f[k]. A pass moves entries only at "ascents"
// (positions k with f[k-1] < f[k]) and while it carries an entry forward
// through smaller ones. All ascents are known to lie in an interval
// [low, high], so the pass starts at high and ends at low, apart from the
// carries; and the keys (f and the id of the search's record of the entry) sit
// beside the entries, so no node is read.
//
// Contract
//   Dependencies: jps_node and the C++17 standard library.
//   Ownership:    works on the pathfinder's open_list (`entries`, the pointers
//                 in list order) and a scratch vector of their f (`keys`, from
//                 the thread's search_workspace); owns neither. The entries are
//                 the real open list: after a search it holds what the literal
//                 passes would have left.
//   Invariants:   keys[i] holds the f and the record id of entries[i]; every
//                 ascent lies in [low, high].
//   Checking:     none; append() takes a node that is not on the list,
//                 changed() the record id of one that is.
//   Threads:      one search at a time per pair of vectors.
//
// Usage
//   bubble_open_list open(finder.open_list, workspace.open_keys);  // keys filled
//   open.append(node, f, record_id);
//   open.changed(record_id, lower_f);
//   int next = open.back_record();
//   jps_node* node = open.take_back();
#pragma once

#include "voxel/jps_node.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace OSTREL {
namespace Voxel {

// The key of an open list entry: its f and the id of its record, packed in
// one 64-bit word, so that a key is always written and read whole (a key
// written as two halves and read back as one word stalls the processor).
// The high half holds f with its sign bit flipped, so that comparing high
// halves as unsigned numbers orders them as signed f.
class open_key {
public:
    open_key(int f, int record) : bits(pack(f) | static_cast<std::uint32_t>(record)) {}

    int f() const {
        const std::uint32_t biased = static_cast<std::uint32_t>(bits >> 32) ^ sign_bit;
        int value;
        std::memcpy(&value, &biased, sizeof value);
        return value;
    }
    int record() const { return static_cast<int>(bits & 0xFFFFFFFFu); }
    bool f_less_than(const open_key& other) const { return (bits >> 32) < (other.bits >> 32); }
    void set_f(int f) { bits = pack(f) | (bits & 0xFFFFFFFFu); }

private:
    static constexpr std::uint32_t sign_bit = 0x80000000u;
    static std::uint64_t pack(int f) {
        std::uint32_t raw;
        std::memcpy(&raw, &f, sizeof raw);
        return std::uint64_t{raw ^ sign_bit} << 32;
    }

    std::uint64_t bits;
};

class bubble_open_list {
public:
    // Takes the list as it is; `keys` already describes its entries.
    bubble_open_list(std::vector<jps_node*>& entries, std::vector<open_key>& keys);

    bool empty() const { return entries.empty(); }
    jps_node* back() const { return entries.back(); }
    int back_record() const { return keys.back().record(); }
    jps_node* take_back();
    // Makes room for one more entry, so that the next append() cannot fail:
    // a caller that must not be left with a changed node off the list calls
    // this before it changes the node.
    void reserve_one();
    // Appends a node, then makes one pass. Throws only when no room was made.
    void append(jps_node* node, int f, int record);
    // The f of the entry with this record changed; makes one pass (only the
    // pass when no entry has this record, as for a node not on the list).
    void changed(int record, int f);

private:
    void pass();
    std::size_t carry(std::size_t k, std::size_t& touched_low, std::size_t& touched_high);
    bool is_ascent(std::size_t k) const { return keys[k - 1].f_less_than(keys[k]); }
    void include(std::size_t first, std::size_t last);
    void find_ascents(std::size_t first, std::size_t last);
    bool no_ascents() const { return low > high; }

    std::vector<jps_node*>& entries;
    std::vector<open_key>& keys;
    std::size_t low = 1;   // every ascent k has low <= k <= high;
    std::size_t high = 0;  // low > high: there are none
};

}  // namespace Voxel
}  // namespace OSTREL
