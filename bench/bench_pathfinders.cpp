// Benchmark of the product search against the step-by-step reference search and
// libtcod's A*, on Moving AI maps, measured two ways:
//   repeated: the queries interleaved engine by engine (reference, product,
//             libtcod on one query, then the next) and repeated, interpolate on
//             and off in turn; a query's time is its median over the repeats.
//   once:     every query once per search (reference and product, interpolate
//             on), in a fresh seeded order in which no query follows itself,
//             so that neither search finds the map rows the other just read.
// Both report time per query and ns per expansion: a query's time over the
// nodes it took off the open list, which both searches count alike (the
// closed list; the answers are checked to be identical). Every product answer
// is checked against the reference.
// And the batch: the first --batch-queries queries of the map's .scen file
// answered by one batch on one thread (what find_paths(threads=1) runs: the
// snapshot copied, its run planes built, the searches), against a loop of
// find_path over one pathfinder, both keeping each path's cells; each mode,
// the two taking turns R times, medians. Every batch answer is checked
// against the loop's.
//
//   bench_pathfinders [--queries N] [--repeats R] [--seed S] [--maps a,b,...]
//                     [--batch-queries B] [--json FILE] [--without-libtcod]
//                     MAP_FOLDER
//
// Exit status 1 when the product and the reference disagree on any query, 2 on
// bad arguments.
#include "bench/measurement.hpp"
#include "tests/reference/reference_pathfinder.hpp"
#include "tests/support/movingai.hpp"
#include "tests/support/search_outcome.hpp"
#include "voxel/bulk/batch_search.hpp"
#include "voxel/jps_pathfinder.hpp"
#include "voxel/search/search_workspace.hpp"
#include "voxel/search/snapshot_planes.hpp"

#include <libtcod/fov.h>
#include <libtcod/path.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using brondel_reference::reference_pathfinder;
using OSTREL::Voxel::jps_node;
using OSTREL::Voxel::jps_pathfinder;
using OSTREL::Voxel::projection_map;
using coordinate = std::array<unsigned int, 3>;
using clock_type = std::chrono::steady_clock;
using brondel_bench::fresh_order;
using brondel_bench::ns_per_expansion;
using brondel_bench::turn;
using brondel_test::outcome_of;
using brondel_test::search_outcome;

const char* const default_maps[] = {"ht_chantry",       "den520d",   "brc202d",        "AR0011SR",   "Aftershock",
                                    "divideandconquer", "8room_000", "random512-10-0", "maze512-1-0"};

struct options {
    std::size_t queries = 200;
    std::size_t batch_queries = 2000;
    int repeats = 4;
    std::uint32_t seed = 1;
    std::vector<std::string> maps;
    std::string json_file;
    std::string folder;
    bool with_libtcod = true;
};

struct timing {
    double median_us = 0.0;
    double p90_us = 0.0;
};

// ns per expansion: time over nodes taken off the open list, summed over the
// middle half of the queries (ranked by their expansions) and over the
// longest tenth.
struct per_expansion {
    double reference_middle_ns = 0.0;
    double product_middle_ns = 0.0;
    double product_longest_ns = 0.0;
};

// One mode of the batch against the loop, in ms (medians over the repeats).
struct batch_timing {
    double loop_ms = 0.0;
    double batch_ms = 0.0;  // snapshot, planes and searches
    double build_ms = 0.0;  // the planes alone
    double loop_ns_per_expansion = 0.0;
    double batch_ns_per_expansion = 0.0;
};

struct map_result {
    std::string name;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::size_t queries = 0;
    timing reference;
    timing product;
    timing libtcod;
    timing reference_once;
    timing product_once;
    per_expansion repeated_cost;
    per_expansion once_cost;
    std::size_t found = 0;
    std::size_t budget = 0;
    std::size_t no_route = 0;
    double product_length_ratio = 0.0;
    double libtcod_length_ratio = 0.0;
    std::size_t node_grid_bytes = 0;
    std::size_t workspace_bytes = 0;  // this thread's, while the map's pathfinder lives
    std::size_t mismatches = 0;
    std::size_t batch_queries = 0;
    std::size_t planes_bytes = 0;
    batch_timing batch[2];  // interpolate off, on
};

