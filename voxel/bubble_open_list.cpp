#include "voxel/bubble_open_list.hpp"

#include <algorithm>

namespace OSTREL {
namespace Voxel {

bubble_open_list::bubble_open_list(std::vector<jps_node*>& list_entries, std::vector<open_key>& list_keys)
    : entries(list_entries), keys(list_keys) {
    find_ascents(1, keys.size());
}

jps_node* bubble_open_list::take_back() {
    jps_node* node = entries.back();
    entries.pop_back();
    keys.pop_back();
    // The last position is gone, and with it any ascent there.
    if (keys.size() < 2) {
        low = 1;
        high = 0;
    } else {
        high = std::min(high, keys.size() - 1);
    }
    return node;
}

void bubble_open_list::reserve_one() {
    // Grows by doubling, as push_back would, so that appends stay cheap.
    if (entries.size() == entries.capacity()) entries.reserve(2 * entries.size() + 16);
    if (keys.size() == keys.capacity()) keys.reserve(2 * keys.size() + 16);
}

void bubble_open_list::append(jps_node* node, int f, int record) {
    entries.push_back(node);
    keys.emplace_back(f, record);
    include(keys.size() - 1, keys.size() - 1);
    pass();
}

void bubble_open_list::changed(int record, int f) {
    std::size_t at = keys.size();
    while (at-- > 0) {
        if (keys[at].record() == record) {
            keys[at].set_f(f);
            include(at, at + 1);
            break;
        }
    }
    pass();
}

// The literal pass visits k = n-1 down to 1; here only the positions where it
// can move something are visited: ascents, and the way of a carried entry.
// Everything in front of the current position is as it was before the pass,
// so the ascents there are still inside [low, high].
void bubble_open_list::pass() {
    if (no_ascents()) {
        return;
    }
    std::size_t touched_low = keys.size();
    std::size_t touched_high = 0;
    std::size_t k = high;
    for (;;) {
        if (is_ascent(k)) {
            k = carry(k, touched_low, touched_high);
        }
        if (k <= low) {
            break;
        }
        --k;
    }
    find_ascents(std::min(low, touched_low), std::max(high, touched_high + 1));
}

// Carries the entry at k towards the front past every smaller entry, as the
// pass's swaps do; returns where it comes to rest.
std::size_t bubble_open_list::carry(std::size_t k, std::size_t& touched_low, std::size_t& touched_high) {
    const open_key key = keys[k];
    jps_node* const entry = entries[k];
    std::size_t at = k;
    while (at > 0 && keys[at - 1].f_less_than(key)) {
        --at;
    }
    std::move_backward(keys.begin() + at, keys.begin() + k, keys.begin() + k + 1);
    std::move_backward(entries.begin() + at, entries.begin() + k, entries.begin() + k + 1);
    keys[at] = key;
    entries[at] = entry;
    touched_low = std::min(touched_low, at);
    touched_high = std::max(touched_high, k);
    return at;
}

void bubble_open_list::include(std::size_t first, std::size_t last) {
    first = std::max<std::size_t>(first, 1);
    last = std::min(last, keys.size() - 1);
    if (keys.size() < 2 || first > last) {
        return;
    }
    if (no_ascents()) {
        low = first;
        high = last;
    } else {
        low = std::min(low, first);
        high = std::max(high, last);
    }
}

// Narrows [low, high] to the ascents that lie in [first, last].
void bubble_open_list::find_ascents(std::size_t first, std::size_t last) {
    low = 1;
    high = 0;
    if (keys.size() < 2) {
        return;
    }
    first = std::max<std::size_t>(first, 1);
    last = std::min(last, keys.size() - 1);
    std::size_t k = first;
    while (k <= last && !is_ascent(k)) {
        ++k;
    }
    if (k > last) {
        return;
    }
    low = k;
    k = last;
    while (!is_ascent(k)) {
        --k;
    }
    high = k;
}

}  // namespace Voxel
}  // namespace OSTREL
