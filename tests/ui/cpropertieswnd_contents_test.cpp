// The properties pane's contents: enable rules, commands, the centering cycle and its images,
// the file-name and statistics lines, the reset, the layout down to the pane's bottom.
#include <QAction>
#include <QPushButton>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include "cpropertieswnd_controls.h"
#include "flying_tips.h"
#include "pane_fixture.h"
#include "prop_grid_ctrl.h"
#include "prop_grid_editors.h"
#include "scroll_combo.h"

using pane_fixture::Pane;

namespace {
const int PaneButtons[] = {328, 330, 332, 333, 344, 32841, 32846};
// A pointer movement over a control, as the window system delivers it.
void Hover(QWidget* w, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
}

const int ToolCommands[] = {32829, 32800, 32795, 32796, 32797, 32799, 32793, 32794, 32792, 32798,
                            32833, 32834, 32835, 32836, 32837, 32838, 32839, 32840};
}  // namespace

class cpropertieswnd_contents_test : public QObject {
    Q_OBJECT

private slots:
    void withOneSourceOnlyTheSelectorAndTargetScrollWork()
    {
        Pane pane(1);
        CPropertiesWndContents& c = *pane.contents;
        for (int id : PaneButtons)
            QVERIFY2(!c.Button(id)->isEnabled(), qPrintable(QString::number(id)));
        for (int id : ToolCommands)
            QVERIFY2(!c.ToolAction(id)->isEnabled(), qPrintable(QString::number(id)));
        QVERIFY(c.Selector()->isEnabled());
        QVERIFY(!pane.shell->SendCommand(32804));
        QCOMPARE(c.Selector()->currentIndex(), 0);
        c.Selector()->setCurrentIndex(2);
        QVERIFY(pane.shell->SendCommand(32806));
        QCOMPARE(c.Selector()->currentIndex(), 0);
        QCOMPARE(pane.view->Mode(), ScrollMode::Target);
    }

    void withTwoSourcesTheRulesFollowKindsAndZone()
    {
        Pane pane(2);
        pane_fixture::FillSlot(pane.doc, 2, 120, 160, 90, SourceKind::Text);
        CPropertiesWndContents& c = *pane.contents;
        c.UpdateCommandUI();
        for (int id : {332, 333, 344, 32841, 32846})
            QVERIFY(c.Button(id)->isEnabled());
        QVERIFY(!c.Button(328)->isEnabled());  // no zone yet
        QVERIFY(!c.Button(330)->isEnabled());
        QVERIFY(c.ToolAction(32795)->isEnabled());
        QVERIFY(c.ToolAction(32796)->isEnabled());
        QVERIFY(!c.ToolAction(32797)->isEnabled());  // source 2 is a text
        QVERIFY(!c.ToolAction(32799)->isEnabled());
        for (int id : {32829, 32800, 32793, 32794, 32792, 32798, 32833, 32840})
            QVERIFY(c.ToolAction(id)->isEnabled());
        pane.engine().zone = BlendZone{10, 10, 60, 70, true, 0, false, true};
        c.UpdateCommandUI();
        QVERIFY(c.Button(328)->isEnabled());
        QVERIFY(c.Button(330)->isEnabled());
        QVERIFY(c.Button(328)->autoRepeat());
        QCOMPARE(c.Button(328)->autoRepeatInterval(), 500);
    }

    void toolbarsHoldTheirCommandsInOrderWithTips()
    {
        Pane pane(2);
        CPropertiesWndContents& c = *pane.contents;
        QList<int> one, two;
        for (QAction* a : c.ToolBar(1)->actions())
            one << a->data().toInt();
        for (QAction* a : c.ToolBar(2)->actions())
            two << a->data().toInt();
        QCOMPARE(one, (QList<int>{32829, 32800, 32795, 32796, 32797, 32799, 32793, 32794, 32792, 32798}));
        QCOMPARE(two, (QList<int>{32833, 32834, 32835, 32836, 32837, 32838, 32839, 32840}));
        QCOMPARE(c.ToolAction(32792)->toolTip(), QString("Reset all parameters to their default state"));
        QCOMPARE(c.ToolAction(32840)->toolTip(), QString("Shove source 2 to the bottom right of the target image."));
        QVERIFY(c.Button(328)->toolTip().endsWith("\n\nShort cut keys  \",\" or \"<\""));
        QVERIFY(c.Button(330)->toolTip().contains("\n\nENSURE BLENDING IS THE LAST THING YOU DO BEFORE SAVING"));
        QCOMPARE(c.Button(344)->toolTip(),
                 QString("Blend options:\n Select eliptical (soft or hard) - or - rectangular blend."));
        QVERIFY(!c.ToolBar(1)->isMovable());
        QVERIFY(!c.ToolBar(1)->toggleViewAction()->isVisible());
    }