coordinate one_based(int x, int y) {
    return {static_cast<unsigned int>(x + 1), static_cast<unsigned int>(y + 1), 0};
}

double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

// Median and 90th percentile of a sample, in microseconds.
timing summarise(std::vector<double> seconds) {
    timing result;
    if (seconds.empty()) return result;
    std::sort(seconds.begin(), seconds.end());
    result.median_us = seconds[seconds.size() / 2] * 1e6;
    result.p90_us = seconds[std::min(seconds.size() - 1, seconds.size() * 9 / 10)] * 1e6;
    return result;
}

double median_of(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double walked_length(const std::vector<int>& coords) {
    double length = 0.0;
    for (std::size_t i = 2; i + 1 < coords.size(); i += 2) {
        const int dx = std::abs(coords[i] - coords[i - 2]);
        const int dy = std::abs(coords[i + 1] - coords[i - 1]);
        length += std::sqrt(static_cast<double>(dx * dx + dy * dy));
    }
    return length;
}

// libtcod's A* over the same cells; diagonal steps cost sqrt(2).
class libtcod_search {
public:
    explicit libtcod_search(const projection_map& map)
        : cells(TCOD_map_new(static_cast<int>(map.resolution[0]), static_cast<int>(map.resolution[1]))) {
        for (std::uint32_t y = 0; y < map.resolution[1]; ++y) {
            for (std::uint32_t x = 0; x < map.resolution[0]; ++x) {
                const bool free = map.rows[y][x] == 0;
                TCOD_map_set_properties(cells, static_cast<int>(x), static_cast<int>(y), free, free);
            }
        }
        path = TCOD_path_new_using_map(cells, 1.41421356f);
    }
    ~libtcod_search() {
        TCOD_path_delete(path);
        TCOD_map_delete(cells);
    }
    libtcod_search(const libtcod_search&) = delete;
    libtcod_search& operator=(const libtcod_search&) = delete;

    bool compute(const movingai::query& q) { return TCOD_path_compute(path, q.start_x, q.start_y, q.goal_x, q.goal_y); }
    double length(const movingai::query& q) {
        std::vector<int> coords{q.start_x, q.start_y};
        for (int i = 0; i < TCOD_path_size(path); ++i) {
            int x = 0;
            int y = 0;
            TCOD_path_get(path, i, &x, &y);
            coords.push_back(x);
            coords.push_back(y);
        }
        return walked_length(coords);
    }

private:
    TCOD_Map* cells;
    TCOD_path_t path;
};

per_expansion cost_per_expansion(const std::vector<double>& reference, const std::vector<double>& product,
                                 const std::vector<std::size_t>& expansions) {
    per_expansion cost;
    if (expansions.empty()) return cost;
    cost.reference_middle_ns = ns_per_expansion(reference, expansions, 0.25, 0.75);
    cost.product_middle_ns = ns_per_expansion(product, expansions, 0.25, 0.75);
    cost.product_longest_ns = ns_per_expansion(product, expansions, 0.9, 1.0);
    return cost;
}

// All samples of one map: per query and engine, one time per repeat.
struct query_samples {
    std::vector<double> reference;
    std::vector<double> product;
    std::vector<double> libtcod;
};

// The batch on one thread against the loop, every query of `all` up to
// opts.batch_queries, in both modes; mismatching answers are counted.
void run_batch(const options& opts, const projection_map& map, std::vector<movingai::query> all, map_result& result) {
    if (all.size() > opts.batch_queries) all.resize(opts.batch_queries);
    std::vector<OSTREL::Voxel::path_query> queries;
    for (const movingai::query& q : all) queries.push_back({q.start_x, q.start_y, q.goal_x, q.goal_y});
    result.batch_queries = queries.size();
    if (queries.empty()) return;
    // Kept from run to run, as find_paths keeps its pathfinder; the planes
    // are built again by every run (load() drops them).
    OSTREL::Voxel::batch_search batch;
    batch.use_planes(OSTREL::Voxel::batch_search::planes_use::always);
    jps_pathfinder finder;
    for (bool interpolate : {false, true}) {
        finder.init(map, interpolate);
        std::vector<double> loop_ms, batch_ms, build_ms;
        std::size_t expansions = 0;
        for (int repeat = 0; repeat < opts.repeats; ++repeat) {
            std::vector<int> cells;
            std::vector<int> statuses;
            std::vector<float> lengths;
            expansions = 0;
            auto start = clock_type::now();
            for (const OSTREL::Voxel::path_query& q : queries) {
                const int status = finder.find_path(one_based(q.x1, q.y1), one_based(q.x2, q.y2));
                statuses.push_back(status);
                lengths.push_back(status == 0 ? finder.get_path_length() : 0.0f);
                if (status == 0) {
                    const std::vector<int>& coords = finder.get_path().coords;
                    cells.insert(cells.end(), coords.begin(), coords.end());
                }
                expansions += finder.closed_list.size();
            }
            loop_ms.push_back(seconds_since(start) * 1e3);

            start = clock_type::now();
            batch.load(map);
            batch.run(queries, interpolate, 1, {});
            batch_ms.push_back(seconds_since(start) * 1e3);
            std::size_t at = 0;
            for (std::size_t i = 0; i < queries.size(); ++i) {
                const OSTREL::Voxel::path_answer answer = batch.answer(i);
                const bool same_cells = at + answer.values <= cells.size() &&
                                        std::equal(answer.cells, answer.cells + answer.values, cells.begin() + at);
                at += answer.values;
                if (answer.status != statuses[i] || answer.length != lengths[i] || !same_cells) ++result.mismatches;
            }

            OSTREL::Voxel::snapshot_planes planes;
            start = clock_type::now();
            planes.build(map);
            build_ms.push_back(seconds_since(start) * 1e3);
            result.planes_bytes = planes.bytes();
        }
        batch_timing& t = result.batch[interpolate];
        t.loop_ms = median_of(loop_ms);
        t.batch_ms = median_of(batch_ms);
        t.build_ms = median_of(build_ms);
        const double per_expansion = expansions ? 1e6 / static_cast<double>(expansions) : 0.0;
        t.loop_ns_per_expansion = t.loop_ms * per_expansion;
        t.batch_ns_per_expansion = (t.batch_ms - t.build_ms) * per_expansion;
    }
}

map_result run_map(const options& opts, const std::string& name) {
    const projection_map map = movingai::load_map(opts.folder + "/" + name + ".map");
    const auto all = movingai::load_scenarios(opts.folder + "/" + name + ".map.scen", map);
    const auto queries = movingai::spread(all, opts.queries, opts.seed);

    map_result result;
    result.name = name;
    result.width = map.resolution[0];
    result.height = map.resolution[1];
    result.queries = queries.size();
    result.node_grid_bytes = sizeof(jps_node) * map.resolution[0] * map.resolution[1];

    reference_pathfinder reference;
    jps_pathfinder product;
    libtcod_search libtcod(map);
    std::vector<query_samples> samples(queries.size());
    std::vector<std::size_t> expansions(queries.size());  // nodes taken off, the same for both
    double product_ratio_sum = 0.0;
    double libtcod_ratio_sum = 0.0;
    std::size_t libtcod_found = 0;

    for (int repeat = 0; repeat < opts.repeats; ++repeat) {
        const bool interpolate = repeat % 2 == 0;
        reference.init(map, interpolate);
        product.init(map, interpolate);
        for (std::size_t i = 0; i < queries.size(); ++i) {
            const movingai::query& q = queries[i];
            const coordinate first = one_based(q.start_x, q.start_y);
            const coordinate second = one_based(q.goal_x, q.goal_y);

            auto start = clock_type::now();
            const int reference_status = reference.find_path(first, second);
            samples[i].reference.push_back(seconds_since(start));

            start = clock_type::now();
            const int product_status = product.find_path(first, second);
            samples[i].product.push_back(seconds_since(start));

            bool libtcod_found_path = false;
            if (opts.with_libtcod) {
                start = clock_type::now();
                libtcod_found_path = libtcod.compute(q);
                samples[i].libtcod.push_back(seconds_since(start));
            }

            const search_outcome expected = outcome_of(reference, reference_status);
            if (outcome_of(product, product_status) != expected) {
                ++result.mismatches;
            }
            if (repeat != 0) continue;
            expansions[i] = expected.expanded.size();
            // Outcome shares and lengths are taken once, from the interpolated run.
            if (reference_status == 0) {
                ++result.found;
                product_ratio_sum += walked_length(expected.path) / q.optimal_length;
            } else if (expected.expanded.size() == reference_pathfinder::expansion_budget) {
                ++result.budget;
            } else {
                ++result.no_route;
            }
            if (libtcod_found_path) {
                ++libtcod_found;
                libtcod_ratio_sum += libtcod.length(q) / q.optimal_length;
            }
        }
    }

    std::vector<double> reference_medians;
    std::vector<double> product_medians;
    std::vector<double> libtcod_medians;
    for (const query_samples& s : samples) {
        reference_medians.push_back(median_of(s.reference));
        product_medians.push_back(median_of(s.product));
        if (!s.libtcod.empty()) libtcod_medians.push_back(median_of(s.libtcod));
    }
    result.repeated_cost = cost_per_expansion(reference_medians, product_medians, expansions);
    result.reference = summarise(reference_medians);
    result.product = summarise(product_medians);
    result.libtcod = summarise(libtcod_medians);

    // Each query once per search, in a fresh order.
    reference.init(map, true);
    product.init(map, true);
    std::vector<double> reference_once(queries.size());
    std::vector<double> product_once(queries.size());
    std::vector<search_outcome> reference_answers(queries.size());
    std::vector<search_outcome> product_answers(queries.size());
    for (const turn& t : fresh_order(queries.size(), opts.seed)) {
        const movingai::query& q = queries[t.query];
        const coordinate first = one_based(q.start_x, q.start_y);
        const coordinate second = one_based(q.goal_x, q.goal_y);
        const auto start = clock_type::now();
        if (t.product) {
            const int status = product.find_path(first, second);
            product_once[t.query] = seconds_since(start);
            product_answers[t.query] = outcome_of(product, status);
        } else {
            const int status = reference.find_path(first, second);
            reference_once[t.query] = seconds_since(start);
            reference_answers[t.query] = outcome_of(reference, status);
        }
    }
    // A search that finds no path leaves the length of the search before it,
    // which in this order is another query for each search: only the length
    // of a found path is compared here (the repeated runs compare every one).
    for (std::size_t i = 0; i < queries.size(); ++i) {
        if (reference_answers[i].status != 0) {
            reference_answers[i].length_bits = 0;
            product_answers[i].length_bits = 0;
        }
        if (product_answers[i] != reference_answers[i]) ++result.mismatches;
    }
    result.once_cost = cost_per_expansion(reference_once, product_once, expansions);
    result.reference_once = summarise(reference_once);
    result.product_once = summarise(product_once);
    result.product_length_ratio = result.found ? product_ratio_sum / result.found : 0.0;
    result.libtcod_length_ratio = libtcod_found ? libtcod_ratio_sum / libtcod_found : 0.0;
    result.workspace_bytes = OSTREL::Voxel::search_workspace::for_this_thread().bytes();
    run_batch(opts, map, all, result);
    return result;
}

// The native cost of the smallest query, to set against the Python call.
double one_cell_search_ns() {
    projection_map map(1, 1);
    jps_pathfinder finder;
    finder.init(map, true);
    const coordinate cell{1, 1, 0};
    const int calls = 200000;
    const auto start = clock_type::now();
    for (int i = 0; i < calls; ++i) finder.find_path(cell, cell);
    return seconds_since(start) * 1e9 / calls;
}

std::size_t peak_rss_kib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, separator)) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

