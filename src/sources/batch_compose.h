#pragma once
#include <vector>

#include "engine.h"

// Recomposes the target of a batch, in which only source 2 changes from file to file, with
// less memory traffic than placing both layers each time. Source 1 is placed again only when
// something about it changed. Source 2 goes to the target straight from its rows when it is
// opaque, unscaled, unturned and unflipped, the tone is neutral and no effect is chosen; its
// layer is then left behind until SettleLayers. The target is bit for bit that of
// PlaceSource(1), PlaceSource(2) and ComposeTarget().
class BatchComposer {
public:
    explicit BatchComposer(Engine& e) : engine(e) {}

    void Compose();
    // Places layer 2 when Compose left it behind, for whoever shows or blends the layers next.
    void SettleLayers();
    // Whether the last Compose took source 2 straight from its rows.
    bool LastWasStraight() const { return straight; }

private:
    // Everything source 1's placement reads, as it was when this composer last placed it.
    struct Source1Key {
        int canvasWidth = -1, canvasHeight = -1;
        const uint8_t* pixels = nullptr;
        const uint8_t* mask = nullptr;
        const uint8_t* alpha = nullptr;
        int width = 0, height = 0, stride = 0;
        SourcePlacement placement;
        bool flip = false;
        double scaleH = 0, scaleV = 0;
        bool quick = false;
        unsigned placementCount = 0;
        bool operator==(const Source1Key& k) const;
    };
    // Source 2's rows as an unscaled copy: canvas row r shows stored row srcH - 1 - r - offsetY
    // over columns [columnFrom, columnTo), column c holding pixel c + offsetX.
    struct StraightRows {
        const uint8_t* block = nullptr;
        int stride = 0;
        int srcH = 0;
        int offsetX = 0, offsetY = 0;
        int rowFrom = 0, rowTo = 0;
        int columnFrom = 0, columnTo = 0;
    };

    Source1Key CurrentKey() const;
    void PlaceSource1();
    void FindCoverage();
    bool FindStraightRows(StraightRows& rows) const;
    void ComposeStraight(const StraightRows& rows);

    Engine& engine;
    Source1Key placed1;
    // Per canvas row, the columns [first, last) that layer 1 covers; empty when first >= last.
    std::vector<int> coverFirst, coverLast;
    unsigned coverageFor = 0;  // the placement the table was found for; 0 for none
    bool layer2Behind = false;
    bool straight = false;
};
