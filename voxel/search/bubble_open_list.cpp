#include "voxel/search/bubble_open_list.hpp"

#include "voxel/search/assertion.hpp"

#include <algorithm>
#include <limits>

namespace OSTREL {
namespace Voxel {

namespace {

const open_key lowest_key(std::numeric_limits<int>::min(), 0);

}  // namespace

bubble_open_list::bubble_open_list(std::vector<open_key>& keys, std::vector<drifting_key>& drifting_keys)
    : settled(keys), drifting(drifting_keys) {}

// An entry is settled when it is not smaller than any entry behind it. From
// the back, the settled entries are written to the back of the keys (each
// is the largest so far); every other entry drifts, and its follower is the
// settled entry written last. Then both parts are moved to the front.
void bubble_open_list::take_keys_as_listed() {
    drifting.clear();
    shift = 0;
    ceiling = lowest_key;
    drifting.reserve(settled.size() + 16);
    const std::size_t n = settled.size();
    std::size_t first = n;  // settled[first, n): the settled entries found
    for (std::size_t k = n; k-- > 0;) {
        const open_key key = settled[k];
        if (first < n && key.f_less_than(settled[first])) {
            drifting.push_back({key, first});
        } else {
            settled[--first] = key;
        }
    }
    std::move(settled.begin() + static_cast<std::ptrdiff_t>(first), settled.end(), settled.begin());
    settled.erase(settled.end() - static_cast<std::ptrdiff_t>(first), settled.end());
    std::reverse(drifting.begin(), drifting.end());
    for (drifting_key& entry : drifting) {
        entry.follower -= first;
        if (ceiling.f_less_than(entry.key)) ceiling = entry.key;
    }
    BRONDEL_ASSERT(keeps_its_invariants());
}

// The last entry is always settled. Drifting entries that followed it have
// no follower any more; the last of them settles at once, and those in front
// of it settle when they are not smaller.
void bubble_open_list::take_back() {
    settled.pop_back();
    if (!drifting.empty() && follower_of(drifting.back()) == settled.size()) settle_those_not_smaller();
    BRONDEL_ASSERT(keeps_its_invariants());
}

void bubble_open_list::grow(std::size_t more) {
    // Doubles, as push_back would, so that appends stay cheap. Every
    // drifting entry may settle, so the keys have room for the whole list.
    settled.reserve(std::max(2 * size() + 16, size() + more));
    drifting.reserve(std::max(2 * drifting.size() + 16, drifting.size() + more));
}

// The pass carries the new entry forward past every smaller one: it comes to
// rest among the settled entries, in front of the smaller ones, and every
// drifting entry it passes keeps its follower. Every drifting entry in front
// of its resting place gets the next follower, so every follower index grows
// by one.
void bubble_open_list::append(int f, int record_id) {
    const open_key key(f, record_id);
    settle_in_front_of(settled.size(), key);
    ++shift;
    if (!drifting.empty() && !ceiling.f_less_than(key)) settle_those_not_smaller();
    BRONDEL_ASSERT(keeps_its_invariants());
}

void bubble_open_list::changed(int record_id, int old_f, int f) {
    const std::size_t drifting_at = drifting_position_of(record_id);
    if (drifting_at < drifting.size()) {
        change_drifting(drifting_at, f);
    } else {
        const std::size_t settled_at = settled_position_of(open_key(old_f, record_id));
        if (settled_at < settled.size()) {
            change_settled(settled_at, f);
        } else {
            sweep(1, drifting.size());
        }
    }
    BRONDEL_ASSERT(keeps_its_invariants());
}

// A drifting entry still smaller than its follower just drifts on. Otherwise
// it is not smaller than anything behind it: the pass carries it forward past
// every smaller entry in front of it. The drifting entries it passes keep
// their followers (+1 for the settled entry put in front of them); those
// behind it get the next follower as well (+2).
void bubble_open_list::change_drifting(std::size_t at, int f) {
    open_key key = drifting[at].key;
    key.set_f(f);
    const std::size_t follower = follower_of(drifting[at]);
    if (key.f_less_than(settled[follower])) {
        drifting[at].key = key;
        sweep(1, drifting.size());
        return;
    }
    drifting.erase(drifting.begin() + static_cast<std::ptrdiff_t>(at));
    settle_in_front_of(follower, key);
    sweep(1, at);
}

// A settled entry that grows stays settled and is carried forward as an
// appended one is. One that shrinks stays settled while it is not smaller
// than the next settled entry; else it drifts, with that entry as follower.
// Either way the drifting entries that followed it now follow a smaller
// entry, and may settle before the pass; no other entry's follower changed.
void bubble_open_list::change_settled(std::size_t at, int f) {
    open_key key = settled[at];
    const bool grows = !open_key(f, 0).f_less_than(key);
    key.set_f(f);
    if (grows) {
        settled.erase(settled.begin() + static_cast<std::ptrdiff_t>(at));
        settle_in_front_of(at, key);
        sweep(1, drifting.size());
        return;
    }
    if (at + 1 == settled.size() || !key.f_less_than(settled[at + 1])) {
        settled[at] = key;
    } else {
        settled.erase(settled.begin() + static_cast<std::ptrdiff_t>(at));
        // It goes behind the drifting entries that followed it; the
        // followers behind it lost one settled entry in front of them.
        std::size_t place = drifting.size();
        while (place > 0 && follower_of(drifting[place - 1]) > at) {
            --drifting[place - 1].follower;
            --place;
        }
        drifting.insert(drifting.begin() + static_cast<std::ptrdiff_t>(place), drifting_key{key, at - shift});
    }
    settle_followers_of(at);
    sweep(1, drifting.size());
}

// From the back, the drifting entries whose follower is settled entry `at`
// and that are not smaller than it settle in front of it (each then is the
// follower of those in front of it).
void bubble_open_list::settle_followers_of(std::size_t at) {
    std::size_t k = drifting.size();
    while (k > 0 && follower_of(drifting[k - 1]) > at) --k;
    for (; k > 0 && follower_of(drifting[k - 1]) == at; --k) {
        if (!drifting[k - 1].key.f_less_than(settled[at])) settle(k - 1, at);
    }
}

// Puts the key among the settled entries in front of `end`, where the pass
// carries it: in front of every smaller entry. The followers of the drifting
// entries are the caller's to adjust (sweep), as they also take the pass.
void bubble_open_list::settle_in_front_of(std::size_t end, open_key key) {
    insert_settled(settled_place(end, key), key);
}

// Room is made before every change (make_room, grow), and most inserts land
// within a few places of the back, so the keys behind are moved one by one.
void bubble_open_list::insert_settled(std::size_t at, open_key key) {
    BRONDEL_ASSERT(settled.size() < settled.capacity());
    settled.push_back(key);
    open_key* const keys = settled.data();
    for (std::size_t k = settled.size() - 1; k > at; --k) keys[k] = keys[k - 1];
    keys[at] = key;
}

// The first position in [0, end) whose settled entry is smaller than `key`,
// or `end`. The settled entries do not increase, so the smaller ones form a
// tail; most carries stop within a step or two, so the nearest entries are
// looked at one by one before halving.
std::size_t bubble_open_list::settled_place(std::size_t end, open_key key) const {
    constexpr int looked_at_first = 4;
    std::size_t high = end;  // settled[high, end) are smaller
    for (int i = 0; i < looked_at_first; ++i) {
        if (high == 0 || !settled[high - 1].f_less_than(key)) {
            return high;
        }
        --high;
    }
    std::size_t low = 0;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (settled[middle].f_less_than(key)) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

// A pass that changes no settled entry: every follower index grows by `step`
// (one more from `more_from` on), then the entries not smaller than their new
// follower settle.
void bubble_open_list::sweep(std::size_t step, std::size_t more_from) {
    shift += step;
    for (std::size_t k = more_from; k < drifting.size(); ++k) ++drifting[k].follower;
    settle_those_not_smaller();
}

// From the back, every drifting entry that is not smaller than its follower
// (or has none) settles in front of it; the ceiling is renewed from those
// that stay. Most entries stay, so they are walked through pointers kept in
// registers, renewed after each settle, which moves entries of both vectors.
void bubble_open_list::settle_those_not_smaller() {
    open_key highest = lowest_key;
    for (std::size_t k = drifting.size(); k > 0;) {
        const drifting_key* const entries = drifting.data();
        const open_key* const keys = settled.data();
        const std::size_t settled_count = settled.size();
        std::size_t follower = 0;
        for (; k > 0; --k) {
            const drifting_key& entry = entries[k - 1];
            follower = entry.follower + shift;
            if (follower >= settled_count || !entry.key.f_less_than(keys[follower])) break;
            if (highest.f_less_than(entry.key)) highest = entry.key;
        }
        if (k == 0) break;
        settle(--k, follower);
    }
    ceiling = highest;
}

// Drifting entry k settles in front of the settled entry `at`; the followers
// of the drifting entries behind it move back one place.
void bubble_open_list::settle(std::size_t k, std::size_t at) {
    insert_settled(at, drifting[k].key);
    for (std::size_t behind = k + 1; behind < drifting.size(); ++behind) {
        drifting[behind - 1] = {drifting[behind].key, drifting[behind].follower + 1};
    }
    drifting.pop_back();
}

// The settled position of this key, or the number of settled keys when it is
// not among them. The settled keys do not increase, so the keys with its f
// form one stretch, found by halving.
std::size_t bubble_open_list::settled_position_of(open_key key) const {
    std::size_t low = 0;
    std::size_t high = settled.size();  // settled[low, high) holds the first key not above `key`
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (key.f_less_than(settled[middle])) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    for (; low < settled.size() && !settled[low].f_less_than(key); ++low) {
        if (settled[low].record_id() == key.record_id()) return low;
    }
    return settled.size();
}

// The contract's invariants, which every change keeps: the settled keys do
// not increase; the drifting keys are in list order (their followers do not
// decrease), each smaller than its follower and none above the ceiling.
bool bubble_open_list::keeps_its_invariants() const {
    for (std::size_t k = 1; k < settled.size(); ++k) {
        if (settled[k - 1].f_less_than(settled[k])) return false;
    }
    std::size_t previous = 0;
    for (const drifting_key& entry : drifting) {
        const std::size_t follower = follower_of(entry);
        if (follower < previous || follower >= settled.size() || !entry.key.f_less_than(settled[follower]) ||
            ceiling.f_less_than(entry.key)) {
            return false;
        }
        previous = follower;
    }
    return true;
}

std::size_t bubble_open_list::drifting_position_of(int record_id) const {
    for (std::size_t k = drifting.size(); k-- > 0;) {
        if (drifting[k].key.record_id() == record_id) return k;
    }
    return drifting.size();
}

}  // namespace Voxel
}  // namespace OSTREL
