#include "settings_history.h"

#include <algorithm>
#include <cstring>

namespace {

bool SameSettings(const MergeSettings& a, const MergeSettings& b)
{
    for (int s = 0; s < 2; ++s)
        if (a.horizontalScale[s] != b.horizontalScale[s] || a.verticalScale[s] != b.verticalScale[s] ||
            a.scaleToTarget[s] != b.scaleToTarget[s] || a.flipHorizontal[s] != b.flipHorizontal[s])
            return false;
    for (int c = 0; c < 3; ++c)
        if (a.channelContrast[c] != b.channelContrast[c] || a.channelBrightness[c] != b.channelBrightness[c])
            return false;
    return a.mergeMethod == b.mergeMethod && a.sourceBias == b.sourceBias && a.contrastMode == b.contrastMode &&
           a.infiniteThreshold == b.infiniteThreshold && a.effect == b.effect && a.baseColour == b.baseColour;
}

bool SamePlacement(const SourcePlacement& a, const SourcePlacement& b)
{
    return a.angle == b.angle && a.offsetX == b.offsetX && a.offsetY == b.offsetY &&
           a.fitFactorH == b.fitFactorH && a.fitFactorV == b.fitFactorV && a.boxWidth == b.boxWidth &&
           a.boxHeight == b.boxHeight;
}

bool SameZone(const BlendZone& a, const BlendZone& b)
{
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 && a.valid == b.valid &&
           a.level == b.level && a.rectangular == b.rectangular && a.smooth == b.smooth;
}

bool SamePicture(const SavedPicture* a, const SavedPicture* b)
{
    if (a == b)
        return true;
    return a && b && a->width == b->width && a->height == b->height && a->bytes == b->bytes;
}

bool SameBlend(const BlendedPixels* a, const BlendedPixels* b)
{
    if (a == b)
        return true;
    return a && b && a->width == b->width && a->height == b->height && a->row == b->row && a->rows == b->rows &&
           a->column == b->column && a->columns == b->columns && a->changed == b->changed &&
           SamePicture(a->unblended.get(), b->unblended.get());
}

size_t PictureBytes(const TargetImage& t) { return size_t(t.width) * t.height * 3; }

// The corners move with the canvas: kept relative to its top left corner.
BlendZone ZoneRelativeTo(BlendZone zone, int left, int top)
{
    if (zone.x1 == -1)
        return zone;
    zone.x1 -= left;
    zone.x2 -= left;
    zone.y1 -= top;
    zone.y2 -= top;
    return zone;
}

std::shared_ptr<const SavedPicture> SaveUnblended(const TargetImage& unblended, const SettingsState* previous)
{
    const size_t n = PictureBytes(unblended);
    if (previous && previous->blended) {
        const auto& last = previous->blended->unblended;
        if (last && last->width == unblended.width && last->height == unblended.height &&
            (n == 0 || std::memcmp(last->bytes.data(), unblended.pixels.data(), n) == 0))
            return last;
    }
    auto saved = std::make_shared<SavedPicture>();
    saved->width = unblended.width;
    saved->height = unblended.height;
    saved->bytes.assign(unblended.pixels.data(), unblended.pixels.data() + n);
    return saved;
}

// The rectangle of target bytes that differ from the unblended picture, or the whole target
// when the two differ in size.
std::shared_ptr<const BlendedPixels> SaveBlend(const Engine& engine, const SettingsState* previous)
{
    auto blend = std::make_shared<BlendedPixels>();
    const TargetImage& t = engine.target;
    blend->unblended = SaveUnblended(engine.unblended, previous);
    blend->width = t.width;
    blend->height = t.height;
    const size_t rowBytes = size_t(t.width) * 3;
    const bool sameSize = blend->unblended->width == t.width && blend->unblended->height == t.height;
    int firstRow = t.height, lastRow = -1;
    size_t firstCol = rowBytes, lastCol = 0;
    for (int r = 0; r < t.height; ++r) {
        const uint8_t* a = t.pixels.data() + r * rowBytes;
        const uint8_t* b = sameSize ? blend->unblended->bytes.data() + r * rowBytes : nullptr;
        if (b && std::memcmp(a, b, rowBytes) == 0)
            continue;
        size_t from = 0, to = rowBytes;
        if (b) {
            while (a[from] == b[from])
                ++from;
            while (a[to - 1] == b[to - 1])
                --to;
        }
        firstRow = std::min(firstRow, r);
        lastRow = r;
        firstCol = std::min(firstCol, from);
        lastCol = std::max(lastCol, to);
    }
    if (lastRow < 0)
        return blend;
    blend->row = firstRow;
    blend->rows = lastRow - firstRow + 1;
    blend->column = int(firstCol);
    blend->columns = int(lastCol - firstCol);
    blend->changed.resize(size_t(blend->rows) * blend->columns);
    for (int r = 0; r < blend->rows; ++r)
        std::memcpy(blend->changed.data() + size_t(r) * blend->columns,
                    t.pixels.data() + (firstRow + r) * rowBytes + firstCol, size_t(blend->columns));
    return blend;
}

void PutBlend(Engine& engine, const BlendedPixels& blend)
{
    const SavedPicture& u = *blend.unblended;
    engine.unblended.Resize(u.width, u.height);
    std::copy(u.bytes.begin(), u.bytes.end(), engine.unblended.pixels.data());
    TargetImage& t = engine.target;
    t.Resize(blend.width, blend.height);
    const size_t rowBytes = size_t(t.width) * 3;
    if (u.width == t.width && u.height == t.height)
        std::copy(u.bytes.begin(), u.bytes.end(), t.pixels.data());
    for (int r = 0; r < blend.rows; ++r)
        std::memcpy(t.pixels.data() + (blend.row + r) * rowBytes + blend.column,
                    blend.changed.data() + size_t(r) * blend.columns, size_t(blend.columns));
}

}  // namespace

