// The property grid: rows and groups, each row's commit path and messages, lists acting only on
// a choice from their list, true/false rows, the typed shortcuts.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QtTest>

#include "prop_grid_ctrl.h"
#include "prop_grid_editors.h"
#include "prop_grid_properties.h"
#include "testutils.h"
#include "ui_test_support.h"

using namespace testutils;

namespace {
// Records messages; a hook may run while a message is "on screen".
class HookedPrompts : public Prompts {
public:
    std::vector<std::string> shown;
    std::function<void()> whileShown;
    void Show(const std::string& text, PromptKind) override
    {
        shown.push_back(text);
        if (whileShown)
            whileShown();
    }
    bool Ask(const std::string&) override { return true; }
};

class ScrollRecorder : public EngineListener {
public:
    std::vector<std::pair<SourceIndex, bool>> requests;
    void ScrollSourceRequested(SourceIndex s, bool selectEntry) override { requests.emplace_back(s, selectEntry); }
};
}  // namespace

class prop_grid_ctrl_test : public QObject {
    Q_OBJECT
    FakeSources sources;
    std::unique_ptr<Engine> engine;
    HookedPrompts prompts;
    std::unique_ptr<prop_grid_ctrl> grid;
    std::vector<int> commands;

    // Types text into a row's number editor and presses Enter; the editor, if still open.
    QWidget* Enter(PropertyId id, const QString& text)
    {
        QWidget* editor = grid->OpenEditor(id);
        auto* spin = qobject_cast<prop_grid_spin*>(editor);
        if (!spin)
            return nullptr;
        spin->SetText(text);
        QTest::keyClick(spin, Qt::Key_Return);
        Settle();
        return grid->Tree()->viewport()->findChild<QWidget*>("gridEditor");
    }

    // Closed editors are deleted later; let that happen.
    static void Settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QComboBox* OpenList(PropertyId id) { return qobject_cast<QComboBox*>(grid->OpenEditor(id)); }

    void Choose(QComboBox* combo, const QString& text)
    {
        const int k = combo->findText(text);
        QVERIFY(k >= 0);
        combo->setCurrentIndex(k);
        emit combo->activated(k);
        Settle();
    }

private slots:
    void init()
    {
        sources = FakeSources();
        sources.Solid(1, 80, 60, Bgr{10, 20, 30});
        sources.Solid(2, 60, 80, Bgr{200, 100, 50});
        engine = std::make_unique<Engine>(sources);
        prompts = HookedPrompts();
        engine->SetPrompts(&prompts);
        engine->SetCanvasSize(320, 240, 320, 240);
        commands.clear();
        grid = std::make_unique<prop_grid_ctrl>(*engine, [this](int id) { commands.push_back(id); });
        grid->resize(300, 600);
        grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    }
    void cleanup() { grid.reset(); }

    void rowsSitInTheirGroupsInPaneOrder()
    {
        QTreeWidget* tree = grid->Tree();
        QStringList groups;
        for (int k = 0; k < tree->topLevelItemCount(); ++k)
            groups << tree->topLevelItem(k)->text(0);
        QCOMPARE(groups, (QStringList{"Scaling: Source 1", "Scaling: Source 2", "Source Scale Method", "Merge method",
                                      "Contrast / Gray Scale", "Contrast / Brightness", "Horizontal flip",
                                      "Special Effects"}));
        QCOMPARE(grid->Item(PropertyId::RedContrast)->parent()->text(0), QString("RGB Contrast"));
        QCOMPARE(grid->Item(PropertyId::GreenBrightness)->parent()->text(0), QString("RGB brightness"));
        QCOMPARE(grid->Item(PropertyId::OverallBrightness)->parent()->text(0), QString("Contrast / Brightness"));
        QCOMPARE(grid->Value(PropertyId::MergeMethod), QString("Average"));
        QCOMPARE(grid->Value(PropertyId::SourceBias), QString("50"));
        QCOMPARE(grid->Value(PropertyId::FlipSource2), QString("False"));
        QVERIFY(!grid->RowEnabled(PropertyId::InfiniteContrastBias));
        QVERIFY(dynamic_cast<CBoundedNumberSubProp_a*>(grid->Item(PropertyId::HorizontalScale2)));
        QVERIFY(dynamic_cast<CBoundedNumberSubProp_b*>(grid->Item(PropertyId::BlueBrightness)));
        QVERIFY(dynamic_cast<choose_scale_method*>(grid->Item(PropertyId::ScaleToTarget1)));
        QVERIFY(dynamic_cast<choose_flip_side*>(grid->Item(PropertyId::FlipSource1)));
        QVERIFY(dynamic_cast<effects_type*>(grid->Item(PropertyId::Effects)));
    }

