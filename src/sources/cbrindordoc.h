#pragma once
#include <cstdint>
#include <string>

#include "merge_settings.h"
#include "imaging_service.h"
#include "metadata.h"
#include "ports.h"
#include "prompts.h"
#include "source_image.h"
#include "source_view.h"
#include "text_source.h"

class BatchReport;
class Engine;
struct BatchPlan;

// Which slot a new source takes; `slot` 0 when the replace choice was cancelled.
struct SlotChoice {
    SourceIndex slot = 0;
    bool replacing = false;
    bool Abandoned() const { return slot == 0; }
};

// A picture decoded into a fresh block, not yet given to any slot.
struct DecodedPicture {
    SourceImage image;
    int width = 0;
    int height = 0;
    // What the file said about the picture, describing the pixels as held.
    PictureMetadata metadata;
};

// The scroll size the view uses while fewer than two slots are filled.
struct ViewExtent {
    int width = 1;
    int height = 1;
};

// Longest path or text a slot keeps, in bytes (the terminating byte of the old buffers excluded).
constexpr size_t MaxSlotText = 8191;

// The document: the two source slots the engine merges, their pictures, files and texts,
// the shared text style and the number of filled slots. Fillers of every kind go through
// ChooseSlotForNewSource and RefreshAfterSourceChange.
class CbrindorDoc : public SourceView {
public:
    CbrindorDoc() = default;
    CbrindorDoc(const CbrindorDoc&) = delete;
    CbrindorDoc& operator=(const CbrindorDoc&) = delete;

    // Wiring; the document works without any of them (messages and questions then vanish).
    void SetEngine(Engine* e) { engine = e; }
    void SetPrompts(Prompts* p) { prompts = p; }
    void SetSlotChooser(SlotChooser* c) { slotChooser = c; }
    void SetListener(DocumentListener* l) { listener = l; }
    void SetSettings(SettingsStore* s) { settings = s; }
    void SetFileDialogs(FileDialogs* d) { fileDialogs = d; }
    Engine* GetEngine() const { return engine; }

    // The engine's view of the slots.
    int SourceCount() const override { return sourceCount; }
    SourceKind Kind(SourceIndex s) const override { return kind[s - 1]; }
    int Width(SourceIndex s) const override { return sourceWidth[s - 1]; }
    int Height(SourceIndex s) const override { return sourceHeight[s - 1]; }
    const uint8_t* Pixels(SourceIndex s) const override;
    int Stride(SourceIndex s) const override;
    const uint8_t* Mask(SourceIndex s) const override;
    // The slot's opacity plane, laid out as its mask; null for an opaque picture.
    const uint8_t* Alpha(SourceIndex s) const override { return image[s - 1].alpha; }

    // Slots.
    SlotChoice ChooseSlotForNewSource();
    // A filler that gives up after ChooseSlotForNewSource: a first fill gives its count back.
    void AbandonNewSource(const SlotChoice& choice);
    void RefreshAfterSourceChange();
    // Puts a decoded picture into the slot, releasing what it held.
    void StoreSourcePicture(SourceIndex s, DecodedPicture&& picture);
    // Copies a path or text into a slot's string, cut to MaxSlotText bytes.
    static void CopySlotText(std::string& into, const std::string& from);