bool SameState(const SettingsState& a, const SettingsState& b)
{
    return SameSettings(a.settings, b.settings) && SamePlacement(a.placement[0], b.placement[0]) &&
           SamePlacement(a.placement[1], b.placement[1]) && a.canvasWidth == b.canvasWidth &&
           a.canvasHeight == b.canvasHeight && a.middleCounter[0] == b.middleCounter[0] &&
           a.middleCounter[1] == b.middleCounter[1] && a.shown == b.shown && a.enabled == b.enabled &&
           SameZone(a.zone, b.zone) && a.blendingPresent == b.blendingPresent &&
           SameBlend(a.blended.get(), b.blended.get());
}

SettingsState CaptureSettingsState(const Engine& engine, const SettingsState* previous)
{
    SettingsState s;
    s.settings = engine.settings;
    s.placement[0] = engine.placement[0];
    s.placement[1] = engine.placement[1];
    s.canvasWidth = engine.canvasRect.Width();
    s.canvasHeight = engine.canvasRect.Height();
    s.middleCounter[0] = engine.middleCounter[0];
    s.middleCounter[1] = engine.middleCounter[1];
    for (int i = 0; i < PropertyCount; ++i) {
        s.shown[i] = engine.Shown(PropertyId(i));
        s.enabled[i] = engine.Enabled(PropertyId(i));
    }
    s.zone = ZoneRelativeTo(engine.zone, engine.canvasRect.left, engine.canvasRect.top);
    s.blendingPresent = engine.blendingPresent && engine.TwoSources();
    if (s.blendingPresent) {
        s.blended = SaveBlend(engine, previous);
        if (previous && SameBlend(previous->blended.get(), s.blended.get()))
            s.blended = previous->blended;
    }
    return s;
}

void RestoreSettingsState(Engine& engine, const SettingsState& state)
{
    engine.settings = state.settings;
    for (SourceIndex s : {1, 2}) {
        engine.placement[s - 1] = state.placement[s - 1];
        engine.middleCounter[s - 1] = state.middleCounter[s - 1];
    }
    for (int i = 0; i < PropertyCount; ++i) {
        engine.RestoreShown(PropertyId(i), state.shown[i]);
        engine.RestoreEnabled(PropertyId(i), state.enabled[i]);
    }
    engine.quickPreview = false;
    if (engine.TwoSources()) {
        engine.UpdateSourceGeometry(1);
        engine.UpdateSourceGeometry(2);
        engine.PlaceSource(1);
        engine.PlaceSource(2);
        engine.ComposeTarget();
    }
    const CanvasRect& c = engine.canvasRect;
    engine.zone = ZoneRelativeTo(state.zone, -c.left, -c.top);
    const bool blended = state.blendingPresent && state.blended && engine.TwoSources();
    engine.blendingPresent = blended;
    EngineListener* listener = engine.Listener();
    if (blended) {
        PutBlend(engine, *state.blended);
        if (listener)
            listener->TargetChanged();
    }
    if (listener)
        for (SourceIndex s : {1, 2})
            listener->MiddleImageChanged(s, engine.MiddleButtonImage(s));
}

SettingsHistory::SettingsHistory(size_t steps, size_t bytes) : entries(1), maxSteps(steps), maxBytes(bytes) {}

void SettingsHistory::Rebase(SettingsState state)
{
    entries[cursor].state = std::move(state);
    open = false;
}

void SettingsHistory::Record(const std::string& label, SettingsState state, const std::string& coalesceKey)
{
    entries.resize(cursor + 1);
    const bool joins = open && cursor > 0 && !coalesceKey.empty() && entries[cursor].coalesceKey == coalesceKey;
    if (joins) {
        // Back where the joined step began: the step did nothing in the end.
        if (SameState(entries[cursor - 1].state, state)) {
            entries.pop_back();
            --cursor;
            open = false;
            return;
        }
        entries[cursor].state = std::move(state);
        return;
    }
    entries.push_back(Entry{label, std::move(state), coalesceKey});
    ++cursor;
    open = true;
    Trim();
}

void SettingsHistory::Trim()
{
    while (cursor > 0 && (Steps() > maxSteps || Bytes() > maxBytes)) {
        entries.erase(entries.begin());
        --cursor;
    }
}

std::string SettingsHistory::UndoLabel() const { return CanUndo() ? entries[cursor].label : std::string(); }

std::string SettingsHistory::RedoLabel() const { return CanRedo() ? entries[cursor + 1].label : std::string(); }

const SettingsState* SettingsHistory::Undo()
{
    if (!CanUndo())
        return nullptr;
    open = false;
    return &entries[--cursor].state;
}

const SettingsState* SettingsHistory::Redo()
{
    if (!CanRedo())
        return nullptr;
    open = false;
    return &entries[++cursor].state;
}

void SettingsHistory::ForgetBlending()
{
    for (Entry& e : entries) {
        e.state.blendingPresent = false;
        e.state.blended.reset();
        e.state.zone.level = 0;
    }
}

size_t SettingsHistory::Bytes() const
{
    // Pictures shared between states count once.
    std::vector<const void*> seen;
    size_t total = 0;
    for (const Entry& e : entries) {
        const BlendedPixels* b = e.state.blended.get();
        if (!b || std::find(seen.begin(), seen.end(), b) != seen.end())
            continue;
        seen.push_back(b);
        total += b->changed.size();
        const SavedPicture* u = b->unblended.get();
        if (u && std::find(seen.begin(), seen.end(), u) == seen.end()) {
            seen.push_back(u);
            total += u->bytes.size();
        }
    }
    return total;
}