    void centeringCycleAndItsImages()
    {
        Pane pane(2);
        CPropertiesWndContents& c = *pane.contents;
        Engine& e = pane.engine();
        middle_button* button = c.CentreButton(1);
        QCOMPARE(button->ImageId(), 32841);  // shows the source centred at first
        const int expectedImage[] = {32842, 32843, 32844, 32845, 32841, 32842};
        for (int press = 0; press < 6; ++press) {
            c.Selector()->setCurrentIndex(0);
            QTest::mouseClick(button, Qt::LeftButton);
            e.UpdateSourceGeometry(1);
            const int ex = static_cast<int>(e.ScaledBoxWidth(1) - e.CanvasWidth());
            const int fy = static_cast<int>(e.ScaledBoxHeight(1) - e.CanvasHeight());
            const auto centred = e.CentreOffsets(1);
            const std::pair<int, int> expected[] = {
                centred, {centred.first, 0}, {centred.first, fy}, {0, centred.second}, {ex, centred.second}};
            QCOMPARE(std::make_pair(e.placement[0].offsetX, e.placement[0].offsetY), expected[press % 5]);
            QCOMPARE(button->ImageId(), expectedImage[press]);
            QCOMPARE(c.Selector()->currentIndex(), 1);
            QCOMPARE(pane.view->Mode(), ScrollMode::Source1);
        }
        QCOMPARE(c.CentreButton(2)->ImageId(), 32846);
    }

    void centeringTipIsDisarmedByAPress()
    {
        Pane pane(2);
        pane.view->centeringTipArmed = true;
        QTest::mouseClick(pane.contents->CentreButton(2), Qt::LeftButton);
        QVERIFY(!pane.view->centeringTipArmed);
        QCOMPARE(pane.contents->Selector()->currentIndex(), 2);
    }

