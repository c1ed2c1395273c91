#pragma once
// The pixel loops behind Engine::PlaceSource: one plain loop that runs anywhere and wider ones
// chosen at run time. Every loop gives exactly the bits of the per-pixel mapping.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "canvas.h"

// Everything a placement decides before its first pixel.
struct PlacementMap {
    const uint8_t* block;  // the source's stored rows, bottom-up
    size_t blockBytes;     // stride x srcH
    const uint8_t* mask;   // coverage bytes, bottom-up; null when every pixel is covered
    int stride;
    int srcW;
    int srcH;
    double ky;
    double eps;
    double sigma;
    int hy;
    int tgy;
    int offsetY;
    int width;  // canvas
    int height;
    int firstRow;     // the span: rows from firstRow, columns from firstColumn
    int firstColumn;
    bool quick;       // nearest stored pixel instead of interpolation
    bool unrotated;   // eps and sigma are zero: X depends on the column only, Y on the row only
    double kx;        // source columns per canvas column
    // Row-independent parts of X and Y for every column of the canvas rounded up to a multiple
    // of 8: colX = (hx + Xc) - Xc * eps, colY = Xc * sigma.
    const double* colX;
    const double* colY;
    // Opacity 0..255 per pixel, bottom-up like the coverage bytes; null when the source is opaque.
    // With it the layer's coverage bytes carry the resampled opacity instead of 0 and 1.
    const uint8_t* alpha;
};

// Y of every sample on canvas row r of an unturned source, as the mapping computes it.
inline double UnturnedRowY(const PlacementMap& m, int r)
{
    const int v = r + m.offsetY - m.tgy;
    const double yc = (m.srcH - 1) - v * m.ky - m.hy;
    return (m.hy + yc) - yc * m.eps;
}

// True when canvas rows a and b of an unturned source sampled by the nearest pixel come out
// alike: both in the span and reading the same stored row.
inline bool SameNearestRow(const PlacementMap& m, int a, int b)
{
    const double ya = UnturnedRowY(m, a), yb = UnturnedRowY(m, b);
    return std::min(a, b) >= m.firstRow && ya >= 0 && ya < m.srcH && yb >= 0 && yb < m.srcH &&
           static_cast<int>(ya) == static_cast<int>(yb);
}

// Clears canvas rows [from, to) x columns [0, width) of the layer and fills the span there.
void PlaceBaseline(const PlacementMap& m, SourceLayer& layer, int from, int to);

// True when the source is neither scaled nor turned, so that its layer is made of row copies.
bool Unscaled(const PlacementMap& m);
// Where the rows of such a source land: canvas columns [lo, hi) take stored columns from firstX
// on, to the left when flipped.
struct CopiedColumns {
    int lo, hi;
    bool flipped;
    int firstX;
};
CopiedColumns FindCopiedColumns(const PlacementMap& m);
// The layer of such a source, rows [from, to): the same bits as the per-pixel mapping.
void PlaceCopies(const PlacementMap& m, const CopiedColumns& k, SourceLayer& layer, int from, int to);

// The same with 256-bit vectors: what they decide before the first row is kept in a plan, made
// on first use and reused; false where the processor lacks them, where the source is too large
// for 32-bit offsets, or while vector loops are disallowed.
struct WidePlan;
void DeleteWidePlan(WidePlan* plan);
using WidePlanPtr = std::unique_ptr<WidePlan, decltype(&DeleteWidePlan)>;
bool PrepareWide(const PlacementMap& m, WidePlanPtr& plan);
void FillWide(const WidePlan& plan, SourceLayer& layer, int from, int to);

// One source's placement decided before its first pixel: it clears and fills any band of rows of
// the layer, each row the same whichever band holds it.
class LayerFill {
public:
    // Rows are cleared over width columns; nothing is placed.
    void Clear(int width);
    // Rows take the mapping m (its column terms in columnX and columnY), by the fastest loops
    // that give its bits.
    void Map(const PlacementMap& m);
    void Rows(SourceLayer& layer, int from, int to) const;

    std::vector<double> columnX;
    std::vector<double> columnY;

private:
    enum class Loops { Clear, Copies, Wide, Plain };
    Loops loops = Loops::Clear;
    PlacementMap map{};
    CopiedColumns copied{};
    int width = 0;
    WidePlanPtr wide{nullptr, &DeleteWidePlan};
};

// Lets tests run the plain loop on machines that have the wide one. Returns the previous setting.
bool AllowWidePlacement(bool allowed);