    void descriptionAreaShowsTheCurrentRow()
    {
        grid->Tree()->setCurrentItem(grid->Item(PropertyId::SourceBias));
        QVERIFY(grid->DescriptionText().contains("Source 1/2 Bias"));
        QVERIFY(grid->DescriptionText().contains("0% = source 1 only up to 100% = source 2 only."));
        auto* area = grid->findChild<QLabel*>("description");
        QVERIFY(area->height() >= prop_grid_ctrl::DescriptionRows * area->fontMetrics().lineSpacing());
        QVERIFY(area->height() < (prop_grid_ctrl::DescriptionRows + 2) * area->fontMetrics().lineSpacing());
    }

    void scaleCommitsAndItsRange()
    {
        QVERIFY(!Enter(PropertyId::HorizontalScale1, "250"));
        QCOMPARE(engine->settings.horizontalScale[0], 250.0);
        QCOMPARE(grid->Value(PropertyId::HorizontalScale1), QString("250"));
        for (const char* bad : {"0", "501", "abc"}) {
            QWidget* stillOpen = Enter(PropertyId::VerticalScale2, bad);
            QVERIFY2(stillOpen, bad);  // refused: the row stays in editing
            QTest::keyClick(stillOpen, Qt::Key_Escape);
            Settle();
        }
        QCOMPARE(prompts.shown, std::vector<std::string>(3, "Value must be between 1 and 500."));
        QCOMPARE(engine->settings.verticalScale[1], 100.0);
        QCOMPARE(grid->Value(PropertyId::VerticalScale2), QString("100"));
        QVERIFY(!Enter(PropertyId::VerticalScale2, "1"));
        QVERIFY(!Enter(PropertyId::HorizontalScale2, "500"));
        QCOMPARE(engine->settings.horizontalScale[1], 500.0);
    }

    void percentCommitsReadLikeAtoi()
    {
        QVERIFY(!Enter(PropertyId::SourceBias, "75abc"));
        QCOMPARE(engine->settings.sourceBias, 192);
        QCOMPARE(grid->Value(PropertyId::SourceBias), QString("75"));
        QVERIFY(Enter(PropertyId::RedBrightness, "-1"));
        QTest::keyClick(grid->Tree()->viewport()->findChild<QWidget*>("gridEditor"), Qt::Key_Escape);
        Settle();
        QVERIFY(Enter(PropertyId::RedBrightness, "101"));
        QCOMPARE(prompts.shown, std::vector<std::string>(2, "Value must be equal to or between 0 and 100."));
        QCOMPARE(engine->settings.channelBrightness[Red], 50);
    }

    void leavingARefusedEditAnswersItOnce()
    {
        auto* spin = qobject_cast<prop_grid_spin*>(grid->OpenEditor(PropertyId::GreenBrightness));
        spin->SetText("140");
        QTest::keyClick(spin, Qt::Key_Return);
        QCOMPARE(prompts.shown.size(), size_t(1));
        // Another row is clicked: the view closes the editor and commits it once more.
        grid->Tree()->setCurrentItem(grid->Item(PropertyId::RedContrast), 1);
        Settle();
        QCOMPARE(prompts.shown.size(), size_t(1));
        QCOMPARE(engine->settings.channelBrightness[Green], 50);
        QCOMPARE(grid->Value(PropertyId::GreenBrightness), QString("50"));
    }