bool parse(int argc, char** argv, options& opts) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--queries" && has_value)
            opts.queries = std::stoul(argv[++i]);
        else if (arg == "--repeats" && has_value)
            opts.repeats = std::stoi(argv[++i]);
        else if (arg == "--seed" && has_value)
            opts.seed = static_cast<std::uint32_t>(std::stoul(argv[++i]));
        else if (arg == "--maps" && has_value)
            opts.maps = split(argv[++i], ',');
        else if (arg == "--batch-queries" && has_value)
            opts.batch_queries = std::stoul(argv[++i]);
        else if (arg == "--json" && has_value)
            opts.json_file = argv[++i];
        else if (arg == "--without-libtcod")
            opts.with_libtcod = false;
        else if (!arg.empty() && arg[0] != '-' && opts.folder.empty())
            opts.folder = arg;
        else
            return false;
    }
    if (opts.maps.empty()) opts.maps.assign(std::begin(default_maps), std::end(default_maps));
    return !opts.folder.empty() && opts.repeats > 0 && opts.queries > 0;
}

void print_table(const std::vector<map_result>& results) {
    std::cout << std::left << std::setw(18) << "map" << std::right << std::setw(8) << "queries" << std::setw(16)
              << "reference us" << std::setw(16) << "product us" << std::setw(16) << "libtcod us" << std::setw(8)
              << "ratio" << std::setw(18) << "found/budget/none" << std::setw(14) << "len prod/tcod" << std::setw(10)
              << "grid MiB" << '\n';
    std::cout << std::fixed;
    for (const map_result& r : results) {
        std::ostringstream ref, prod, tcod, shares, lengths;
        ref << std::fixed << std::setprecision(1) << r.reference.median_us << '/' << r.reference.p90_us;
        prod << std::fixed << std::setprecision(1) << r.product.median_us << '/' << r.product.p90_us;
        tcod << std::fixed << std::setprecision(0) << r.libtcod.median_us << '/' << r.libtcod.p90_us;
        shares << r.found << '/' << r.budget << '/' << r.no_route;
        lengths << std::fixed << std::setprecision(3) << r.product_length_ratio << '/' << r.libtcod_length_ratio;
        std::cout << std::left << std::setw(18) << r.name << std::right << std::setw(8) << r.queries << std::setw(16)
                  << ref.str() << std::setw(16) << prod.str() << std::setw(16) << tcod.str() << std::setw(8)
                  << std::setprecision(2) << r.reference.median_us / r.product.median_us << std::setw(18)
                  << shares.str() << std::setw(14) << lengths.str() << std::setw(10) << std::setprecision(1)
                  << r.node_grid_bytes / 1048576.0 << '\n';
    }
    std::cout << "\neach query once, fresh order (interpolate on); ns per expansion: middle half of the "
                 "queries by expansions (reference/product), product on the longest tenth\n";
    std::cout << std::left << std::setw(18) << "map" << std::right << std::setw(16) << "reference us" << std::setw(16)
              << "product us" << std::setw(8) << "ratio" << std::setw(18) << "ns/exp repeated" << std::setw(9)
              << "longest" << std::setw(14) << "ns/exp once" << std::setw(9) << "longest" << '\n';
    for (const map_result& r : results) {
        std::ostringstream ref, prod, repeated, once;
        ref << std::fixed << std::setprecision(1) << r.reference_once.median_us << '/' << r.reference_once.p90_us;
        prod << std::fixed << std::setprecision(1) << r.product_once.median_us << '/' << r.product_once.p90_us;
        repeated << std::fixed << std::setprecision(0) << r.repeated_cost.reference_middle_ns << '/'
                 << r.repeated_cost.product_middle_ns;
        once << std::fixed << std::setprecision(0) << r.once_cost.reference_middle_ns << '/'
             << r.once_cost.product_middle_ns;
        std::cout << std::left << std::setw(18) << r.name << std::right << std::setw(16) << ref.str() << std::setw(16)
                  << prod.str() << std::setw(8) << std::setprecision(2)
                  << r.reference_once.median_us / r.product_once.median_us << std::setw(18) << repeated.str()
                  << std::setw(9) << std::setprecision(0) << r.repeated_cost.product_longest_ns << std::setw(14)
                  << once.str() << std::setw(9) << r.once_cost.product_longest_ns << '\n';
    }
}

