#include "cpropertieswnd_contents.h"

#include <algorithm>
#include <vector>

#include <QComboBox>
#include <QResizeEvent>
#include <QTimer>
#include <QTreeWidget>

#include "blend.h"
#include "blend_options.h"
#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cpropertieswnd_controls.h"
#include "cpropertieswnd_images.h"
#include "cmainframe.h"
#include "edit_recorder.h"
#include "dialog_exchange.h"
#include "modify_source.h"
#include "prop_grid_ctrl.h"
#include "prop_grid_editors.h"
#include "qt_clipboard.h"
#include "scroll_combo.h"
#include "text_entry.h"
#include "text_font_engine_qt.h"

namespace {
constexpr int ButtonSide = 60;
constexpr int ToolRowHeight = 30;
constexpr int ToolBarTwoWidth = 215;
constexpr int CentreSide = 30;
constexpr int FileLineHeight = 20;
constexpr int StatsHeight = 30;
constexpr int CommandUpdateMs = 200;
const QRect StatsTipRect(QPoint(100, 200), QPoint(580, 214));
const QRect SelectorTipRect(QPoint(100, 200), QPoint(600, 214));

constexpr int CmdScrollSource1 = 32804, CmdScrollSource2 = 32805, CmdScrollTarget = 32806;
constexpr int CmdBaseColour = 32829, CmdRotate = 32800, CmdRemoveBlending = 32798;
constexpr int CmdPrev1 = 32795, CmdNext1 = 32796, CmdPrev2 = 32797, CmdNext2 = 32799;

const char* const BlendTipMiddle =
    "\n\nENSURE BLENDING IS THE LAST THING YOU DO BEFORE SAVING TO FILE.\n(or copying to the clipboard CTRL C)";

struct ToolEntry {
    int id;
    const char* tip;
};
const ToolEntry ToolBarOne[] = {
    {CmdBaseColour, "Change the base color"},
    {CmdRotate, "Change rotation of either source 1 or 2"},
    {CmdPrev1, "Replace source 1 with the previous image file in the current directory"},
    {CmdNext1, "Replace source 1 with the next image file in the current directory"},
    {CmdPrev2, "Replace source 2 with the previous image file in the current directory"},
    {CmdNext2, "Replace source 2 with the next image file in the current directory"},
    {CmdJuxtapose12, "Juxtapose source 1 and source 2 to the right"},
    {CmdJuxtapose21, "Juxtapose source 2 and source 1 to the right"},
    {CmdResetAll, "Reset all parameters to their default state"},
    {CmdRemoveBlending, "Remove any blending"},
};
const ToolEntry ToolBarTwo[] = {
    {32833, "Shove source 1 to the top left of the target image."},
    {32834, "Shove source 1 to the top right of the target image."},
    {32835, "Shove source 1 to the bottom left of the target image."},
    {32836, "Shove source 1 to the bottom right of the target image."},
    {32837, "Shove source 2 to the top left of the target image."},
    {32838, "Shove source 2 to the top right of the target image."},
    {32839, "Shove source 2 to the bottom left of the target image."},
    {32840, "Shove source 2 to the bottom right of the target image."},
};
}  // namespace

CPropertiesWndContents::CPropertiesWndContents(const PaneContext& c, QWidget* parent)
    : PaneContents(parent), context(c)
{
    setObjectName("CPropertiesWndContents");
    // A click on the pane's background hands the keyboard to the grid; Tab goes to the controls.
    setFocusPolicy(Qt::ClickFocus);

    selector = new scroll_combo(this);
    selector->setAccessibleName("Scroll mode");
    connect(selector, &QComboBox::activated, this, &CPropertiesWndContents::OnSelector);
    selector->hovered = [this] { ShowTip(SelectorTip(), SelectorTipRect.right()); };

    grid = new prop_grid_ctrl(*context.engine, [this](int id) {
        if (IsCommandEnabled(id))
            RunCommand(id);
    }, this);
    // Each commit of the grid is one undoable edit, named after its row.
    grid->Delegate()->commitStarts = [this](PropertyId) {
        if (EditRecorder* edits = Edits())
            edits->Begin();
    };
    grid->Delegate()->commitEnds = [this](PropertyId id) {
        if (EditRecorder* edits = Edits())
            edits->End(Property(id).label);
    };
    BuildButtons();
    BuildToolBars();
    OrderTabStops();
    runChangeSource = [this](SourceIndex s) { RunChangeSourceDialog(s); };
    runBlendOptions = [this] { RunBlendOptionsDialog(); };

    commandUpdate = new QTimer(this);
    connect(commandUpdate, &QTimer::timeout, this, &CPropertiesWndContents::UpdateCommandUI);
    commandUpdate->start(CommandUpdateMs);
    UpdateCommandUI();
    LayoutControls();
}

