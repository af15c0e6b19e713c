// bubble_open_list: the search's open list, kept in exactly the order that one
// bubble pass after every change gives, without moving entries one by one.
//
// The order it must reproduce: after a change, for k = n-1 down to 1, entry k-1
// and entry k swap when f[k-1] < f[k]. Such a pass moves every entry that has
// a larger entry somewhere behind it ("drifting") exactly one place back, and
// carries every other entry ("settled": not smaller than anything behind it)
// forward past the drifting entries in front of it. The settled entries, in
// list order, never increase; each drifting entry is smaller than the first
// settled entry behind it, its "follower". So the list is kept as two parts:
// the settled keys, and the drifting keys in list order, each with the index
// of its follower among the settled ones. A pass is then: every drifting entry
// gets the next follower; one that is no longer smaller than its follower
// settles in front of it. A changed or appended entry that settles finds its
// place among the settled keys by halving; an entry is a key: its f and the
// id of the search's record of it; no node is read.
//
// Two facts keep most passes from visiting the drifting entries. A pass gives
// every drifting entry a follower index one higher (the next follower, or the
// same one behind a newly settled entry), so the indices are stored less a
// shift that the pass raises by one. And a pass after an append can settle
// only an entry not smaller than the appended one: a smaller entry's next
// follower is the appended entry or one in front of it, both larger. So the
// list keeps a ceiling, the largest f of a drifting entry, and such a pass
// visits the entries only when the appended f is not above it. Every other
// change that adds or settles a drifting entry ends with a pass that visits
// them all, which renews the ceiling.
//
// Contract
//   Ownership:    works on two vectors it borrows from the thread's
//                 search_workspace: the keys (the whole list in order before
//                 take_keys_as_listed(), the settled keys after it) and the
//                 drifting keys. The caller reads the list through
//                 for_each_in_order() when the search ends.
//   Invariants:   the settled keys do not increase; the drifting keys are in
//                 list order, each with a follower index (stored + shift)
//                 below the number of settled keys and an f below its
//                 follower's, and none above the ceiling. Hence the last entry
//                 of the list is always the last settled key.
//   Checking:     none in release builds; changed() takes the record id and
//                 the f on the list of an entry (or of none, which only makes
//                 the pass), and every insert has room made for it. Checked
//                 builds assert the invariants after each change and the room
//                 before each insert (BRONDEL_ASSERT).
//   Threads:      one search at a time per pair of vectors.
//
// Usage
//   bubble_open_list open(workspace.open_keys, workspace.drifting_keys);
//   open.take_keys_as_listed();        // once the keys hold the list
//   open.make_room(1);                 // before a change that must not fail
//   open.append(f, record_id);
//   open.changed(record_id, f_on_the_list, lower_f);
//   int next = open.back_record_id();
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
    open_key(int f, int record_id) : bits(pack(f) | static_cast<std::uint32_t>(record_id)) {}

    int f() const {
        const std::uint32_t biased = static_cast<std::uint32_t>(bits >> 32) ^ sign_bit;
        int value;
        std::memcpy(&value, &biased, sizeof value);
        return value;
    }
    int record_id() const { return static_cast<int>(bits & 0xFFFFFFFFu); }
    // The high halves compare as the whole words do against the other's high
    // half alone: whatever this key's low half, it stays below the next f.
    bool f_less_than(const open_key& other) const { return bits < (other.bits & f_bits); }
    void set_f(int f) { bits = pack(f) | (bits & 0xFFFFFFFFu); }

private:
    static constexpr std::uint32_t sign_bit = 0x80000000u;
    static constexpr std::uint64_t f_bits = 0xFFFFFFFF00000000u;
    static std::uint64_t pack(int f) {
        std::uint32_t raw;
        std::memcpy(&raw, &f, sizeof raw);
        return std::uint64_t{raw ^ sign_bit} << 32;
    }

    std::uint64_t bits;
};

// An entry with a larger entry behind it, and the index of its follower (the
// first settled entry behind it) less the list's shift. Indices wrap around
// as unsigned numbers do; only stored + shift is ever read.
struct drifting_key {
    open_key key;
    std::size_t follower;
};

class bubble_open_list {
public:
    // Works on these two vectors; reads neither until take_keys_as_listed().
    bubble_open_list(std::vector<open_key>& keys, std::vector<drifting_key>& drifting);

    // Takes the list as `keys` holds it now, in order, and splits it into
    // settled and drifting entries. Makes room first; throws only then,
    // before anything is changed. Called once, before any other member.
    void take_keys_as_listed();

    bool empty() const { return settled.empty(); }
    std::size_t size() const { return settled.size() + drifting.size(); }
    int back_record_id() const { return settled.back().record_id(); }
    // Calls visit(key) for every entry, in list order.
    template <class Visit>
    void for_each_in_order(Visit visit) const;
    void take_back();
    // Makes room for `more` changes, so that the next `more` calls of
    // append() or changed() cannot fail: a caller that must not be left with
    // a changed node off the list calls this before it changes the node.
    void make_room(std::size_t more) {
        if (size() + more > settled.capacity() || drifting.size() + more > drifting.capacity()) {
            grow(more);
        }
    }
    // Appends an entry, then makes one pass.
    void append(int f, int record_id);
    // The f of the entry with this record changed from `old_f` (its f on the
    // list) to `f`; makes one pass (only the pass when no entry has this
    // record and f, as for a node not on the list).
    void changed(int record_id, int old_f, int f);

private:
    void grow(std::size_t more);
    std::size_t settled_position_of(open_key key) const;
    std::size_t drifting_position_of(int record_id) const;
    std::size_t settled_place(std::size_t end, open_key key) const;
    void settle_in_front_of(std::size_t end, open_key key);
    void insert_settled(std::size_t at, open_key key);
    void change_drifting(std::size_t at, int f);
    void change_settled(std::size_t at, int f);
    std::size_t follower_of(const drifting_key& entry) const { return entry.follower + shift; }
    void sweep(std::size_t step, std::size_t more_from);
    void settle_those_not_smaller();
    void settle_followers_of(std::size_t at);
    void settle(std::size_t k, std::size_t at);
    bool keeps_its_invariants() const;

    std::vector<open_key>& settled;
    std::vector<drifting_key>& drifting;
    std::size_t shift = 0;   // added to every stored follower index
    open_key ceiling{0, 0};  // the largest drifting f (set by take_keys_as_listed)
};

template <class Visit>
void bubble_open_list::for_each_in_order(Visit visit) const {
    std::size_t next = 0;
    for (std::size_t k = 0; k < settled.size(); ++k) {
        for (; next < drifting.size() && follower_of(drifting[next]) == k; ++next) visit(drifting[next].key);
        visit(settled[k]);
    }
}

}  // namespace Voxel
}  // namespace OSTREL
