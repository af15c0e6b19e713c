// bubble_open_list: the search's open list, kept in exactly the order that one
// bubble pass after every change gives, but without visiting the whole list.
//
// The order it must reproduce: after a change, for k = n-1 down to 1, entry k-1
// and entry k swap when f[k-1] < f[k]. A pass moves entries only at "ascents"
// (positions k with f[k-1] < f[k]) and while it carries an entry forward
// through smaller ones. The list keeps the positions where an ascent may be
// (a few: the places of recent changes), so a pass visits only those, and
// between two of them the list is known to be non-increasing, so a carry finds
// where its entry comes to rest by halving. An entry is a key: its f and the id
// of the search's record of it; no node is read.
//
// Contract
//   Dependencies: the C++17 standard library.
//   Ownership:    works on two vectors it borrows from the thread's
//                 search_workspace: the keys in list order (the open list
//                 itself; the caller turns them into the pathfinder's
//                 open_list when the search ends) and the possible ascents.
//   Invariants:   `maybe_ascents` is sorted, each position in 1..n-1, and
//                 holds every ascent of `keys` (and perhaps other positions).
//   Checking:     none; changed() takes the record id of an entry on the list
//                 (or of none, which only makes the pass).
//   Threads:      one search at a time per pair of vectors.
//
// Usage
//   bubble_open_list open(workspace.open_keys, workspace.maybe_ascents);
//   open.take_keys_as_listed();        // once the keys hold the list
//   open.make_room(1);                 // before a change that must not fail
//   open.append(f, record_id);
//   open.changed(record_id, lower_f);
//   int next = open.back_record();
//   open.take_back();
#pragma once

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
    // Works on these two vectors; reads neither until take_keys_as_listed().
    bubble_open_list(std::vector<open_key>& keys, std::vector<std::size_t>& maybe_ascents);

    // Takes the list as `keys` holds it now, in order, and finds its
    // possible ascents. Makes room for them first; throws only then, before
    // anything is changed. Called once, before any other member.
    void take_keys_as_listed();

    bool empty() const { return keys.empty(); }
    std::size_t size() const { return keys.size(); }
    int back_record() const { return keys.back().record(); }
    const std::vector<open_key>& in_order() const { return keys; }
    void take_back();
    // Makes room for `more` changes, so that the next `more` calls of
    // append() or changed() cannot fail: a caller that must not be left with
    // a changed node off the list calls this before it changes the node.
    void make_room(std::size_t more) {
        if (keys.size() + more > keys.capacity() || maybe_ascents.size() + 2 * more > maybe_ascents.capacity()) {
            grow(more);
        }
    }
    // Appends an entry, then makes one pass.
    void append(int f, int record);
    // The f of the entry with this record changed; makes one pass (only the
    // pass when no entry has this record, as for a node not on the list).
    void changed(int record, int f);

private:
    static constexpr std::size_t near_front = 32;

    void grow(std::size_t more);
    std::size_t position_of(int record) const;
    void pass();
    std::size_t carry_from(std::size_t k, std::size_t unvisited);
    std::size_t carry_far(std::size_t k, std::size_t unvisited);
    std::size_t first_of_smaller_tail(std::size_t first, std::size_t end, open_key key) const;
    void may_be_ascent(std::size_t k);
    bool is_ascent(std::size_t k) const { return keys[k - 1].f_less_than(keys[k]); }

    std::vector<open_key>& keys;
    std::vector<std::size_t>& maybe_ascents;
};

}  // namespace Voxel
}  // namespace OSTREL