    void fileNameLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QString path60 = "/home/someone/pictures/2012/holiday in spain/beach-0001.jpg";
        QCOMPARE(path60.size(), 59);
        const QString longPath = "x" + path60;
        QTest::newRow("60-character path") << longPath << ".." + longPath.right(50).mid(longPath.right(50).indexOf('/'));
        const QString name60(60, 'n');
        QTest::newRow("60 characters, no separator") << name60 << QString(50, 'n');
        const QString short50 = QString("/a/b/") + QString(45, 'c');
        QTest::newRow("50 characters") << short50 << short50;
    }
    void fileNameLines()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(file_names::Shorten(text), shown);
    }

    void fileNameLinesKeepTheirColours()
    {
        Pane pane(2);
        CPropertiesWndContents& c = *pane.contents;
        QCOMPARE(c.FileLine(1)->Text(), QString("Source 1 not loaded"));
        QCOMPARE(c.FileLine(2)->Text(), QString("Source 2 not loaded"));
        c.SetFileName(2, "TEXT Source 2");
        QCOMPARE(c.FileLine(2)->Text(), QString("TEXT Source 2"));
        QCOMPARE(c.FileLine(1)->Background(), QColor(255, 192, 192));
        QCOMPARE(c.FileLine(2)->Background(), QColor(153, 255, 102));
    }

    void statisticsLineAndItsTips()
    {
        Pane pane(2);
        CPropertiesWndContents& c = *pane.contents;
        const TargetImage& t = pane.engine().target;
        QCOMPARE(c.Statistics()->SizeText(),
                 QString("Target image pixels width/height =%1 %2").arg(t.width).arg(t.height));
        QCOMPARE(c.StatisticsTip(), QString("You can change the target width and height in the edit menu."));
        pane.engine().blendingPresent = true;
        QVERIFY(c.Statistics()->Warns());
        QVERIFY(c.StatisticsTip().startsWith("Any target image changes"));
        QCOMPARE(c.SelectorTip(), QString("Scroll bars - if present - allow scrolling of the target image."));
        QVERIFY(pane.shell->SendCommand(32805));
        QVERIFY(c.SelectorTip().startsWith("Selected source image can now be individually scrolled"));
        Pane single(1);
        QCOMPARE(single.contents->Statistics()->SizeText(), QString());
    }

    void controlsExplainThemselvesInFlyingTips()
    {
        Pane pane(2);
        CPropertiesWndContents& c = *pane.contents;
        Hover(c.Statistics(), QPoint(20, 10));
        QVERIFY(pane.view->Tip());
        QCOMPARE(pane.view->Tip()->Lines(), QStringList{"You can change the target width and height in the edit menu."});
        // One tip at a time: the selector's waits until the view closes this one.
        Hover(c.Selector(), QPoint(20, 10));
        QCOMPARE(pane.view->Tip()->Lines().size(), 1);
        pane.view->CloseTip();
        pane.view->centeringTipArmed = false;
        Hover(c.CentreButton(1), QPoint(5, 5));
        QVERIFY(!pane.view->Tip());
        pane.view->centeringTipArmed = true;
        Hover(c.CentreButton(1), QPoint(6, 6));
        QVERIFY(pane.view->Tip());
        QVERIFY(pane.view->Tip()->Lines().first().startsWith("These source image centering buttons"));
        QTest::mousePress(c.CentreButton(1), Qt::LeftButton);
        QVERIFY(!pane.view->Tip());
        QTest::mouseRelease(c.CentreButton(1), Qt::LeftButton);

        Pane single(1);
        Hover(single.contents->Statistics(), QPoint(20, 10));
        QVERIFY(!single.view->Tip());
    }

    void resetAsksFirst()
    {
        Pane pane(2);
        CPropertiesWndContents& c = *pane.contents;
        Engine& e = pane.engine();
        prop_grid_ctrl* grid = c.Grid();
        e.CommitNumber(PropertyId::OverallBrightness, "70");
        e.CommitNumber(PropertyId::VerticalScale1, "40");
        e.CommitListChoice(PropertyId::MergeMethod, "Least");
        QCOMPARE(grid->Value(PropertyId::VerticalScale1), QString("40"));
        pane.prompts.answers = {false};
        c.ToolAction(32792)->trigger();
        QCOMPARE(pane.prompts.asked.back(), std::string("Do you wish to reset all parameters ?"));
        QCOMPARE(e.settings.verticalScale[0], 40.0);
        pane.prompts.answers = {true};
        c.ToolAction(32792)->trigger();
        QCOMPARE(e.settings.verticalScale[0], 100.0);
        QCOMPARE(e.settings.mergeMethod, 6);
        QCOMPARE(grid->Value(PropertyId::VerticalScale1), QString("100"));
        QCOMPARE(grid->Value(PropertyId::MergeMethod), QString("Average"));
        QCOMPARE(grid->Value(PropertyId::RedBrightness), QString("50"));
    }

    void scaleToTargetFalseScrollsThatSource()
    {
        Pane pane(2);
        CPropertiesWndContents& c = *pane.contents;
        auto* combo = qobject_cast<QComboBox*>(c.Grid()->OpenEditor(PropertyId::ScaleToTarget2));
        QVERIFY(combo);
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        QVERIFY(!pane.engine().settings.scaleToTarget[1]);
        QCOMPARE(pane.view->Mode(), ScrollMode::Source2);
        QCOMPARE(c.Selector()->currentIndex(), 2);
    }

    void cornerAndJuxtapositionCommands()
    {
        Pane pane(2);
        CPropertiesWndContents& c = *pane.contents;
        Engine& e = pane.engine();
        c.ToolAction(32838)->trigger();  // source 2 top right
        QCOMPARE(c.Selector()->currentIndex(), 2);
        QCOMPARE(e.placement[1].offsetX, static_cast<int>(e.ScaledBoxWidth(2) - e.CanvasWidth()));
        QCOMPARE(e.placement[1].offsetY, 0);
        c.ToolAction(32793)->trigger();
        QCOMPARE(c.Grid()->Value(PropertyId::HorizontalScale1),
                 QString::number(static_cast<int>(e.settings.horizontalScale[0])));
        QCOMPARE(e.placement[1].offsetX, -(e.CanvasWidth() / 2));
    }

    void gridFillsThePaneToItsBottom()
    {
        Pane pane(2);
        CPropertiesWndContents& c = *pane.contents;
        // At least as wide as the grid needs to show its texts whole.
        const int w = std::max(320, c.minimumSizeHint().width());
        for (int h : {420, 640, 900}) {
            c.resize(w, h);
            QCOMPARE(c.Grid()->geometry().bottom(), h - 1);
            QCOMPARE(c.Grid()->width(), w);
        }
        const int top = c.Selector()->height();
        QCOMPARE(c.Button(328)->geometry(), QRect(0, top, 60, 60));
        QCOMPARE(c.Button(344)->geometry(), QRect(240, top, 60, 60));
        QCOMPARE(c.ToolBar(2)->geometry(), QRect(0, top + 90, 215, 30));
        QCOMPARE(c.CentreButton(2)->geometry(), QRect(245, top + 90, 30, 30));
        QCOMPARE(c.FileLine(2)->geometry(), QRect(0, top + 140, w, 20));
        QCOMPARE(c.Grid()->y(), top + 190);
    }
};

QTEST_MAIN(cpropertieswnd_contents_test)
#include "cpropertieswnd_contents_test.moc"
