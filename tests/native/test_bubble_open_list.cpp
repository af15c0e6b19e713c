// The open list must end up in exactly the order of one literal bubble pass
// after every change; checked against that pass on random operation sequences.
#include "voxel/bubble_open_list.hpp"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

using OSTREL::Voxel::bubble_open_list;
using OSTREL::Voxel::jps_node;
using OSTREL::Voxel::open_key;

namespace {

void literal_pass(std::vector<jps_node*>& list) {
    for (std::size_t k = list.size(); k-- > 1;) {
        if (list[k - 1]->f < list[k]->f) std::swap(list[k - 1], list[k]);
    }
}

}  // namespace

TEST(BubbleOpenList, MatchesTheLiteralPassOnRandomChanges) {
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        std::mt19937 random(seed);
        std::deque<jps_node> nodes;   // stable addresses
        std::vector<jps_node*> expected;
        std::vector<jps_node*> actual;
        std::vector<open_key> keys;
        bubble_open_list open(actual, keys);
        const int key_range = 1 + static_cast<int>(random() % 40);
        for (int step = 0; step < 400; ++step) {
            const unsigned int choice = random() % 10;
            if (choice < 5 || expected.empty()) {
                nodes.emplace_back();
                nodes.back().f = static_cast<int>(random() % key_range);
                nodes.back().x = static_cast<int>(nodes.size() - 1);  // its record id
                expected.push_back(&nodes.back());
                literal_pass(expected);
                open.append(&nodes.back(), nodes.back().f, nodes.back().x);
            } else if (choice < 8) {
                jps_node* node = expected[random() % expected.size()];
                node->f = static_cast<int>(random() % key_range) - (choice == 7 ? 0 : key_range / 2);
                literal_pass(expected);
                open.changed(node->x, node->f);
            } else {
                expected.pop_back();
                open.take_back();
            }
            ASSERT_EQ(actual, expected) << "seed " << seed << ", step " << step;
        }
    }
}

TEST(BubbleOpenList, TakesOverAListAsItIs) {
    std::vector<jps_node> nodes(4);
    const int f[] = {3, 7, 7, 1};
    std::vector<jps_node*> list;
    std::vector<open_key> keys;
    for (int i = 0; i < 4; ++i) {
        nodes[i].f = f[i];
        list.push_back(&nodes[i]);
        keys.emplace_back(f[i], i);
    }
    std::vector<jps_node*> expected = list;
    bubble_open_list open(list, keys);
    jps_node added;
    added.f = 5;
    expected.push_back(&added);
    literal_pass(expected);
    open.append(&added, added.f, 4);
    EXPECT_EQ(list, expected);
    EXPECT_EQ(open.back_record(), 3);  // f 1: the appended 5 moved in front of it
    EXPECT_EQ(open.take_back(), expected.back());
}

TEST(BubbleOpenList, KeysOrderAndKeepAnyF) {
    const int values[] = {-2147483647 - 1, -5, -1, 0, 1, 48, 2147483647};
    for (int a : values) {
        const open_key key(a, 12345);
        EXPECT_EQ(key.f(), a);
        EXPECT_EQ(key.record(), 12345);
        for (int b : values) {
            EXPECT_EQ(key.f_less_than(open_key(b, 0)), a < b) << a << " " << b;
        }
    }
    open_key changed(7, 3);
    changed.set_f(-7);
    EXPECT_EQ(changed.f(), -7);
    EXPECT_EQ(changed.record(), 3);
}

TEST(BubbleOpenList, AChangeOfAnEntryNotOnTheListOnlyMakesAPass) {
    std::vector<jps_node> nodes(2);
    std::vector<jps_node*> list{&nodes[0], &nodes[1]};
    std::vector<open_key> keys{{4, 0}, {2, 1}};
    bubble_open_list open(list, keys);
    open.changed(7, 1);
    EXPECT_EQ(list, (std::vector<jps_node*>{&nodes[0], &nodes[1]}));
    EXPECT_EQ(keys[1].f(), 2);
}