CPropertiesWndContents::~CPropertiesWndContents() = default;

void CPropertiesWndContents::BuildButtons()
{
    const QString blendTip[2] = {
        QString("Smooth blend source 1 in the rectangular zone. This button will autorepeat if held down.") +
            BlendTipMiddle + "\n\nShort cut keys  \",\" or \"<\"",
        QString("Smooth blend source 2 in the rectangular zone. This button will autorepeat if held down.") +
            BlendTipMiddle + "\n\nShort cut keys  \".\" or \">\""};
    for (int k = 0; k < 2; ++k) {
        const int id = k == 0 ? BlendOneId : BlendTwoId;
        blend[k] = new blend_buttons(id, QString("Blend Button %1").arg(k + 1), this);
        blend[k]->setObjectName(QString("blend%1").arg(k + 1));
        blend[k]->setIcon(pane_images::BlendButton(k + 1));
        blend[k]->setIconSize(QSize(48, 48));
        blend[k]->setToolTip(blendTip[k]);
        blend[k]->hovered = [this] {
            if (context.view)
                context.view->ShowZoneOutline();
        };
        ConnectButton(blend[k], id);
    }
    struct Setup {
        int id;
        const char* text;
        const char* name;
        QIcon picture;
        const char* tip;
    };
    const Setup setups[3] = {
        {ChangeOneId, "Text Button 1", "change1", pane_images::Caption("Change", "Src 1"),
         "Change Source 1:\nChange to another image or text or paste an image."},
        {ChangeTwoId, "Text Button 2", "change2", pane_images::Caption("Change", "Src 2"),
         "Change Source 2:\nChange to another image or text or paste an image."},
        {BlendOptionsId, "blend_options button", "blendOptions", pane_images::Caption("Blend", "Setup"),
         "Blend options:\n Select eliptical (soft or hard) - or - rectangular blend."},
    };
    for (int k = 0; k < 3; ++k) {
        setup[k] = new QPushButton(this);
        setup[k]->setObjectName(setups[k].name);
        setup[k]->setWindowTitle(setups[k].text);
        // Read out as its tip's heading ("Change Source 1"), the words its picture abbreviates.
        setup[k]->setAccessibleName(QString(setups[k].tip).section(':', 0, 0));
        dialog_exchange::SetControlId(setup[k], setups[k].id);
        setup[k]->setIcon(setups[k].picture);
        setup[k]->setIconSize(QSize(48, 48));
        setup[k]->setToolTip(setups[k].tip);
        ConnectButton(setup[k], setups[k].id);
    }
    for (auto& f : filler) {
        f = new QWidget(this);
        f->setAutoFillBackground(true);
        QPalette white = f->palette();
        white.setColor(QPalette::Window, Qt::white);
        f->setPalette(white);
    }
    fileLine[0] = new file_names(FileOneId, 1, "Source 1 not loaded", this);
    fileLine[1] = new file_names(FileTwoId, 2, "Source 2 not loaded", this);
    fileLine[0]->setObjectName("source_file1");
    fileLine[1]->setObjectName("source_file2");
    for (file_names* fileName : fileLine)
        connect(fileName, &file_names::pictureDropped, this, [this](int line, const QString& path) {
            if (context.view)
                context.view->ReplaceSourceWith(SourceIndex(line), path);
        });
    statistics = new stats(
        [this] {
            if (SourceCount() != 2)
                return QString();
            return QString("Target image pixels width/height =%1 %2")
                .arg(context.engine->target.width)
                .arg(context.engine->target.height);
        },
        [this] { return context.engine->blendingPresent; }, this);
    statistics->setObjectName("stats");
    statistics->hovered = [this] { ShowTip(StatisticsTip(), StatsTipRect.right()); };
}

