// The open list must end up in exactly the order of one literal bubble pass
// after every change; checked against that pass on random operation sequences.
#include "voxel/search/bubble_open_list.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using OSTREL::Voxel::bubble_open_list;
using OSTREL::Voxel::drifting_key;
using OSTREL::Voxel::open_key;

namespace {

struct entry {
    int f;
    int record;
    bool operator==(const entry& other) const { return f == other.f && record == other.record; }
};

void literal_pass(std::vector<entry>& list) {
    for (std::size_t k = list.size(); k-- > 1;) {
        if (list[k - 1].f < list[k].f) std::swap(list[k - 1], list[k]);
    }
}

std::vector<entry> entries_of(const bubble_open_list& open) {
    std::vector<entry> list;
    open.for_each_in_order([&](const open_key& key) { list.push_back({key.f(), key.record_id()}); });
    return list;
}

// Random appends, changes (up and down) and removals from the back, each
// checked against the literal pass. `changes` in 0..10: how many of ten
// steps change an entry rather than append one. The list starts as
// `initial` random entries in no particular order, taken over as they are.
void check_random_sequences(int changes, int steps, int initial = 0) {
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        std::mt19937 random(seed);
        std::vector<entry> expected;
        std::vector<open_key> keys;
        const int key_range = 1 + static_cast<int>(random() % 40);
        int records = 0;
        for (; records < initial; ++records) {
            expected.push_back({static_cast<int>(random() % key_range), records});
            keys.emplace_back(expected.back().f, records);
        }
        std::vector<drifting_key> drifting;
        bubble_open_list open(keys, drifting);
        open.take_keys_as_listed();
        ASSERT_EQ(entries_of(open), expected) << "seed " << seed;
        for (int step = 0; step < steps; ++step) {
            const int choice = static_cast<int>(random() % 12);
            open.make_room(1);
            if (choice >= changes || expected.empty()) {
                const entry added{static_cast<int>(random() % key_range), records++};
                expected.push_back(added);
                literal_pass(expected);
                open.append(added.f, added.record);
            } else if (choice + 2 < changes) {
                entry& changed = expected[random() % expected.size()];
                const int listed_f = changed.f;
                changed.f = static_cast<int>(random() % key_range) - (choice % 2 == 0 ? 0 : key_range / 2);
                const entry now = changed;
                literal_pass(expected);
                open.changed(now.record, listed_f, now.f);
            } else {
                expected.pop_back();
                open.take_back();
            }
            ASSERT_EQ(entries_of(open), expected) << "seed " << seed << ", step " << step;
        }
    }
}

}  // namespace

TEST(BubbleOpenList, MatchesTheLiteralPassOnRandomChanges) {
    check_random_sequences(6, 400);
}

// Long lists with many drifting entries: carries pass them, and they settle.
TEST(BubbleOpenList, MatchesTheLiteralPassWhenManyEntriesImprove) {
    check_random_sequences(9, 600);
}

// A list left in any order (by an earlier search) is taken over as it is.
TEST(BubbleOpenList, MatchesTheLiteralPassFromAnyListTakenOver) {
    check_random_sequences(6, 200, 60);
    check_random_sequences(10, 100, 30);
}

TEST(BubbleOpenList, TakesOverAListAsItIs) {
    const int f[] = {3, 7, 7, 1};
    std::vector<entry> expected;
    std::vector<open_key> keys;
    for (int i = 0; i < 4; ++i) {
        expected.push_back({f[i], i});
        keys.emplace_back(f[i], i);
    }
    std::vector<drifting_key> drifting;
    bubble_open_list open(keys, drifting);
    open.take_keys_as_listed();
    ASSERT_EQ(drifting.size(), 1u);  // 3 before 7: it drifts
    EXPECT_EQ(drifting[0].key.record_id(), 0);
    EXPECT_EQ(entries_of(open), expected);
    open.make_room(1);
    open.append(5, 4);
    expected.push_back({5, 4});
    literal_pass(expected);
    EXPECT_EQ(entries_of(open), expected);
    EXPECT_EQ(open.back_record_id(), 3);  // f 1: the appended 5 moved in front of it
    open.take_back();
    EXPECT_EQ(open.back_record_id(), 4);
}

TEST(BubbleOpenList, KeysOrderAndKeepAnyF) {
    const int values[] = {-2147483647 - 1, -5, -1, 0, 1, 48, 2147483647};
    for (int a : values) {
        const open_key key(a, 12345);
        EXPECT_EQ(key.f(), a);
        EXPECT_EQ(key.record_id(), 12345);
        for (int b : values) {
            EXPECT_EQ(key.f_less_than(open_key(b, 0)), a < b) << a << " " << b;
        }
    }
    open_key changed(7, 3);
    changed.set_f(-7);
    EXPECT_EQ(changed.f(), -7);
    EXPECT_EQ(changed.record_id(), 3);
}

TEST(BubbleOpenList, AChangeOfAnEntryNotOnTheListOnlyMakesAPass) {
    std::vector<open_key> keys{{4, 0}, {2, 1}};
    std::vector<drifting_key> drifting;
    bubble_open_list open(keys, drifting);
    open.take_keys_as_listed();
    open.make_room(1);
    open.changed(7, 4, 1);
    EXPECT_EQ(entries_of(open), (std::vector<entry>{{4, 0}, {2, 1}}));
}