// The planes pay for a batch of q queries on this map when q times what they
// save a query is at least what they cost to build: when q * (this) >= cells.
double cells_a_query(const map_result& r, const batch_timing& t) {
    const double saved_a_query = (t.loop_ms - (t.batch_ms - t.build_ms)) / static_cast<double>(r.batch_queries);
    return static_cast<double>(r.width) * r.height * saved_a_query / t.build_ms;
}

void print_batch_table(const std::vector<map_result>& results) {
    std::cout << "\nthe batch on one thread (snapshot and run planes built in it) against a loop of find_path, "
                 "every .scen query up to the limit, interpolate off / on; ns per expansion of the searches "
                 "(loop/batch, the batch's without the build); the planes pay from cells / (cells a query) queries\n";
    std::cout << std::left << std::setw(18) << "map" << std::right << std::setw(8) << "queries" << std::setw(20)
              << "loop ms" << std::setw(20) << "batch ms" << std::setw(14) << "ratio" << std::setw(14)
              << "build share" << std::setw(22) << "ns/exp off" << std::setw(22) << "ns/exp on" << std::setw(10)
              << "build ms" << std::setw(10) << "B/cell" << std::setw(16) << "cells a query" << '\n';
    for (const map_result& r : results) {
        std::ostringstream loop, batch, ratio, share, off, on;
        loop << std::fixed << std::setprecision(1) << r.batch[0].loop_ms << " / " << r.batch[1].loop_ms;
        batch << std::fixed << std::setprecision(1) << r.batch[0].batch_ms << " / " << r.batch[1].batch_ms;
        ratio << std::fixed << std::setprecision(2) << r.batch[0].loop_ms / r.batch[0].batch_ms << " / "
              << r.batch[1].loop_ms / r.batch[1].batch_ms;
        share << std::fixed << std::setprecision(0) << 100 * r.batch[0].build_ms / r.batch[0].batch_ms << "% / "
              << 100 * r.batch[1].build_ms / r.batch[1].batch_ms << "%";
        off << std::fixed << std::setprecision(1) << r.batch[0].loop_ns_per_expansion << " / "
            << r.batch[0].batch_ns_per_expansion;
        on << std::fixed << std::setprecision(1) << r.batch[1].loop_ns_per_expansion << " / "
           << r.batch[1].batch_ns_per_expansion;
        std::cout << std::left << std::setw(18) << r.name << std::right << std::setw(8) << r.batch_queries
                  << std::setw(20) << loop.str() << std::setw(20) << batch.str() << std::setw(14) << ratio.str()
                  << std::setw(14) << share.str() << std::setw(22) << off.str() << std::setw(22) << on.str()
                  << std::setw(10) << std::setprecision(2) << r.batch[1].build_ms << std::setw(10)
                  << static_cast<double>(r.planes_bytes) / (static_cast<double>(r.width) * r.height) << std::setw(16)
                  << std::setprecision(0) << std::min(cells_a_query(r, r.batch[0]), cells_a_query(r, r.batch[1])) << '\n';
    }
}

