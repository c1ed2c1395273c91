#pragma once
#include <array>
#include <functional>
#include <memory>

#include "cpropertieswnd.h"
#include "engine.h"

class CClassToolBar;
class EditRecorder;
class Clipboard;
class FontEngine;
class TextEntryRunner;
class QAction;
class QLabel;
class QPushButton;
class QTimer;
class blend_buttons;
class file_names;
class middle_button;
class prop_grid_ctrl;
class scroll_combo;
class stats;

// Everything inside the properties pane: the scroll-mode selector, the blend, change-source
// and blend-options buttons, two toolbars, the centering buttons, the file-name and statistics
// lines, and the property grid. It runs the pane's commands and keeps their enable states.
class CPropertiesWndContents : public PaneContents {
    Q_OBJECT
public:
    enum Ids {
        BlendOneId = 328, BlendTwoId = 330, ChangeOneId = 332, ChangeTwoId = 333, BlendOptionsId = 344,
        FileOneId = 129, FileTwoId = 130, ToolBarOneId = 308, ToolBarTwoId = 356,
        SelectorId = 196, CentreOneId = 32841, CentreTwoId = 32846,
    };
    static constexpr int SelectorListHeight = 75;

    explicit CPropertiesWndContents(const PaneContext& context, QWidget* parent = nullptr);
    ~CPropertiesWndContents() override;

    bool IsCommandEnabled(int id) const override;
    bool RunCommand(int id) override;
    void SetScrollSelector(int entry) override;
    void SetFileName(int line, const QString& text) override;
    void RefreshScaleValues(int source) override;
    void UpdateCommandUI() override;

    void TargetChanged() override;
    void PropertyShown(PropertyId id, const std::string& text) override;
    void PropertyEnabled(PropertyId id, bool enabled) override;
    void MiddleImageChanged(SourceIndex s, int imageId) override;

    // The change source and blend options dialogs; tests and the frame may replace them.
    std::function<void(SourceIndex)> runChangeSource;
    std::function<void()> runBlendOptions;

    scroll_combo* Selector() const { return selector; }
    prop_grid_ctrl* Grid() const { return grid; }
    QPushButton* Button(int id) const;
    CClassToolBar* ToolBar(int n) const { return n == 1 ? toolBarOne : toolBarTwo; }
    QAction* ToolAction(int id) const;
    middle_button* CentreButton(SourceIndex s) const { return centre[s - 1]; }
    file_names* FileLine(int line) const { return fileLine[line - 1]; }
    stats* Statistics() const { return statistics; }
    // The flying tip texts of the statistics line and the selector, as they read now.
    QString StatisticsTip() const;
    QString SelectorTip() const;
    static QString CenteringTip();

    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void BuildButtons();
    void BuildToolBars();
    void OrderTabStops();
    void ConnectButton(QPushButton* button, int id);
    void FocusView();
    void LayoutControls();
    void OnSelector(int entry);
    void CentringCycle(SourceIndex s);
    void ShowCentringImage(SourceIndex s, int position);
    void ShowTip(const QString& text, int right);
    int SourceCount() const;
    EditRecorder* Edits() const;
    bool ImageFile(SourceIndex s) const;
    void RunChangeSourceDialog(SourceIndex s);
    void RunBlendOptionsDialog();

    PaneContext context;
    scroll_combo* selector = nullptr;
    prop_grid_ctrl* grid = nullptr;
    std::array<blend_buttons*, 2> blend{};
    std::array<QPushButton*, 3> setup{};  // change source 1, change source 2, blend options
    std::array<QWidget*, 2> filler{};
    std::array<file_names*, 2> fileLine{};
    stats* statistics = nullptr;
    CClassToolBar* toolBarOne = nullptr;
    CClassToolBar* toolBarTwo = nullptr;
    std::array<middle_button*, 2> centre{};
    QTimer* commandUpdate = nullptr;
    std::unique_ptr<Clipboard> clipboard;
    std::unique_ptr<FontEngine> fonts;
    std::unique_ptr<TextEntryRunner> texts;
};
