#include "voxel/search/map_snapshot.hpp"

#include "voxel/jps_pathfinder.hpp"
#include "voxel/memory_probe.hpp"
#include "voxel/search/assertion.hpp"

#include <utility>

namespace OSTREL {
namespace Voxel {

namespace {

// The entry of a cell entered by a run: 0 when the cell is blocked (the run
// ends there, without a jump point), 1 when the run stops there at a jump
// point, else one cell more than the entry of the next cell in the run's
// direction. The tests come in jump's order: blocked, then the stop rules.
// The cells hold 0 or 1, so the rules are bit operations, and a row of cells
// that depends only on the row before can be vectorised.
inline run_entry entry_of(unsigned int blocked, unsigned int stops, run_entry next) {
    const run_entry on = static_cast<run_entry>(next + 2);
    return blocked != 0 ? run_entry{0} : stops != 0 ? run_entry{1} : on;
}

// A free cell beyond a blocked one: the forced-neighbour rule's pattern
// (jump_rules.hpp, forces_past), on cells that are 0 or 1.
inline unsigned int forces(unsigned int beyond, unsigned int side) {
    return (beyond ^ 1u) & side;
}

// Runs along rows in the direction DX: each row from its far end back, the
// border cell past the end (entry 0) first. A cell stops the run when the
// cell above or below it is blocked and the one past that in the run's
// direction free.
template <int DX>
void build_row_runs(const unsigned char* c, run_entry* plane, int width, int height, std::ptrdiff_t stride) {
    for (int y = 0; y < height; ++y) {
        const std::ptrdiff_t row = (y + 1) * stride + 1;
        run_entry next = 0;
        for (int i = 0; i < width; ++i) {
            const std::ptrdiff_t p = row + (DX > 0 ? width - 1 - i : i);
            const unsigned int forced = forces(c[p + stride + DX], c[p + stride]) | forces(c[p - stride + DX], c[p - stride]);
            next = entry_of(c[p], forced, next);
            plane[p] = next;
        }
    }
}

// Runs along columns in the direction DY: rows from the far side back, each
// from the row after it (the border row's entries are 0). A cell stops the
// run when the cell beside it is blocked and the one past that free.
template <int DY>
void build_column_runs(const unsigned char* c, run_entry* plane, int width, int height, std::ptrdiff_t stride) {
    constexpr int dy = DY;
    for (int i = 0; i < height; ++i) {
        const int y = DY > 0 ? height - 1 - i : i;
        const std::ptrdiff_t row = (y + 1) * stride + 1;
        for (int x = 0; x < width; ++x) {
            const std::ptrdiff_t p = row + x;
            const unsigned int forced = forces(c[p + dy * stride + 1], c[p + 1]) | forces(c[p + dy * stride - 1], c[p - 1]);
            plane[p] = entry_of(c[p], forced, plane[p + dy * stride]);
        }
    }
}

// Diagonal runs in (DX, DY), rows from the far side back. A cell stops the
// run when it has a forced neighbour (the diagonal rule) or when one of its
// straight probes, the row's run from the next cell in DX or the column's
// from the next cell in DY, stops at a jump point (bit 0 of their entries;
// the border's are 0).
template <int DX, int DY>
void build_diagonal_runs(const unsigned char* c, run_entry* plane, const run_entry* row_runs,
                         const run_entry* column_runs, int width, int height, std::ptrdiff_t stride) {
    constexpr int dx = DX;
    constexpr int dy = DY;
    for (int i = 0; i < height; ++i) {
        const int y = DY > 0 ? height - 1 - i : i;
        const std::ptrdiff_t row = (y + 1) * stride + 1;
        for (int x = 0; x < width; ++x) {
            const std::ptrdiff_t p = row + x;
            const unsigned int forced = forces(c[p - dx + dy * stride], c[p - dx]) |
                                        forces(c[p + dx - dy * stride], c[p - dy * stride]);
            const unsigned int probes = (row_runs[p + dx] | column_runs[p + dy * stride]) & 1u;
            plane[p] = entry_of(c[p], forced | probes, plane[p + dx + dy * stride]);
        }
    }
}

}  // namespace

void map_snapshot::build(const projection_map& map) {
    BRONDEL_ASSERT(map.resolution[0] <= jps_pathfinder::max_extent && map.resolution[1] <= jps_pathfinder::max_extent);
    const int width = static_cast<int>(map.resolution[0]);
    const int height = static_cast<int>(map.resolution[1]);
    const std::size_t places = static_cast<std::size_t>(width + 2) * static_cast<std::size_t>(height + 2);
    const std::size_t entry_bytes = bytes_for(bytes_for(places, 8), sizeof(run_entry));
    require_memory(heap_block_bytes(places) + heap_block_bytes(entry_bytes));
    std::vector<unsigned char> new_cells(places, 1);
    std::vector<run_entry> new_entries(places * 8);

    const std::ptrdiff_t stride = width + 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) new_cells[(y + 1) * stride + x + 1] = map.rows[y][x] != 0 ? 1 : 0;
    }
    const unsigned char* c = new_cells.data();
    const auto plane = [&](run_direction d) { return new_entries.data() + places * d; };
    build_row_runs<1>(c, plane(east), width, height, stride);
    build_row_runs<-1>(c, plane(west), width, height, stride);
    build_column_runs<1>(c, plane(south), width, height, stride);
    build_column_runs<-1>(c, plane(north), width, height, stride);
    build_diagonal_runs<1, 1>(c, plane(south_east), plane(east), plane(south), width, height, stride);
    build_diagonal_runs<-1, 1>(c, plane(south_west), plane(west), plane(south), width, height, stride);
    build_diagonal_runs<1, -1>(c, plane(north_east), plane(east), plane(north), width, height, stride);
    build_diagonal_runs<-1, -1>(c, plane(north_west), plane(west), plane(north), width, height, stride);

    padded.swap(new_cells);
    entries.swap(new_entries);
    columns = width;
    rows = height;
}

void map_snapshot::release() {
    std::vector<unsigned char>().swap(padded);
    std::vector<run_entry>().swap(entries);
    columns = 0;
    rows = 0;
}

std::size_t map_snapshot::bytes() const {
    return padded.capacity() + entries.capacity() * sizeof(run_entry);
}

}  // namespace Voxel
}  // namespace OSTREL
