#pragma once
// A document with two filled slots, a real view and the properties pane around it, for the pane
// and dialog tests.
#include <memory>

#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cpropertieswnd.h"
#include "cpropertieswnd_contents.h"
#include "testutils.h"

namespace pane_fixture {

// Fills slot s with a w x h picture of one colour, as a file load would.
inline void FillSlot(CbrindorDoc& doc, SourceIndex s, int w, int h, uint8_t shade,
                     SourceKind kind = SourceKind::ImageFile)
{
    DecodedPicture picture;
    AllocateSourceImage(picture.image, w, h, 24);
    const int stride = (3 * w + 3) & ~3;
    uint8_t* pixels = picture.image.dib + SourceHeaderSize;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 3 * w; ++x)
            pixels[size_t(y) * stride + x] = uint8_t(shade + x / 3 + y);
    picture.width = w;
    picture.height = h;
    doc.StoreSourcePicture(s, std::move(picture));
    doc.kind[s - 1] = kind;
}

// The pane's parts, wired as the main frame wires them.
struct Pane {
    CbrindorDoc doc;
    testutils::FakePrompts prompts;
    std::unique_ptr<CbrindorView> view;
    std::unique_ptr<CPropertiesWnd> shell;
    CPropertiesWndContents* contents = nullptr;

    explicit Pane(int sources)
    {
        if (sources >= 1)
            FillSlot(doc, 1, 200, 120, 30);
        if (sources >= 2)
            FillSlot(doc, 2, 120, 160, 90);
        doc.sourceCount = sources;
        doc.SetPrompts(&prompts);
        view = std::make_unique<CbrindorView>(doc);
        view->resize(700, 500);
        view->GetEngine().SetPrompts(&prompts);
        shell = std::make_unique<CPropertiesWnd>();
        contents = new CPropertiesWndContents(PaneContext{&doc, &view->GetEngine(), view.get(), nullptr, &prompts});
        shell->SetContents(contents);
        view->SetPane(shell.get());
        shell->resize(310, 800);
        view->show();
        shell->show();
        view->OnInitialUpdate();
    }
    ~Pane()
    {
        view->SetPane(nullptr);
        shell.reset();
        view.reset();
    }
    Engine& engine() { return view->GetEngine(); }
};

}  // namespace pane_fixture
