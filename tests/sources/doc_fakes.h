#pragma once
// Fakes of the document's ports, a temporary folder and writers of real picture files.
#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "cbrindordoc.h"
#include "engine.h"
#include "imaging_service.h"
#include "testutils.h"

namespace docfakes {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "brindor-doc-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder()
    {
        std::error_code error;
        fs::remove_all(path_, error);
    }
    // The folder with a trailing separator, or a file inside it.
    std::string Path(const std::string& name = "") const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Ends the test program when a step blocks (on a FIFO, say) rather than letting it hang.
class HangGuard {
public:
    HangGuard() { ::alarm(60); }
    ~HangGuard() { ::alarm(0); }
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;
};

class FakeSettings : public SettingsStore {
public:
    std::map<std::string, int> ints;
    std::map<std::string, std::string> strings;
    int writes = 0;

    static std::string Key(const std::string& section, const std::string& key) { return section + "/" + key; }
    int ReadInt(const std::string& section, const std::string& key, int fallback) override
    {
        const auto it = ints.find(Key(section, key));
        return it == ints.end() ? fallback : it->second;
    }
    std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) override
    {
        const auto it = strings.find(Key(section, key));
        return it == strings.end() ? fallback : it->second;
    }
    void WriteInt(const std::string& section, const std::string& key, int value) override
    {
        ++writes;
        ints[Key(section, key)] = value;
    }
    void WriteString(const std::string& section, const std::string& key, const std::string& value) override
    {
        ++writes;
        strings[Key(section, key)] = value;
    }
};

// Answers each dialog with the next scripted result and records what it was asked.
class FakeDialogs : public FileDialogs {
public:
    std::deque<FileDialogResult> results;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;

    FileDialogResult OpenFile(const FileDialogRequest& request) override
    {
        openRequests.push_back(request);
        return Next();
    }
    FileDialogResult SaveFile(const FileDialogRequest& request) override
    {
        saveRequests.push_back(request);
        return Next();
    }

private:
    FileDialogResult Next()
    {
        if (results.empty())
            return {};
        FileDialogResult r = results.front();
        results.pop_front();
        return r;
    }
};

struct FakeChooser : SlotChooser {
    SourceIndex answer = 0;
    int asked = 0;
    SourceIndex ChooseSlotToReplace(const std::string&) override
    {
        ++asked;
        return answer;
    }
};

struct FakeListener : DocumentListener {
    std::map<SourceIndex, std::string> names;
    std::vector<std::string> opened;
    int titleCleared = 0;
    void SourceNameChanged(SourceIndex s, const std::string& text) override { names[s] = text; }
    void DocumentOpened(const std::string& p) override { opened.push_back(p); }
    void TitleCleared() override { ++titleCleared; }
};

// Every source name in the order it was given, and the number of view refreshes.
struct NameLogListener : DocumentListener {
    std::vector<std::pair<SourceIndex, std::string>> names;
    int viewUpdates = 0;
    void SourceNameChanged(SourceIndex s, const std::string& text) override { names.emplace_back(s, text); }
    void ViewsNeedUpdate() override { ++viewUpdates; }
};

// A document wired to fakes and a real engine on a small canvas.
struct DocRig {
    testutils::FakePrompts prompts;
    FakeSettings settings;
    FakeDialogs dialogs;
    FakeChooser chooser;
    FakeListener listener;
    CbrindorDoc doc;
    std::unique_ptr<Engine> engine;

    explicit DocRig(int canvasWidth = 64, int canvasHeight = 48)
    {
        engine = std::make_unique<Engine>(doc);
        engine->canvasRect = {0, 0, canvasWidth, canvasHeight};
        doc.SetEngine(engine.get());
        doc.SetPrompts(&prompts);
        doc.SetSettings(&settings);
        doc.SetFileDialogs(&dialogs);
        doc.SetSlotChooser(&chooser);
        doc.SetListener(&listener);
    }

    std::vector<std::string> Messages() const
    {
        std::vector<std::string> texts;
        for (const auto& [text, kind] : prompts.shown)
            texts.push_back(text);
        return texts;
    }

    // Fills the next slot with a solid picture that comes from no file.
    void AddSolidSource(int width, int height, Bgr colour)
    {
        const SlotChoice choice = doc.ChooseSlotForNewSource();
        DecodedPicture picture;
        AllocateSourceImage(picture.image, width, height, 24);
        picture.width = width;
        picture.height = height;
        const size_t stride = SourceRowSize(width, 24);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t* p = picture.image.dib + 40 + y * stride + 3 * x;
                p[0] = colour.blue;
                p[1] = colour.green;
                p[2] = colour.red;
            }
        doc.StoreSourcePicture(choice.slot, std::move(picture));
        doc.kind[choice.slot - 1] = SourceKind::PastedOrBlank;
        doc.path[choice.slot - 1].clear();
    }
};

using Paint = std::function<Bgr(int rowFromTop, int column)>;

inline Paint Solid(Bgr c)
{
    return [c](int, int) { return c; };
}

// Writes a real picture file through the imaging service's encoders.
inline void WritePicture(const std::string& path, ImageContainer container, int width, int height,
                         const Paint& paint = Solid({10, 20, 30}))
{
    const size_t stride = ImagingStride(width);
    std::vector<uint8_t> rows(stride * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Bgr c = paint(height - 1 - y, x);
            uint8_t* p = rows.data() + y * stride + 3 * x;
            p[0] = c.blue;
            p[1] = c.green;
            p[2] = c.red;
        }
    const PixelRows image{rows.data(), width, height, stride};
    if (!EncodeImageFile(path, container, image))
        throw std::runtime_error("cannot write " + path);
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A plain true-colour TGA of one colour.
inline void WriteTga(const std::string& path, int width, int height, Bgr colour)
{
    std::vector<uint8_t> b(18, 0);
    b[2] = 2;
    b[12] = uint8_t(width);
    b[14] = uint8_t(height);
    b[16] = 24;
    for (int i = 0; i < width * height; ++i) {
        b.push_back(colour.blue);
        b.push_back(colour.green);
        b.push_back(colour.red);
    }
    WriteBytes(path, b);
}

// Colour at (row from the top, column) of a slot's 24-bit picture.
inline Bgr SlotPixel(const CbrindorDoc& doc, SourceIndex s, int rowFromTop, int column)
{
    const uint8_t* p = doc.Pixels(s) + size_t(doc.Height(s) - 1 - rowFromTop) * doc.Stride(s) + 3 * column;
    return Bgr{p[0], p[1], p[2]};
}

}  // namespace docfakes
