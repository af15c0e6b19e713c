#include "tests/reference/reference_pathfinder.hpp"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace brondel_reference {

namespace {

// A component of a three-component coordinate, one-based, as a zero-based
// index: 0 becomes -1 and the top half of the unsigned range turns negative.
int zero_based(unsigned int component) {
    return static_cast<int>(component - 1u);
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

}  // namespace

int reference_pathfinder::init(const OSTREL::Voxel::projection_map& bound_map, bool interpolate_flag) {
    map = &bound_map;
    interpolate = interpolate_flag;
    const int new_width = static_cast<int>(bound_map.resolution[0]);
    const int new_height = static_cast<int>(bound_map.resolution[1]);
    if (new_width == width && new_height == height) {
        return 0;
    }
    width = new_width;
    height = new_height;
    nodes.assign(static_cast<std::size_t>(height), std::vector<reference_node>(static_cast<std::size_t>(width)));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            nodes[y][x].x = x;
            nodes[y][x].y = y;
        }
    }
    return 0;
}

int reference_pathfinder::euclidean(int dx, int dy) {
    const int squares = dx * dx + dy * dy;
    return static_cast<int>(std::sqrt(static_cast<float>(squares)) * 10.0f);
}

int reference_pathfinder::manhattan(int dx, int dy) {
    return (dx + dy) * 10;
}

bool reference_pathfinder::walkable(int x, int y) const {
    return x >= 0 && x < width && y >= 0 && y < height && map->rows[y][x] == 0;
}

std::vector<cell> reference_pathfinder::expanded() const {
    std::vector<cell> cells;
    for (const reference_node* node : closed_list) {
        cells.emplace_back(node->x, node->y);
    }
    return cells;
}

std::vector<cell> reference_pathfinder::still_open() const {
    std::vector<cell> cells;
    for (const reference_node* node : open_list) {
        cells.emplace_back(node->x, node->y);
    }
    return cells;
}

// The entry point: the search runs from the second cell to the first, so the
// path, listed from the search's goal, runs from the first cell to the second.
int reference_pathfinder::find_path(const coordinate& first, const coordinate& second) {
    path_coords.clear();
    const int x1 = zero_based(first[0]);
    const int y1 = zero_based(first[1]);
    const int x2 = zero_based(second[0]);
    const int y2 = zero_based(second[1]);
    return findPath(x2, y2, x1, y1, path_coords, length) ? 0 : 2;
}

bool reference_pathfinder::findPath(int sx, int sy, int gx, int gy, std::vector<int>& out, float& out_length) {
    out.clear();
    open_list.clear();
    closed_list.clear();
    if (walkable(sx, sy) && walkable(gx, gy)) {
        reference_node* start = getNodeAt(sx, sy);
        start->opened = true;
        open_list.push_back(start);
        for (int taken = 0; taken < expansion_budget; ++taken) {
            if (open_list.empty()) {
                break;
            }
            reference_node* node = open_list.back();
            open_list.pop_back();
            node->closed = true;
            closed_list.push_back(node);
            if (node->x == gx && node->y == gy) {
                backtrace(node, out, out_length);
                cleanUpNodes();
                return true;
            }
            identifySuccessors(node, gx, gy);
        }
    }
    cleanUpNodes();
    return false;
}

void reference_pathfinder::identifySuccessors(reference_node* node, int gx, int gy) {
    findNeighbors(node);
    for (const cell& neighbor : neighbors) {
        int jx = neighbor.first;
        int jy = neighbor.second;
        if (!jump(jx, jy, node->x, node->y, gx, gy)) {
            continue;
        }
        reference_node* jumped = getNodeAt(jx, jy);
        if (jumped->closed) {
            continue;
        }
        const int ng = node->g + euclidean(std::abs(jx - node->x), std::abs(jy - node->y));
        if (jumped->opened && ng >= jumped->g) {
            continue;
        }
        jumped->g = ng;
        if (jumped->h == 0) {
            jumped->h = manhattan(std::abs(jx - gx), std::abs(jy - gy));
        }
        jumped->f = jumped->g + jumped->h;
        jumped->parent = node;
        if (!jumped->opened) {
            jumped->opened = true;
            open_list.push_back(jumped);
        }
        reorderOpenList();
    }
}