std::string batch_json(const batch_timing& t) {
    std::ostringstream text;
    text << std::setprecision(6) << "{\"loop_ms\": " << t.loop_ms << ", \"batch_ms\": " << t.batch_ms
         << ", \"build_ms\": " << t.build_ms << ", \"loop_ns_per_expansion\": " << t.loop_ns_per_expansion
         << ", \"batch_ns_per_expansion\": " << t.batch_ns_per_expansion << "}";
    return text.str();
}

std::string cost_json(const per_expansion& cost) {
    std::ostringstream text;
    text << std::setprecision(6) << "{\"reference_middle\": " << cost.reference_middle_ns
         << ", \"product_middle\": " << cost.product_middle_ns
         << ", \"product_longest_tenth\": " << cost.product_longest_ns << "}";
    return text.str();
}

void write_json(const std::string& file, const options& opts, const std::vector<map_result>& results,
                double one_cell_ns, std::size_t peak_kib, std::size_t workspace_bytes) {
    std::ofstream out(file);
    out << std::setprecision(6) << "{\n  \"queries_per_map\": " << opts.queries << ",\n  \"repeats\": " << opts.repeats
        << ",\n  \"seed\": " << opts.seed << ",\n  \"batch_queries\": " << opts.batch_queries << ",\n  \"one_cell_native_ns\": " << one_cell_ns
        << ",\n  \"peak_rss_kib\": " << peak_kib << ",\n  \"workspace_bytes\": " << workspace_bytes
        << ",\n  \"maps\": [\n";
    for (std::size_t i = 0; i < results.size(); ++i) {
        const map_result& r = results[i];
        out << "    {\"name\": \"" << r.name << "\", \"width\": " << r.width << ", \"height\": " << r.height
            << ", \"queries\": " << r.queries << ",\n     \"reference_us\": [" << r.reference.median_us << ", "
            << r.reference.p90_us << "], \"product_us\": [" << r.product.median_us << ", " << r.product.p90_us
            << "], \"libtcod_us\": [" << r.libtcod.median_us << ", " << r.libtcod.p90_us
            << "],\n     \"found\": " << r.found << ", \"budget\": " << r.budget << ", \"no_route\": " << r.no_route
            << ", \"product_length_ratio\": " << r.product_length_ratio
            << ", \"libtcod_length_ratio\": " << r.libtcod_length_ratio
            << ", \"node_grid_bytes\": " << r.node_grid_bytes << ", \"mismatches\": " << r.mismatches
            << ",\n     \"once_reference_us\": [" << r.reference_once.median_us << ", " << r.reference_once.p90_us
            << "], \"once_product_us\": [" << r.product_once.median_us << ", " << r.product_once.p90_us
            << "],\n     \"ns_per_expansion\": {\"repeated\": " << cost_json(r.repeated_cost)
            << ", \"once\": " << cost_json(r.once_cost) << "}"
            << ",\n     \"batch\": {\"queries\": " << r.batch_queries << ", \"planes_bytes\": " << r.planes_bytes
            << ", \"off\": " << batch_json(r.batch[0]) << ", \"on\": " << batch_json(r.batch[1]) << "}"
            << "}" << (i + 1 < results.size() ? "," : "") << "\n";
    }
    out << "  ]\n}\n";
}

}  // namespace