void CPropertiesWndContents::BuildToolBars()
{
    toolBarOne = new CClassToolBar(ToolBarOneId, this);
    toolBarTwo = new CClassToolBar(ToolBarTwoId, this);
    toolBarOne->setObjectName("toolbar1");
    toolBarTwo->setObjectName("toolbar2");
    for (const ToolEntry& e : ToolBarOne)
        toolBarOne->AddCommand(e.id, pane_images::Tool(e.id), e.tip);
    for (const ToolEntry& e : ToolBarTwo)
        toolBarTwo->AddCommand(e.id, pane_images::Tool(e.id), e.tip);
    for (CClassToolBar* bar : {toolBarOne, toolBarTwo})
        connect(bar, &QToolBar::actionTriggered, this, [this, bar](QAction* a) {
            const int id = a->data().toInt();
            if (IsCommandEnabled(id))
                RunCommand(id);
            // As with the pane's buttons: the keyboard stays where Tab brought it.
            const QWidget* button = bar->widgetForAction(a);
            if (!button || !button->hasFocus())
                FocusView();
        });
    for (SourceIndex s = 1; s <= 2; ++s) {
        const int id = s == 1 ? CentreOneId : CentreTwoId;
        middle_button* b = new middle_button(id, this);
        b->setObjectName(QString("centre%1").arg(s));
        b->setAccessibleName(QString("Centering button %1").arg(s));
        centre[s - 1] = b;
        ShowCentringImage(s, 0);
        b->hovered = [this] {
            if (context.view && context.view->centeringTipArmed)
                ShowTip(CenteringTip(), StatsTipRect.right());
        };
        b->pressed = [this] {
            if (!context.view)
                return;
            context.view->centeringTipArmed = false;
            context.view->CloseTip();
        };
        ConnectButton(b, id);
    }
}

// Tab walks the pane from top to bottom, left to right, ending in the grid.
void CPropertiesWndContents::OrderTabStops()
{
    std::vector<QWidget*> stops{selector, blend[0], blend[1], setup[0], setup[1], setup[2]};
    for (CClassToolBar* bar : {toolBarOne, toolBarTwo})
        for (QAction* a : bar->actions())
            if (QWidget* button = bar->widgetForAction(a))
                stops.push_back(button);
    stops.insert(stops.end(), {centre[0], centre[1], grid->Tree()});
    for (size_t k = 1; k < stops.size(); ++k)
        setTabOrder(stops[k - 1], stops[k]);
}

// A button clicked with the mouse leaves the keyboard with the view, whose keys (b, 1, 2, the
// blend keys) then keep working; a button reached with Tab keeps the focus for the next Space.
void CPropertiesWndContents::ConnectButton(QPushButton* button, int id)
{
    button->setFocusPolicy(Qt::TabFocus);
    connect(button, &QPushButton::clicked, this, [this, button, id] {
        if (IsCommandEnabled(id))
            RunCommand(id);
        if (!button->hasFocus())
            FocusView();
    });
}

void CPropertiesWndContents::FocusView()
{
    if (context.view && context.view->isEnabled())
        context.view->setFocus(Qt::OtherFocusReason);
}

// Rows below the selector follow its closed height, as the pane has always laid them out.
void CPropertiesWndContents::LayoutControls()
{
    const int cw = width();
    const int ch = height();
    const int h = selector->sizeHint().height();
    selector->setGeometry(0, 0, cw, h);
    for (int k = 0; k < 2; ++k)
        blend[k]->setGeometry(k * ButtonSide, h, ButtonSide, ButtonSide);
    for (int k = 0; k < 3; ++k)
        setup[k]->setGeometry((k + 2) * ButtonSide, h, ButtonSide, ButtonSide);
    filler[0]->setGeometry(5 * ButtonSide, h, std::max(0, cw - 5 * ButtonSide), ButtonSide);
    toolBarOne->setGeometry(0, h + ButtonSide, cw, ToolRowHeight);
    toolBarTwo->setGeometry(0, h + ButtonSide + ToolRowHeight, ToolBarTwoWidth, ToolRowHeight);
    const int rowTwo = h + ButtonSide + ToolRowHeight;
    centre[0]->setGeometry(ToolBarTwoWidth, rowTwo, CentreSide, CentreSide);
    centre[1]->setGeometry(ToolBarTwoWidth + CentreSide, rowTwo, CentreSide, CentreSide);
    const int fillerLeft = ToolBarTwoWidth + 2 * CentreSide;
    filler[1]->setGeometry(fillerLeft, rowTwo, std::max(0, cw - fillerLeft), ToolRowHeight);
    const int lines = rowTwo + ToolRowHeight;
    fileLine[0]->setGeometry(0, lines, cw, FileLineHeight);
    fileLine[1]->setGeometry(0, lines + FileLineHeight, cw, FileLineHeight);
    statistics->setGeometry(0, lines + 2 * FileLineHeight, cw, StatsHeight);
    const int gridTop = lines + 2 * FileLineHeight + StatsHeight;
    grid->setGeometry(0, gridTop, cw, std::max(0, ch - gridTop));
}