// One bubble pass from the back: a larger f moves one place towards the front
// at each comparison. Not a sort.
void reference_pathfinder::reorderOpenList() {
    for (std::size_t k = open_list.size(); k-- > 1;) {
        if (open_list[k - 1]->f < open_list[k]->f) {
            std::swap(open_list[k - 1], open_list[k]);
        }
    }
}

void reference_pathfinder::findNeighbors(const reference_node* node) {
    neighbors.clear();
    const int x = node->x;
    const int y = node->y;
    if (node->parent == nullptr) {
        if (walkable(x, y - 1)) neighbors.emplace_back(x, y - 1);
        if (walkable(x + 1, y)) neighbors.emplace_back(x + 1, y);
        if (walkable(x, y + 1)) neighbors.emplace_back(x, y + 1);
        if (walkable(x - 1, y)) neighbors.emplace_back(x - 1, y);
        if (walkable(x - 1, y - 1) && (walkable(x - 1, y) || walkable(x, y - 1))) neighbors.emplace_back(x - 1, y - 1);
        if (walkable(x + 1, y - 1) && (walkable(x, y - 1) || walkable(x + 1, y))) neighbors.emplace_back(x + 1, y - 1);
        if (walkable(x + 1, y + 1) && (walkable(x + 1, y) || walkable(x, y + 1))) neighbors.emplace_back(x + 1, y + 1);
        if (walkable(x - 1, y + 1) && (walkable(x, y + 1) || walkable(x - 1, y))) neighbors.emplace_back(x - 1, y + 1);
        return;
    }
    const int dx = sign(x - node->parent->x);
    const int dy = sign(y - node->parent->y);
    if (dx != 0 && dy != 0) {
        if (walkable(x, y + dy)) neighbors.emplace_back(x, y + dy);
        if (walkable(x + dx, y)) neighbors.emplace_back(x + dx, y);
        if (walkable(x, y + dy) || walkable(x + dx, y)) neighbors.emplace_back(x + dx, y + dy);
        if (!walkable(x - dx, y) && walkable(x, y + dy)) neighbors.emplace_back(x - dx, y + dy);
        if (!walkable(x, y - dy) && walkable(x + dx, y)) neighbors.emplace_back(x + dx, y - dy);
    } else if (dx == 0) {
        if (!walkable(x, y + dy)) return;
        neighbors.emplace_back(x, y + dy);
        if (!walkable(x + 1, y)) neighbors.emplace_back(x + 1, y + dy);
        if (!walkable(x - 1, y)) neighbors.emplace_back(x - 1, y + dy);
    } else {
        if (!walkable(x + dx, y)) return;
        neighbors.emplace_back(x + dx, y);
        if (!walkable(x, y + 1)) neighbors.emplace_back(x + dx, y + 1);
        if (!walkable(x, y - 1)) neighbors.emplace_back(x + dx, y - 1);
    }
}

bool reference_pathfinder::jump(int& x, int& y, int px, int py, int gx, int gy) const {
    for (;;) {
        if (!walkable(x, y)) {
            return false;
        }
        if (x == gx && y == gy) {
            return true;
        }
        const int dx = x - px;
        const int dy = y - py;
        if (dx != 0 && dy != 0) {
            if ((walkable(x - dx, y + dy) && !walkable(x - dx, y)) ||
                (walkable(x + dx, y - dy) && !walkable(x, y - dy))) {
                return true;
            }
            int hx = x + dx;
            int hy = y;
            if (jump(hx, hy, x, y, gx, gy)) {
                return true;
            }
            int vx = x;
            int vy = y + dy;
            if (jump(vx, vy, x, y, gx, gy)) {
                return true;
            }
        } else if (dx != 0) {
            if ((walkable(x + dx, y + 1) && !walkable(x, y + 1)) || (walkable(x + dx, y - 1) && !walkable(x, y - 1))) {
                return true;
            }
        } else {
            if ((walkable(x + 1, y + dy) && !walkable(x + 1, y)) || (walkable(x - 1, y + dy) && !walkable(x - 1, y))) {
                return true;
            }
        }
        px = x;
        py = y;
        x += dx;
        y += dy;
    }
}