    // Image file input.
    std::string ShowOpenImageDialog();
    // The open-file route: the same path as the last one opened is ignored.
    bool OpenDocument(const std::string& filePath);
    // The new-document command: slots stay, the recorded path is forgotten.
    void NewDocument() { documentPath.clear(); }
    const std::string& DocumentPath() const { return documentPath; }
    bool OpenSourceFile(const std::string& filePath);
    bool LoadSourceFile(SourceIndex s, const std::string& filePath);
    // The same, showing `shownPath` (a lower-cased name) while opening `filePath` as listed.
    bool LoadSourceFileShown(SourceIndex s, const std::string& filePath, const std::string& shownPath);
    // Why the last load or save failed, beyond the message shown: the decoder's or the system's
    // words, for the command line. Empty after a success or when the message says it all.
    const std::string& LastFailureReason() const { return failureReason; }
    bool DecodeWithPlatform(const std::string& filePath, DecodedPicture& out);
    bool DecodeWithRasterLayer(const std::string& filePath, uint32_t formatId, DecodedPicture& out);
    // Reads a decoded file's metadata into the picture and, with autoOrient, turns the pixels
    // upright. Damaged metadata is dropped, the picture kept, the reason in LastMetadataProblem.
    void TakeMetadata(const std::string& filePath, ImageContainer container, DecodedPicture& picture);
    // Why the last picture loaded lost its metadata, or the last save was written without it;
    // empty otherwise.
    const std::string& LastMetadataProblem() const { return metadataProblem; }
    // Turn pictures by their EXIF orientation when loading them.
    bool autoOrient = true;
    // Write no metadata into saved targets.
    bool stripMetadata = false;

    // Target image output.
    void SaveTargetAs();
    bool SaveTarget(const std::string& filePath, const std::string& extension);
    bool EncodeWithPlatform(const std::string& filePath, const std::string& extension);
    // Any 24-bit picture, by the same writers as the target (the command line's convert).
    // `keep`, when given, goes into the JPEG, PNG and TIFF files written.
    bool SavePicture(const std::string& filePath, const std::string& extension, const PixelRows& picture,
                     const PictureMetadata* keep = nullptr);
    bool EncodeWithPlatform(const std::string& filePath, const std::string& extension, const PixelRows& picture,
                            const PictureMetadata* keep = nullptr);
    // Source 2's metadata when saved targets keep it, else null.
    const PictureMetadata* TargetMetadata() const;
    // JPEG quality of the platform writer, 1..100.
    int jpegQuality = DefaultJpegQuality;

    // Directory stepping and batch merging.
    // The stepping commands' enabling rule.
    bool CanStepSource(SourceIndex s) const;
    void StepSourceInDirectory(SourceIndex s, int step);
    void RunBatchMerge(BatchHost& host);
    bool EscapeRequested(BatchHost& host);

    SourceKind kind[2] = {SourceKind::Text, SourceKind::Text};
    int sourceWidth[2] = {1, 1};
    int sourceHeight[2] = {1, 1};
    SourceImage image[2];
    std::string path[2];
    // Each slot's metadata, as its file gave it (empty for other kinds of source).
    PictureMetadata metadata[2];
    int dirPosition[2] = {0, 0};
    std::string text[2];
    TextSourceStyle textStyle;
    ViewExtent viewExtent;
    // Filled slots, 0..2: the one count every part of the program reads.
    int sourceCount = 0;

    // Messages, questions and window notifications, for every filler.
    void Show(const std::string& message, PromptKind kindOfBox) const;
    bool Ask(const std::string& question) const;
    void NotifySourceName(SourceIndex s, const std::string& name) const;
    void NotifyViews() const;

private:
    enum class Decoder { None, Platform, RasterTga, RasterPcx };
    static Decoder DecoderFor(const std::string& filePath);
    bool DecodeFile(const std::string& filePath, DecodedPicture& out);
    // Only a regular file: a folder holds no picture, a FIFO or a device would block the reads.
    static bool CanOpenForReading(const std::string& filePath, std::string& why);
    // Runs the open or save dialog from the folder and file type remembered under the given
    // keys, and remembers the user's choice when it is accepted.
    FileDialogResult RunRememberedDialog(bool save, const char* filterText, const char* folderKey,
                                         const char* extensionKey);
    // Merges and writes the planned files until the end or a stop, holding the per-file
    // messages in the report when asked to.
    void RunBatchPlan(BatchHost& host, const BatchPlan& plan, bool holdMessages, BatchReport& report);

    Engine* engine = nullptr;
    Prompts* prompts = nullptr;
    SlotChooser* slotChooser = nullptr;
    DocumentListener* listener = nullptr;
    SettingsStore* settings = nullptr;
    FileDialogs* fileDialogs = nullptr;
    std::string documentPath;
    std::string failureReason;
    std::string metadataProblem;
};
