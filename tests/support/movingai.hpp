// movingai: reads Moving AI grid benchmark files (.map and .map.scen) into
// projection maps and query lists, and picks a fixed, seeded spread of queries.
//
// Contract
//   Cells:        '.' and 'G' are free (0); every other character is occupied (1).
//   Queries:      zero-based (x, y) cells, the scenario's bucket and its optimal
//                 octile length. Queries whose start or goal is occupied under the
//                 rule above are dropped (some maps have swamp and water cells
//                 that the scenarios treat as passable).
//   Checking:     a malformed file throws std::runtime_error naming the file.
//   Threads:      plain functions, no shared state.
//
// Usage
//   auto map = movingai::load_map("bench/maps/den520d.map");
//   auto all = movingai::load_scenarios("bench/maps/den520d.map.scen", map);
//   auto picked = movingai::spread(all, 300, 1);
#pragma once

#include "voxel/projection_map.hpp"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace movingai {

struct query {
    int bucket = 0;
    int start_x = 0;
    int start_y = 0;
    int goal_x = 0;
    int goal_y = 0;
    double optimal_length = 0.0;
};

inline std::runtime_error bad_file(const std::string& path, const std::string& what) {
    return std::runtime_error(path + ": " + what);
}

inline OSTREL::Voxel::projection_map load_map(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw bad_file(path, "cannot open");
    std::string word;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    while (in >> word && word != "map") {
        if (word == "height")
            in >> height;
        else if (word == "width")
            in >> width;
        else if (word == "type")
            in >> word;
    }
    if (!in || width == 0 || height == 0) throw bad_file(path, "missing header");
    OSTREL::Voxel::projection_map map(width, height);
    std::string line;
    std::getline(in, line);  // the rest of the "map" line
    for (std::uint32_t y = 0; y < height; ++y) {
        if (!std::getline(in, line) || line.size() < width) throw bad_file(path, "short row");
        for (std::uint32_t x = 0; x < width; ++x) {
            const bool free = line[x] == '.' || line[x] == 'G';
            map.set(x, y, free ? 0 : 1);
        }
    }
    return map;
}

inline bool is_free(const OSTREL::Voxel::projection_map& map, int x, int y) {
    return x >= 0 && y >= 0 && static_cast<std::uint32_t>(x) < map.resolution[0] &&
           static_cast<std::uint32_t>(y) < map.resolution[1] && map.rows[y][x] == 0;
}

// Fields are separated by tabs or spaces; the map name may carry a folder.
inline std::vector<query> load_scenarios(const std::string& path, const OSTREL::Voxel::projection_map& map) {
    std::ifstream in(path);
    if (!in) throw bad_file(path, "cannot open");
    std::string line;
    std::getline(in, line);  // "version 1" or "version 1.0"
    std::vector<query> queries;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        std::istringstream fields(line);
        query q;
        std::string name;
        int width = 0;
        int height = 0;
        if (!(fields >> q.bucket >> name >> width >> height >> q.start_x >> q.start_y >> q.goal_x >> q.goal_y >>
              q.optimal_length)) {
            throw bad_file(path, "bad line: " + line);
        }
        if (is_free(map, q.start_x, q.start_y) && is_free(map, q.goal_x, q.goal_y)) {
            queries.push_back(q);
        }
    }
    return queries;
}

// Takes `count` queries (or all, if there are fewer) over the buckets: one
// from every bucket per round, each bucket's queries in a seeded order; in the
// last round, when not every bucket can give one, evenly spaced buckets. Uses
// the engine's raw output, so the choice is the same with every standard
// library.
inline std::vector<query> spread(const std::vector<query>& all, std::size_t count, std::uint32_t seed) {
    std::map<int, std::vector<query>> buckets;
    for (const query& q : all) buckets[q.bucket].push_back(q);
    std::mt19937 random(seed);
    for (auto& bucket : buckets) {
        std::vector<query>& list = bucket.second;
        for (std::size_t i = list.size(); i > 1; --i) {
            std::swap(list[i - 1], list[random() % i]);
        }
    }
    std::vector<query> picked;
    for (std::size_t round = 0; picked.size() < count && picked.size() < all.size(); ++round) {
        std::vector<const query*> available;
        for (const auto& bucket : buckets) {
            if (round < bucket.second.size()) available.push_back(&bucket.second[round]);
        }
        const std::size_t needed = count - picked.size();
        const std::size_t taken = std::min(needed, available.size());
        for (std::size_t i = 0; i < taken; ++i) {
            picked.push_back(*available[i * available.size() / taken]);
        }
    }
    return picked;
}

}  // namespace movingai
