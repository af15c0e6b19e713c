#include "voxel/bubble_open_list.hpp"

#include <algorithm>

namespace OSTREL {
namespace Voxel {

bubble_open_list::bubble_open_list(std::vector<open_key>& list_keys, std::vector<std::size_t>& ascents)
    : keys(list_keys), maybe_ascents(ascents) {}

void bubble_open_list::take_keys_as_listed() {
    maybe_ascents.clear();
    maybe_ascents.reserve(keys.size() + 2);
    for (std::size_t k = 1; k < keys.size(); ++k) {
        if (is_ascent(k)) maybe_ascents.push_back(k);
    }
}

void bubble_open_list::take_back() {
    keys.pop_back();
    // The last position is gone, and with it any ascent there.
    if (!maybe_ascents.empty() && maybe_ascents.back() >= keys.size()) maybe_ascents.pop_back();
}

void bubble_open_list::grow(std::size_t more) {
    // Doubles, as push_back would, so that appends stay cheap. A pass never
    // adds possible ascents; a change adds at most two.
    keys.reserve(std::max(2 * keys.size() + 16, keys.size() + more));
    maybe_ascents.reserve(std::max(2 * maybe_ascents.size() + 16, maybe_ascents.size() + 2 * more));
}

void bubble_open_list::append(int f, int record) {
    keys.emplace_back(f, record);
    // The new last pair lies behind every other possible ascent.
    if (keys.size() > 1) maybe_ascents.push_back(keys.size() - 1);
    pass();
}

void bubble_open_list::changed(int record, int f) {
    const std::size_t at = position_of(record);
    if (at < keys.size()) {
        keys[at].set_f(f);
        may_be_ascent(at);      // the pair it ends
        may_be_ascent(at + 1);  // the pair it begins
    }
    pass();
}

// The last position whose entry has this record, or size() when there is
// none. Four entries are tested per step, so that the test of one does not
// wait for the branch of the one before.
std::size_t bubble_open_list::position_of(int record) const {
    std::size_t end = keys.size();
    for (; end >= 4; end -= 4) {
        const bool here = keys[end - 1].record() == record || keys[end - 2].record() == record ||
                          keys[end - 3].record() == record || keys[end - 4].record() == record;
        if (here) break;
    }
    while (end-- > 0) {
        if (keys[end].record() == record) return end;
    }
    return keys.size();
}

// The literal pass visits k = n-1 down to 1; here only the possible ascents
// are visited, from the back. At an ascent the entry is carried forward past
// every smaller one, and the pass goes on in front of where it comes to rest.
// The list of possible ascents is rewritten in place for the next pass, from
// the back: a visited position stays only where a carry changed a pair
// behind the pass.
void bubble_open_list::pass() {
    std::size_t unvisited = maybe_ascents.size();
    std::size_t kept = maybe_ascents.size();  // [kept, size): for the next pass
    while (unvisited > 0) {
        const std::size_t k = maybe_ascents[--unvisited];
        if (!is_ascent(k)) {
            continue;
        }
        const std::size_t at = carry_from(k, unvisited);
        // The carried entry leaves a new pair behind it,
        if (k + 1 < keys.size()) maybe_ascents[--kept] = k + 1;
        // the pairs it passed moved back one place,
        while (unvisited > 0 && maybe_ascents[unvisited - 1] > at) {
            const std::size_t moved = maybe_ascents[--unvisited] + 1;
            maybe_ascents[--kept] = moved;
        }
        // and the pair it came to rest in is split into two that are not
        // ascents: the entry in front is not smaller, the one behind is.
        if (unvisited > 0 && maybe_ascents[unvisited - 1] == at) --unvisited;
    }
    maybe_ascents.erase(maybe_ascents.begin(), maybe_ascents.begin() + static_cast<std::ptrdiff_t>(kept));
}

// Carries the entry at the ascent k towards the front past every smaller
// entry, as the pass's swaps do; returns where it comes to rest. Most often
// that is one place forward: a swap.
std::size_t bubble_open_list::carry_from(std::size_t k, std::size_t unvisited) {
    const open_key key = keys[k];
    if (k < 2 || !keys[k - 2].f_less_than(key)) {
        keys[k] = keys[k - 1];
        keys[k - 1] = key;
        return k - 1;
    }
    if (k > near_front) {
        return carry_far(k, unvisited);
    }
    // Near the front of the list a plain walk is cheaper than halving.
    std::size_t at = k;
    do {
        keys[at] = keys[at - 1];
        --at;
    } while (at > 0 && keys[at - 1].f_less_than(key));
    keys[at] = key;
    return at;
}

// The possible ascents in front of k are maybe_ascents[0, unvisited): between
// two of them the list does not increase, so the smaller entries there form a
// tail.
std::size_t bubble_open_list::carry_far(std::size_t k, std::size_t unvisited) {
    const open_key key = keys[k];
    std::size_t at = k;
    for (;;) {
        const std::size_t first = unvisited > 0 ? maybe_ascents[unvisited - 1] : 0;
        at = first_of_smaller_tail(first, at, key);
        // A possible ascent is crossed when the entry in front of it is
        // smaller as well.
        if (at != first || at == 0 || !keys[at - 1].f_less_than(key)) {
            break;
        }
        --at;
        --unvisited;
    }
    std::move_backward(keys.begin() + static_cast<std::ptrdiff_t>(at), keys.begin() + static_cast<std::ptrdiff_t>(k),
                       keys.begin() + static_cast<std::ptrdiff_t>(k + 1));
    keys[at] = key;
    return at;
}

// The first position of the tail of [first, end) whose entries are all
// smaller than `key`, in a stretch that does not increase; `end` when there
// is none. A long carry crosses whole stretches, which their first (largest)
// entry tells at once. Most carries stop within a step or two, so the nearest
// entries are looked at one by one before halving.
std::size_t bubble_open_list::first_of_smaller_tail(std::size_t first, std::size_t end, open_key key) const {
    if (first < end && keys[first].f_less_than(key)) {
        return first;
    }
    constexpr int looked_at_first = 4;
    std::size_t high = end;  // keys[high, end) are smaller
    for (int i = 0; i < looked_at_first; ++i) {
        if (high == first || !keys[high - 1].f_less_than(key)) {
            return high;
        }
        --high;
    }
    std::size_t low = first;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (keys[middle].f_less_than(key)) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return low;
}

// Notes position k (a pair that changed) as a possible ascent.
void bubble_open_list::may_be_ascent(std::size_t k) {
    if (k < 1 || k >= keys.size()) {
        return;
    }
    const auto place = std::lower_bound(maybe_ascents.begin(), maybe_ascents.end(), k);
    if (place == maybe_ascents.end() || *place != k) maybe_ascents.insert(place, k);
}

}  // namespace Voxel
}  // namespace OSTREL
