// The benchmark's second way of measuring: the order of the once-each run and
// ns per expansion over a share of the queries.
#include "bench/measurement.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <utility>
#include <vector>

using brondel_bench::fresh_order;
using brondel_bench::ns_per_expansion;
using brondel_bench::turn;

TEST(BenchMeasurement, EveryQueryOncePerSearchAndNeverTwiceInARow) {
    for (std::size_t queries = 0; queries <= 40; ++queries) {
        for (std::uint32_t seed = 1; seed <= 25; ++seed) {
            const std::vector<turn> order = fresh_order(queries, seed);
            ASSERT_EQ(order.size(), 2 * queries);
            std::set<std::pair<std::size_t, bool>> seen;
            for (std::size_t i = 0; i < order.size(); ++i) {
                ASSERT_LT(order[i].query, queries);
                EXPECT_TRUE(seen.insert({order[i].query, order[i].product}).second) << "twice: " << order[i].query;
                if (i > 0 && queries > 1) {
                    EXPECT_NE(order[i].query, order[i - 1].query) << queries << ", " << seed;
                }
            }
        }
    }
}

TEST(BenchMeasurement, TheOrderComesFromTheSeed) {
    const auto queries_of = [](const std::vector<turn>& order) {
        std::vector<std::size_t> queries;
        for (const turn& t : order) queries.push_back(t.query * 2 + (t.product ? 1 : 0));
        return queries;
    };
    EXPECT_EQ(queries_of(fresh_order(100, 7)), queries_of(fresh_order(100, 7)));
    EXPECT_NE(queries_of(fresh_order(100, 7)), queries_of(fresh_order(100, 8)));
    // Each search goes first for about half of the queries.
    std::size_t product_first = 0;
    const std::vector<turn> order = fresh_order(100, 7);
    for (std::size_t i = 0; i < 100; ++i) product_first += order[i].product ? 1 : 0;
    EXPECT_GT(product_first, 20u);
    EXPECT_LT(product_first, 80u);
}

TEST(BenchMeasurement, NsPerExpansionSumsTheChosenShareOfQueriesRankedByLength) {
    // Four queries, given out of order: 1, 2, 3 and 4 expansions, 10 ns an
    // expansion except the longest (100 ns an expansion).
    const std::vector<double> seconds{20e-9, 400e-9, 10e-9, 30e-9};
    const std::vector<std::size_t> expansions{2, 4, 1, 3};
    EXPECT_DOUBLE_EQ(ns_per_expansion(seconds, expansions, 0.25, 0.75), 10.0);  // the 2 and the 3
    EXPECT_DOUBLE_EQ(ns_per_expansion(seconds, expansions, 0.9, 1.0), 100.0);   // the longest alone
    EXPECT_DOUBLE_EQ(ns_per_expansion(seconds, expansions, 0.0, 1.0), 460.0 / 10.0);
    EXPECT_DOUBLE_EQ(ns_per_expansion({5e-9}, {1}, 0.9, 1.0), 5.0);  // at least one query
    EXPECT_DOUBLE_EQ(ns_per_expansion({}, {}, 0.25, 0.75), 0.0);
    EXPECT_DOUBLE_EQ(ns_per_expansion({1e-9}, {0}, 0.0, 1.0), 0.0);
}
