// measurement: the two pure pieces of the benchmark's second way of
// measuring: the order in which every query is run once per search, and ns
// per expansion over a share of the queries.
//
// Contract
//   fresh_order:  for n queries, 2n turns: every query once with the
//                 reference search and once with the product search; each
//                 half of the run holds every query once, in a random order
//                 drawn from the seed, and the search of a query's first turn
//                 is drawn too. No query follows itself (n >= 2). The same
//                 seed gives the same order.
//   ns_per_expansion: the queries ranked by their expansions (ties in query
//                 order); the summed time of those from share `from` to share
//                 `to` (at least one query) over their summed expansions, in
//                 ns; 0 when they expanded nothing. `seconds` and
//                 `expansions` have one entry per query.
//   Threads:      pure functions.
//
// Usage
//   for (const brondel_bench::turn& t : brondel_bench::fresh_order(queries.size(), seed)) run(t.query, t.product);
//   double middle = brondel_bench::ns_per_expansion(seconds, expansions, 0.25, 0.75);
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <random>
#include <vector>

namespace brondel_bench {

struct turn {
    std::size_t query;
    bool product;  // else the reference search
};

inline std::vector<turn> fresh_order(std::size_t queries, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::size_t> first_half(queries);
    std::iota(first_half.begin(), first_half.end(), std::size_t{0});
    std::vector<std::size_t> second_half = first_half;
    std::shuffle(first_half.begin(), first_half.end(), random);
    std::shuffle(second_half.begin(), second_half.end(), random);
    // Only where the halves meet could a query follow itself.
    if (queries > 1 && second_half.front() == first_half.back()) {
        std::rotate(second_half.begin(), second_half.begin() + 1, second_half.end());
    }
    std::vector<bool> product_first(queries);
    for (std::size_t i = 0; i < queries; ++i) product_first[i] = (random() & 1u) != 0;
    std::vector<turn> order;
    order.reserve(2 * queries);
    for (std::size_t query : first_half) order.push_back({query, product_first[query]});
    for (std::size_t query : second_half) order.push_back({query, !product_first[query]});
    return order;
}

inline double ns_per_expansion(const std::vector<double>& seconds, const std::vector<std::size_t>& expansions,
                               double from, double to) {
    std::vector<std::size_t> ranked(seconds.size());
    std::iota(ranked.begin(), ranked.end(), std::size_t{0});
    std::sort(ranked.begin(), ranked.end(), [&](std::size_t a, std::size_t b) {
        return expansions[a] != expansions[b] ? expansions[a] < expansions[b] : a < b;
    });
    const auto share = [&ranked](double at) {
        return static_cast<std::size_t>(at * static_cast<double>(ranked.size()));
    };
    const std::size_t first = std::min(share(from), ranked.empty() ? 0 : ranked.size() - 1);
    const std::size_t last = std::min(std::max(first + 1, share(to)), ranked.size());
    double total_seconds = 0.0;
    double total_expansions = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        total_seconds += seconds[ranked[i]];
        total_expansions += static_cast<double>(expansions[ranked[i]]);
    }
    return total_expansions > 0.0 ? total_seconds * 1e9 / total_expansions : 0.0;
}

}  // namespace brondel_bench