// The button row's width, or the grid's where its labels and values need more.
QSize CPropertiesWndContents::minimumSizeHint() const
{
    return QSize(std::max(5 * ButtonSide + 10, grid->minimumWidth()), 0);
}

bool CPropertiesWndContents::event(QEvent* event)
{
    // The controls are placed by hand: a new minimum of the grid (another font) goes up from here.
    if (event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return PaneContents::event(event);
}

void CPropertiesWndContents::resizeEvent(QResizeEvent* event)
{
    PaneContents::resizeEvent(event);
    LayoutControls();
}

void CPropertiesWndContents::focusInEvent(QFocusEvent*) { grid->Tree()->setFocus(); }

int CPropertiesWndContents::SourceCount() const { return context.doc ? context.doc->SourceCount() : 0; }

bool CPropertiesWndContents::ImageFile(SourceIndex s) const
{
    return context.doc && context.doc->Kind(s) == SourceKind::ImageFile;
}

bool CPropertiesWndContents::IsCommandEnabled(int id) const
{
    const bool two = SourceCount() == 2;
    switch (id) {
    case SelectorId:
    case CmdScrollTarget: return true;
    case BlendOneId:
    case BlendTwoId: return two && context.engine->zone.valid;
    case CmdPrev1:
    case CmdNext1: return two && ImageFile(1);
    case CmdPrev2:
    case CmdNext2: return two && ImageFile(2);
    case CmdScrollSource1:
    case CmdScrollSource2:
    case ChangeOneId:
    case ChangeTwoId:
    case BlendOptionsId:
    case CmdBaseColour:
    case CmdRotate:
    case CmdJuxtapose12:
    case CmdJuxtapose21:
    case CmdResetAll:
    case CmdRemoveBlending:
    case CentreOneId:
    case CentreTwoId: return two;
    default: return two && id >= CmdTopLeft1 && id <= CmdBottomRight2;
    }
}

EditRecorder* CPropertiesWndContents::Edits() const { return context.frame ? context.frame->Edits() : nullptr; }

bool CPropertiesWndContents::RunCommand(int id)
{
    const EditRecorder::Scope step(Edits(), EditRecorder::StepLabel(id));
    Engine& engine = *context.engine;
    CbrindorView* view = context.view;
    switch (id) {
    case CmdScrollTarget:
        SetScrollSelector(0);
        if (view)
            view->EnterTargetScroll();
        return true;
    case CmdScrollSource1:
    case CmdScrollSource2: {
        const SourceIndex s = id == CmdScrollSource1 ? 1 : 2;
        SetScrollSelector(s);
        if (view)
            view->EnterSourceScroll(s);
        return true;
    }
    case BlendOneId:
    case BlendTwoId: BlendStep(engine, id == BlendOneId ? 1 : 2); return true;
    case ChangeOneId:
    case ChangeTwoId: runChangeSource(id == ChangeOneId ? 1 : 2); return true;
    case BlendOptionsId: runBlendOptions(); return true;
    case CmdBaseColour:
        if (view)
            view->OnBaseColour();
        return true;
    case CmdRotate:
        if (view)
            view->OnRotate();
        return true;
    case CmdPrev1:
    case CmdNext1:
    case CmdPrev2:
    case CmdNext2:
        if (context.doc)
            context.doc->StepSourceInDirectory(id <= CmdNext1 ? 1 : 2, id == CmdPrev1 || id == CmdPrev2 ? -1 : 1);
        return true;
    case CmdResetAll: engine.ResetCommand(); break;
    case CmdRemoveBlending: engine.ComposeTarget(); return true;
    case CentreOneId:
    case CentreTwoId: CentringCycle(id == CentreOneId ? 1 : 2); return true;
    default:
        if (!engine.RunPlacementCommand(id))
            return false;
        if (id >= CmdTopLeft1 && id <= CmdBottomRight2)
            SetScrollSelector(id < CmdTopLeft1 + 4 ? 1 : 2);
        break;
    }
    grid->RefreshFromEngine();
    return true;
}

void CPropertiesWndContents::CentringCycle(SourceIndex s)
{
    Engine& engine = *context.engine;
    const int step = engine.middleCounter[s - 1];
    // The picture shows what the next click does: after centre/top comes the top edge, and so on.
    ShowCentringImage(s, step < 4 ? step + 1 : 0);
    engine.MiddlePreset(s);
    SetScrollSelector(s);
}

void CPropertiesWndContents::MiddleImageChanged(SourceIndex s, int imageId)
{
    ShowCentringImage(s, imageId - (s == 1 ? MiddleImage1 : MiddleImage2));
}

// Image `position` shows where the next click puts the source; screen readers hear it in words.
void CPropertiesWndContents::ShowCentringImage(SourceIndex s, int position)
{
    static const char* const words[] = {"center", "center/top", "center/bottom", "center/left", "center/right"};
    centre[s - 1]->SetImage((s == 1 ? MiddleImage1 : MiddleImage2) + position, pane_images::Centering(s, position));
    centre[s - 1]->setAccessibleDescription(words[std::clamp(position, 0, 4)]);
}

void CPropertiesWndContents::OnSelector(int entry)
{
    if (!context.view)
        return;
    if (entry == 0)
        context.view->EnterTargetScroll();
    else
        context.view->EnterSourceScroll(entry);
}

void CPropertiesWndContents::SetScrollSelector(int entry)
{
    const QSignalBlocker quiet(selector);
    selector->setCurrentIndex(entry);
}

void CPropertiesWndContents::SetFileName(int line, const QString& text)
{
    fileLine[line - 1]->SetText(line, text);
}

void CPropertiesWndContents::RefreshScaleValues(int) { grid->RefreshFromEngine(); }

void CPropertiesWndContents::UpdateCommandUI()
{
    for (int k = 0; k < 2; ++k)
        blend[k]->setEnabled(IsCommandEnabled(k == 0 ? BlendOneId : BlendTwoId));
    for (QPushButton* b : setup)
        b->setEnabled(IsCommandEnabled(dialog_exchange::ControlId(b)));
    for (CClassToolBar* bar : {toolBarOne, toolBarTwo})
        for (QAction* a : bar->actions())
            a->setEnabled(IsCommandEnabled(a->data().toInt()));
    for (middle_button* b : centre)
        b->setEnabled(IsCommandEnabled(dialog_exchange::ControlId(b)));
}

void CPropertiesWndContents::TargetChanged()
{
    statistics->Refresh();
    UpdateCommandUI();
}

void CPropertiesWndContents::PropertyShown(PropertyId id, const std::string& text)
{
    grid->ShowValue(id, QString::fromStdString(text));
}

void CPropertiesWndContents::PropertyEnabled(PropertyId id, bool enabled) { grid->EnableRow(id, enabled); }

QPushButton* CPropertiesWndContents::Button(int id) const
{
    for (QPushButton* b : {static_cast<QPushButton*>(blend[0]), static_cast<QPushButton*>(blend[1]), setup[0],
                           setup[1], setup[2], static_cast<QPushButton*>(centre[0]),
                           static_cast<QPushButton*>(centre[1])})
        if (dialog_exchange::ControlId(b) == id)
            return b;
    return nullptr;
}

QAction* CPropertiesWndContents::ToolAction(int id) const
{
    QAction* a = toolBarOne->Action(id);
    return a ? a : toolBarTwo->Action(id);
}

QString CPropertiesWndContents::StatisticsTip() const
{
    return context.engine->blendingPresent
               ? "Any target image changes such as source scrolling, scaling, contrast etc. will destroy any blending."
               : "You can change the target width and height in the edit menu.";
}

QString CPropertiesWndContents::SelectorTip() const
{
    const bool target = !context.view || context.view->Mode() == ScrollMode::Target;
    return target ? "Scroll bars - if present - allow scrolling of the target image."
                  : "Selected source image can now be individually scrolled or moved by dragging it with the right mouse.";
}

QString CPropertiesWndContents::CenteringTip()
{
    return "These source image centering buttons switch in turn to the following when clicked:\n\n"
           "center, center/top, center/bottom, center/left, center/right.";
}

void CPropertiesWndContents::ShowTip(const QString& text, int right)
{
    if (!context.view || SourceCount() != 2 || context.view->Tip())
        return;
    context.view->OpenTip(QRect(QPoint(100, 200), QPoint(right, 214)), text);
}

void CPropertiesWndContents::RunBlendOptionsDialog()
{
    blend_options dialog(context.engine->zone, this);
    dialog.exec();
}

void CPropertiesWndContents::RunChangeSourceDialog(SourceIndex s)
{
    if (!context.doc)
        return;
    if (!texts) {
        clipboard = std::make_unique<QtClipboard>();
        fonts = std::make_unique<QtFontEngine>();
        texts = std::make_unique<text_entry_runner>(*context.doc, *fonts, this);
    }
    // The dialog's outcome is not used: each button has done its work already.
    modify_source dialog(s, modify_source::DocumentActions(*context.doc, *clipboard, *texts), this);
    dialog.exec();
}
