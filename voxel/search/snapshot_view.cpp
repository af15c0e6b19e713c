#include "voxel/search/snapshot_view.hpp"

#include "voxel/search/jump_rules.hpp"

#include <vector>

namespace OSTREL {
namespace Voxel {

namespace {

// The cells around a node as a 3 x 3 pattern: bit (y + 1) * 3 + x + 1 set
// when the cell (x, y) from the node is blocked.
class pattern_grid {
public:
    explicit pattern_grid(unsigned int blocked_bits) : blocked(blocked_bits) {}
    bool walkable(int x, int y) const { return (blocked >> ((y + 1) * 3 + x + 1) & 1u) == 0; }

private:
    unsigned int blocked;
};

std::vector<std::uint32_t> pruned_free_neighbour_table() {
    std::vector<std::uint32_t> table(9 * 512);
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            for (unsigned int mask = 0; mask < 512; ++mask) {
                const pattern_grid grid(mask);
                std::uint32_t count = 0;
                std::uint32_t directions = 0;
                for_each_pruned_neighbour(grid, 0, 0, dx, dy, [&](int x, int y) {
                    if (!grid.walkable(x, y)) return;
                    directions |= static_cast<std::uint32_t>(direction_of(x, y)) << (3 * count);
                    ++count;
                });
                table[static_cast<std::size_t>((dy + 1) * 3 + dx + 1) * 512 + mask] = count | directions << 4;
            }
        }
    }
    return table;
}

}  // namespace

const std::uint32_t* pruned_free_neighbours() {
    static const std::vector<std::uint32_t> table = pruned_free_neighbour_table();
    return table.data();
}

}  // namespace Voxel
}  // namespace OSTREL
