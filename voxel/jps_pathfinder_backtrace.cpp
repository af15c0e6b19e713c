// Path reconstruction: from the goal node the search took off its list, back
// along the parent links to the start, either as the jump points alone or
// straightened by line of sight into every cell along the way.
#include "voxel/jps_pathfinder.hpp"

namespace OSTREL {
namespace Voxel {

namespace {

using cell = jps_pathfinder::cell;

void append_cells(const std::vector<cell>& cells, std::vector<int>& out) {
    for (const cell& c : cells) {
        out.push_back(c.first);
        out.push_back(c.second);
    }
}

// Length of an 8-connected path given as x0, y0, x1, y1, ...: 1 per straight
// step and the float nearest sqrt(2) per diagonal one, summed step by step in
// single precision.
float step_length(const std::vector<int>& coords) {
    float length = 0.0f;
    for (std::size_t i = 2; i + 1 < coords.size(); i += 2) {
        const bool straight = coords[i] == coords[i - 2] || coords[i + 1] == coords[i - 1];
        length += straight ? 1.0f : 1.41421354f;
    }
    return length;
}

}  // namespace

void jps_pathfinder::backtrace(jps_node* goal, std::vector<int>& out, float& out_length) const {
    // Sized once: the chain is walked twice rather than the list grown.
    std::size_t chain_length = 0;
    for (const jps_node* node = goal; node != nullptr; node = node->parent) ++chain_length;
    std::vector<cell> jump_points;
    jump_points.reserve(chain_length);
    for (const jps_node* node = goal; node != nullptr; node = node->parent) {
        jump_points.emplace_back(node->x, node->y);
    }
    // The length is written last, after every allocation, so that running
    // out of memory leaves the previous length in place.
    if (interpolate) {
        append_cells(straighten(jump_points), out);
        out_length = step_length(out);
    } else {
        append_cells(jump_points, out);
        out_length = static_cast<float>(goal->g) * 0.1f;
    }
}

// From each anchor the path runs straight to the last jump point of the
// unbroken run of following jump points the anchor sees; the first jump
// point it does not see ends the run, and the one before it becomes the next
// anchor. The segment holds the last clear line from the anchor; its first
// cell, the anchor, is already on the path.
std::vector<jps_pathfinder::cell> jps_pathfinder::straighten(const std::vector<cell>& jump_points) const {
    std::vector<cell> cells{jump_points.front()};
    std::vector<cell> segment;
    std::vector<cell> line;
    const auto append_segment = [&cells, &segment] {
        if (!segment.empty()) cells.insert(cells.end(), segment.begin() + 1, segment.end());
        segment.clear();
    };
    std::size_t anchor = 0;
    std::size_t candidate = 1;
    while (candidate < jump_points.size()) {
        const cell& from = jump_points[anchor];
        const cell& to = jump_points[candidate];
        interpolate_line(from.first, from.second, to.first, to.second, line);
        if (!line.empty()) {
            segment.swap(line);
            ++candidate;
            continue;
        }
        append_segment();
        if (candidate - 1 > anchor) {
            anchor = candidate - 1;
        } else {
            // The search never builds a chain whose neighbouring jump points
            // do not see each other; a hand-made one is bridged by a gap
            // rather than retried forever.
            anchor = candidate;
            cells.push_back(jump_points[anchor]);
        }
        candidate = anchor + 1;
    }
    append_segment();
    return cells;
}

}  // namespace Voxel
}  // namespace OSTREL