    void overallContrastSetsTheThreeChannels()
    {
        QVERIFY(!Enter(PropertyId::OverallContrast, "80"));
        for (PropertyId id : {PropertyId::RedContrast, PropertyId::GreenContrast, PropertyId::BlueContrast})
            QCOMPARE(grid->Value(id), QString("80"));
        QVERIFY(!Enter(PropertyId::GreenContrast, "20"));
        QCOMPARE(engine->settings.channelContrast[Red], 80);
        QCOMPARE(engine->settings.channelContrast[Green], 20);
        QCOMPARE(engine->settings.channelContrast[Blue], 80);
        QCOMPARE(grid->Value(PropertyId::OverallContrast), QString("80"));
    }

    void noSecondMessageWhileOneIsOnScreen()
    {
        QWidget* editor = grid->OpenEditor(PropertyId::InfiniteContrastBias);
        QVERIFY(!editor);  // disabled rows do not edit
        editor = grid->OpenEditor(PropertyId::BlueContrast);
        auto* spin = qobject_cast<prop_grid_spin*>(editor);
        spin->SetText("300");
        // The message box takes the focus away, which commits the same edit a second time.
        bool secondKept = true;
        prompts.whileShown = [&] { secondKept = grid->Delegate()->CommitNumberEditor(spin); };
        QTest::keyClick(spin, Qt::Key_Return);
        QCOMPARE(prompts.shown.size(), size_t(1));
        QVERIFY(secondKept);  // the second commit ended the edit quietly
        QCOMPARE(engine->settings.channelContrast[Blue], 50);
        prompts.whileShown = nullptr;
    }