void reference_pathfinder::backtrace(const reference_node* goal, std::vector<int>& out, float& out_length) const {
    std::vector<cell> jump_points;
    for (const reference_node* node = goal; node != nullptr; node = node->parent) {
        jump_points.emplace_back(node->x, node->y);
    }
    if (interpolate) {
        straightenAndFill(jump_points, out, out_length);
        return;
    }
    out_length = static_cast<float>(goal->g) * 0.1f;
    for (const cell& point : jump_points) {
        out.push_back(point.first);
        out.push_back(point.second);
    }
}

// From each anchor the path runs straight to the last jump point of the
// unbroken run of following jump points that the anchor sees.
void reference_pathfinder::straightenAndFill(const std::vector<cell>& jump_points, std::vector<int>& out,
                                             float& out_length) const {
    std::vector<cell> cells{jump_points[0]};
    std::vector<cell> segment;
    std::vector<cell> line;
    std::size_t anchor = 0;
    std::size_t candidate = 1;
    while (candidate < jump_points.size()) {
        interpolate_line(jump_points[anchor].first, jump_points[anchor].second, jump_points[candidate].first,
                         jump_points[candidate].second, line);
        if (line.empty()) {
            anchor = candidate - 1;
            cells.insert(cells.end(), segment.begin(), segment.end());
            segment.clear();
            continue;
        }
        segment.assign(line.begin() + 1, line.end());
        ++candidate;
    }
    cells.insert(cells.end(), segment.begin(), segment.end());

    for (const cell& c : cells) {
        out.push_back(c.first);
        out.push_back(c.second);
    }
    out_length = 0.0f;
    for (std::size_t i = 2; i + 1 < out.size(); i += 2) {
        const bool straight = out[i] == out[i - 2] || out[i + 1] == out[i - 1];
        out_length += straight ? 1.0f : 1.41421354f;
    }
}

// Bresenham's line in its all-octant form with one error term. The arithmetic
// is 64-bit so that an end far outside the grid cannot overflow it; such a
// line comes out empty like any other that leaves the grid.
void reference_pathfinder::interpolate_line(int x0, int y0, int x1, int y1, std::vector<cell>& cells) const {
    cells.clear();
    const int sx = x1 > x0 ? 1 : -1;
    const int sy = y1 > y0 ? 1 : -1;
    if (x0 < 0 || x0 >= width || y0 < 0) {
        return;
    }
    const std::int64_t dx = std::abs(static_cast<std::int64_t>(x1) - x0);
    const std::int64_t dy = std::abs(static_cast<std::int64_t>(y1) - y0);
    std::int64_t err = dx - dy;
    int x = x0;
    int y = y0;
    for (;;) {
        if (y >= height || map->rows[y][x] != 0) {
            cells.clear();
            return;
        }
        cells.emplace_back(x, y);
        if (x == x1 && y == y1) {
            return;
        }
        const std::int64_t e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += sx;
        }
        if (e2 < dx) {
            err += dx;
            y += sy;
        }
        if (x < 0 || x >= width || y < 0) {
            cells.clear();
            return;
        }
    }
}

int reference_pathfinder::test_direct_view(const coordinate& first, const coordinate& second) const {
    std::vector<cell> line;
    interpolate_line(zero_based(first[0]), zero_based(first[1]), zero_based(second[0]), zero_based(second[1]), line);
    return line.empty() ? 3 : 0;
}

void reference_pathfinder::cleanUpNodes() {
    for (reference_node* node : open_list) {
        *node = reference_node{node->x, node->y};
    }
    for (reference_node* node : closed_list) {
        *node = reference_node{node->x, node->y};
    }
}

}  // namespace brondel_reference
