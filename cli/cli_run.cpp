#include "cli_run.h"

#include <cstdio>

#include "batch_own_size.h"
#include "clipboard_source.h"
#include "effects.h"
#include "imaging_service.h"

namespace {

// The corners in the order the engine numbers them; -1 for the middle positions.
int Corner(PlacePreset preset)
{
    switch (preset) {
    case PlacePreset::TopLeft: return 0;
    case PlacePreset::TopRight: return 1;
    case PlacePreset::BottomLeft: return 2;
    case PlacePreset::BottomRight: return 3;
    default: return -1;
    }
}

// The middle positions in the order the centering button cycles through them.
int MiddleStep(PlacePreset preset)
{
    switch (preset) {
    case PlacePreset::Center: return 0;
    case PlacePreset::CenterTop: return 1;
    case PlacePreset::CenterBottom: return 2;
    case PlacePreset::LeftCenter: return 3;
    case PlacePreset::RightCenter: return 4;
    default: return -1;
    }
}

// The messages the window would have shown, then the reason behind them, if any.
std::string Explain(CliPrompts& prompts, const std::string& reason)
{
    std::string why = prompts.Take();
    if (!reason.empty())
        why += (why.empty() ? "" : ": ") + reason;
    return why;
}

}  // namespace

std::string CliPrompts::Take()
{
    std::string joined;
    for (const std::string& m : messages)
        joined += (joined.empty() ? "" : "; ") + m;
    messages.clear();
    return joined;
}

MergeSession::MergeSession(const CliMergeOptions& o) : options(o)
{
    doc.SetEngine(&engine);
    doc.SetPrompts(&prompts);
    engine.SetPrompts(&prompts);
    engine.canvasRect = CanvasRect{0, 0, o.canvasWidth, o.canvasHeight};
    doc.autoOrient = o.autoOrient;
    doc.stripMetadata = o.stripMetadata;
}

bool MergeSession::Load(SourceIndex s, const std::string& source, std::string& error)
{
    // Slots are filled directly: the command line never asks which one to replace.
    const int count = doc.sourceCount;
    doc.sourceCount = 0;
    // The picture it replaces goes first, so two photographs are never held at once.
    ReleaseSourceImage(doc.image[s - 1]);
    const bool ok = source == "blank" ? MakeBlankSource(doc, s, true) : doc.LoadSourceFile(s, source);
    doc.sourceCount = count;
    if (!ok) {
        const std::string why = Explain(prompts, source == "blank" ? std::string() : doc.LastFailureReason());
        error = source + ": cannot be loaded" + (why.empty() ? "" : ": " + why);
    } else if (!doc.LastMetadataProblem().empty()) {
        std::fprintf(stderr, "brindor-cli: warning: %s: %s\n", source.c_str(), doc.LastMetadataProblem().c_str());
    }
    prompts.Take();
    return ok;
}

bool MergeSession::FitCanvas(const std::string& name, std::string& error)
{
    return !options.ownSize || FitCanvasToSource2(engine, name, error);
}

void MergeSession::Merge()
{
    doc.sourceCount = 2;
    MergeSettings& m = engine.settings;
    m.mergeMethod = options.mergeMethod;
    m.sourceBias = options.sourceBias;
    m.contrastMode = options.contrastMode;
    m.infiniteThreshold = options.infiniteThreshold;
    for (int c = 0; c < 3; ++c) {
        m.channelContrast[c] = options.contrast[c];
        m.channelBrightness[c] = options.brightness[c];
    }
    m.effect = EffectKernelAt(options.effectPosition);
    m.baseColour = options.baseColour;
    engine.quickPreview = options.quick;
    for (SourceIndex s : {1, 2}) {
        const CliSourceOptions& o = options.source[s - 1];
        m.horizontalScale[s - 1] = o.scaleH;
        m.verticalScale[s - 1] = o.scaleV;
        m.scaleToTarget[s - 1] = o.fit;
        m.flipHorizontal[s - 1] = o.flip;
        engine.placement[s - 1].angle = o.startAngle;
    }
    for (SourceIndex s : {1, 2})
        engine.UpdateSourceGeometry(s);
    for (SourceIndex s : {1, 2}) {
        const CliSourceOptions& o = options.source[s - 1];
        engine.placement[s - 1].offsetX = o.offsetX;
        engine.placement[s - 1].offsetY = o.offsetY;
        if (o.place) {
            const int corner = Corner(*o.place);
            const auto [x, y] = corner >= 0 ? engine.CornerOffsets(s, corner)
                                            : engine.MiddleOffsets(s, MiddleStep(*o.place));
            engine.placement[s - 1].offsetX = x;
            engine.placement[s - 1].offsetY = y;
        }
        // Turned as the rotate dialog turns it: about the canvas point where its centre now is.
        engine.TurnSource(s, o.angle, engine.AnchorForRotation(s));
    }
    // Placed and composed once below, whatever the presets asked for.
    if (options.juxtapose)
        engine.ArrangeJuxtaposed(options.juxtapose == 12 ? 1 : 2);
    composer.Compose();
}

bool MergeSession::Write(const std::string& output, std::string& error)
{
    doc.jpegQuality = options.quality;
    return Written(doc.SaveTarget(output, OutputFormatOf(output)), output, error);
}

bool MergeSession::WritePicture(const std::string& output, const PixelRows& picture, std::string& error)
{
    doc.jpegQuality = options.quality;
    return Written(doc.SavePicture(output, OutputFormatOf(output), picture), output, error);
}

bool MergeSession::Written(bool ok, const std::string& output, std::string& error)
{
    if (ok && !doc.LastMetadataProblem().empty())
        std::fprintf(stderr, "brindor-cli: warning: %s: %s\n", output.c_str(), doc.LastMetadataProblem().c_str());
    const std::string why = Explain(prompts, ok ? std::string() : doc.LastFailureReason());
    if (!ok)
        error = output + ": cannot be written" + (why.empty() ? "" : ": " + why);
    return ok;
}

int RunMerge(const CliInvocation& invocation)
{
    auto session = std::make_unique<MergeSession>(invocation.options);
    std::string error;
    for (SourceIndex s : {1, 2}) {
        if (!session->Load(s, invocation.positional[s - 1], error)) {
            std::fprintf(stderr, "brindor-cli: %s\n", error.c_str());
            return ExitLoad;
        }
    }
    if (!session->FitCanvas(invocation.positional[1], error)) {
        std::fprintf(stderr, "brindor-cli: %s\n", error.c_str());
        return ExitLoad;
    }
    session->Merge();
    if (!session->Write(invocation.output, error)) {
        std::fprintf(stderr, "brindor-cli: %s\n", error.c_str());
        return ExitWrite;
    }
    return ExitOk;
}

int RunConvert(const CliInvocation& invocation)
{
    CliMergeOptions options = invocation.options;
    MergeSession session(options);
    const std::string& input = invocation.positional[0];
    const std::string& output = invocation.positional[1];
    std::string error;
    if (!session.Load(1, input, error)) {
        std::fprintf(stderr, "brindor-cli: %s\n", error.c_str());
        return ExitLoad;
    }
    const CbrindorDoc& doc = session.doc;
    PixelRows picture;
    picture.bottomRow = doc.Pixels(1);
    picture.width = doc.Width(1);
    picture.height = doc.Height(1);
    picture.stride = size_t(doc.Stride(1));
    if (!session.WritePicture(output, picture, error)) {
        std::fprintf(stderr, "brindor-cli: %s\n", error.c_str());
        return ExitWrite;
    }
    return ExitOk;
}