int main(int argc, char** argv) {
    options opts;
    if (!parse(argc, argv, opts)) {
        std::cerr << "usage: bench_pathfinders [--queries N] [--repeats R] [--seed S] "
                     "[--maps a,b,...] [--batch-queries B] [--json FILE] [--without-libtcod] MAP_FOLDER\n";
        return 2;
    }
    std::vector<map_result> results;
    std::size_t mismatches = 0;
    for (const std::string& name : opts.maps) {
        results.push_back(run_map(opts, name));
        mismatches += results.back().mismatches;
        std::cerr << name << " done\n";
    }
    // The most this thread's search workspace held while a map's pathfinder
    // lived (it is given back when the pathfinder dies).
    std::size_t workspace_bytes = 0;
    for (const map_result& r : results) workspace_bytes = std::max(workspace_bytes, r.workspace_bytes);
    const double one_cell_ns = one_cell_search_ns();
    const std::size_t peak_kib = peak_rss_kib();
    print_table(results);
    print_batch_table(results);
    std::cout << "one-cell find_path, native: " << std::setprecision(0) << one_cell_ns << " ns\n"
              << "peak resident memory: " << peak_kib / 1024 << " MiB\n"
              << "search workspace of a thread: " << workspace_bytes / 1024 << " KiB\n"
              << "product answers differing from the reference: " << mismatches << '\n';
    if (!opts.json_file.empty()) write_json(opts.json_file, opts, results, one_cell_ns, peak_kib, workspace_bytes);
    return mismatches == 0 ? 0 : 1;
}