    // The real message box runs its own event loop while the editor loses the focus to it.
    void refusedCommitsWithARealMessageBox()
    {
        QtPrompts real;
        engine->SetPrompts(&real);
        ui_test::ModalKeys keys;
        QApplication::setActiveWindow(grid.get());
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        const auto refuse = [&](PropertyId id, const QString& text, Qt::Key key) {
            auto* spin = qobject_cast<prop_grid_spin*>(grid->OpenEditor(id));
            QVERIFY(spin);
            spin->setFocus();
            spin->SetText(text);
            QTest::keyClick(spin, key);
            Settle();
        };
        const auto openEditor = [this] {
            return qobject_cast<prop_grid_spin*>(grid->Tree()->viewport()->findChild<QWidget*>("gridEditor"));
        };
        // Enter, then Tab: one message each, and the refused text stays for correction.
        refuse(PropertyId::SourceBias, "101", Qt::Key_Return);
        QVERIFY(openEditor());
        QCOMPARE(openEditor()->text(), QString("101"));
        QTest::keyClick(openEditor(), Qt::Key_Escape);
        Settle();
        refuse(PropertyId::VerticalScale1, "0", Qt::Key_Tab);
        QVERIFY(openEditor());
        QCOMPARE(openEditor()->text(), QString("0"));
        QCOMPARE(keys.texts, (std::vector<QString>{"Value must be equal to or between 0 and 100.",
                                                   "Value must be between 1 and 500."}));
        // The corrected text commits.
        openEditor()->SetText("120");
        QTest::keyClick(openEditor(), Qt::Key_Return);
        Settle();
        QVERIFY(!openEditor());
        QCOMPARE(engine->settings.verticalScale[0], 120.0);

        // Leaving the row by clicking another one: one message, the old value stays.
        keys.Clear();
        auto* spin = qobject_cast<prop_grid_spin*>(grid->OpenEditor(PropertyId::GreenBrightness));
        spin->setFocus();
        spin->SetText("140");
        QTreeWidget* tree = grid->Tree();
        const QRect other = tree->visualItemRect(grid->Item(PropertyId::RedContrast));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, other.center());
        Settle();
        QCOMPARE(keys.texts, std::vector<QString>{"Value must be equal to or between 0 and 100."});
        QCOMPARE(grid->Value(PropertyId::GreenBrightness), QString("50"));
        QCOMPARE(grid->Value(PropertyId::SourceBias), QString("50"));
        QCOMPARE(engine->settings.channelBrightness[Green], 50);
        QVERIFY(keys.stuck.empty());
        engine->SetPrompts(&prompts);
    }

    void listsActOnlyOnAChoiceFromTheirList()
    {
        QComboBox* combo = OpenList(PropertyId::ContrastType);
        QVERIFY(combo);
        QVERIFY(!combo->isEditable());
        combo->setCurrentIndex(2);  // moved without a choice: nothing happens
        QCOMPARE(engine->settings.contrastMode, 1);
        Choose(combo, "Infinite contrast color");
        QCOMPARE(engine->settings.contrastMode, 3);
        QVERIFY(grid->RowEnabled(PropertyId::InfiniteContrastBias));
        Choose(OpenList(PropertyId::ContrastType), "Gray scale");
        QCOMPARE(engine->settings.contrastMode, 0);
        QVERIFY(!grid->RowEnabled(PropertyId::InfiniteContrastBias));
        QCOMPARE(grid->Value(PropertyId::ContrastType), QString("Gray scale"));
        Choose(OpenList(PropertyId::MergeMethod), "Greatest");
        QCOMPARE(engine->settings.mergeMethod, 2);
        Choose(OpenList(PropertyId::MergeMethod), "Copy srce 1 image only");
        QCOMPARE(engine->settings.mergeMethod, 0);
        Choose(OpenList(PropertyId::Effects), "Emboss");
        QCOMPARE(engine->settings.effect.size, 3);
        Choose(OpenList(PropertyId::Effects), "No effects");
        QCOMPARE(engine->settings.effect.size, 0);
    }

    void trueFalseRows()
    {
        ScrollRecorder recorder;
        engine->SetListener(&recorder);
        QComboBox* combo = OpenList(PropertyId::ScaleToTarget2);
        QCOMPARE(combo->count(), 2);
        Choose(combo, "False");
        QVERIFY(!engine->settings.scaleToTarget[1]);
        QCOMPARE(grid->Value(PropertyId::ScaleToTarget2), QString("False"));
        QVERIFY(!recorder.requests.empty());
        QCOMPARE(recorder.requests.back(), std::make_pair(SourceIndex(2), true));
        Choose(OpenList(PropertyId::FlipSource1), "True");
        QVERIFY(engine->settings.flipHorizontal[0]);
        engine->SetListener(nullptr);
    }

    void typedShortcutsPassThrough()
    {
        QWidget* editor = grid->OpenEditor(PropertyId::HorizontalScale1);
        auto* spin = qobject_cast<prop_grid_spin*>(editor);
        spin->SetText("");
        QTest::keyClicks(spin, "12");
        QCOMPARE(commands, (std::vector<int>{32804, 32805}));
        QCOMPARE(spin->text(), QString("12"));
        QTest::keyClick(spin, Qt::Key_Escape);
        Settle();
        grid->Tree()->setFocus();
        QTest::keyClicks(grid->Tree(), "b,<.>xB");
        QCOMPARE(commands, (std::vector<int>{32804, 32805, 32806, 328, 328, 330, 330}));
    }

    void spinArrowsStayInRange()
    {
        auto* spin = qobject_cast<prop_grid_spin*>(grid->OpenEditor(PropertyId::SourceBias));
        spin->SetText("99");
        spin->stepBy(5);
        QCOMPARE(spin->text(), QString("100"));
        spin->SetText("2");
        spin->stepBy(-5);
        QCOMPARE(spin->text(), QString("0"));
    }
};

QTEST_MAIN(prop_grid_ctrl_test)
#include "prop_grid_ctrl_test.moc"
