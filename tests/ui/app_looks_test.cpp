// The application looks as a user sees them: every text and icon of the pane, the menu bar and
// the status bar measured against its background in each look, and the System look following
// the desktop's scheme while the program runs.
#include <algorithm>
#include <cmath>
#include <map>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenuBar>
#include <QStyleOptionComboBox>
#include <QToolBar>
#include <QTreeWidget>

#include "app_looks.h"
#include "cbrindorapp.h"
#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cmainframe.h"
#include "command_table.h"
#include "cpropertieswnd.h"
#include "cpropertieswnd_contents.h"
#include "cpropertieswnd_controls.h"
#include "prop_grid_ctrl.h"
#include "prop_grid_properties.h"
#include "scroll_combo.h"
#include "ui_test_support.h"
#include "wnd_status_bar.h"

namespace {

constexpr double MinimumContrast = 4.5;

// Relative luminance and contrast ratio as WCAG defines them.
double Luminance(QRgb c)
{
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double Contrast(QRgb a, QRgb b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour most pixels of the area show: the background behind a text.
QRgb Background(const QImage& image, const QRect& area)
{
    std::map<QRgb, int> counts;
    const QRect r = area & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[image.pixel(x, y) | 0xff000000];
    return std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

// A text's contrast: its strongest pixel (a glyph's stem) against the area's background.
double TextContrast(const QImage& image, const QRect& area)
{
    const QRgb background = Background(image, area);
    const QRect r = area & image.rect();
    double best = 1;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            best = std::max(best, Contrast(image.pixel(x, y), background));
    return best;
}

// An icon's contrast: the median contrast of its outline, the opaque pixels that meet the
// background, in their own colour.
double IconContrast(const QIcon& icon, QSize size, QRgb background)
{
    const QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
    const auto opaque = [&image](int x, int y) { return image.rect().contains(x, y) && qAlpha(image.pixel(x, y)) >= 128; };
    std::vector<double> edge;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (opaque(x, y) && (!opaque(x - 1, y) || !opaque(x + 1, y) || !opaque(x, y - 1) || !opaque(x, y + 1)))
                edge.push_back(Contrast(image.pixel(x, y), background));
    if (edge.empty())
        return 0;
    std::nth_element(edge.begin(), edge.begin() + edge.size() / 2, edge.end());
    return edge[edge.size() / 2];
}

QImage Grab(QWidget* w) { return w->grab().toImage(); }

// A dark desktop as a platform theme might report it.
QPalette DarkDesktop()
{
    QPalette p(QColor(60, 60, 60), QColor(35, 35, 38));
    p.setColor(QPalette::WindowText, QColor(220, 220, 220));
    p.setColor(QPalette::Text, QColor(220, 220, 220));
    p.setColor(QPalette::Base, QColor(25, 25, 28));
    return p;
}

}  // namespace

class AppLooksTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir, files;
    ui_test::MessageLog messages;
    ui_test::ScriptedDialogs dialogs;
    std::unique_ptr<CbrindorApp> app;
    QStringList failures;

    CMainFrame* Frame() { return app->Frame(); }
    CPropertiesWndContents* Pane() { return static_cast<CPropertiesWndContents*>(Frame()->Pane()->Contents()); }

    void Expect(const QString& what, double contrast)
    {
        if (contrast < MinimumContrast)
            failures << QString("%1: %2:1").arg(what).arg(contrast, 0, 'f', 2);
    }

    // A zone and a blended target: the blend buttons and the warning line show. A look change
    // can resize the view a little later on a busy machine, and a resize drops the zone, so
    // this is asserted again until the buttons stand enabled.
    bool ShowBlending()
    {
        Engine& engine = Frame()->View()->GetEngine();
        engine.zone.valid = true;
        engine.blendingPresent = true;
        Frame()->UpdateCommandUI();
        return Pane()->Button(328)->isEnabled() && Pane()->Button(330)->isEnabled();
    }

    // Each text and icon the window shows beside the target, measured where it is drawn.
    void MeasureWindow()
    {
        QApplication::processEvents();
        QMenuBar* bar = Frame()->menuBar();
        const QImage menu = Grab(bar);
        for (QAction* a : bar->actions())
            Expect("menu " + a->text(), TextContrast(menu, bar->actionGeometry(a)));

        CPropertiesWnd* dock = Frame()->Pane();
        const QImage title = Grab(dock);
        Expect("pane title", TextContrast(title, QRect(0, 0, dock->width() / 2, dock->widget()->y())));

        CPropertiesWndContents* pane = Pane();
        scroll_combo* selector = pane->Selector();
        QStyleOptionComboBox option;
        option.initFrom(selector);
        Expect("selector", TextContrast(Grab(selector), selector->style()->subControlRect(
                                                            QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, selector)));
        for (int id : {332, 333, 344}) {
            QPushButton* b = pane->Button(id);
            QRect picture(QPoint(), b->iconSize());
            picture.moveCenter(b->rect().center());
            Expect(b->accessibleName(), TextContrast(Grab(b), picture));
        }
        QTRY_VERIFY(ShowBlending());
        for (int id : {328, 330}) {
            QPushButton* b = pane->Button(id);
            Expect(b->accessibleName(), IconContrast(b->icon(), b->iconSize(), Background(Grab(b), b->rect())));
        }
        for (int id : {32841, 32846})
            Expect(pane->Button(id)->accessibleName(), TextContrast(Grab(pane->Button(id)), pane->Button(id)->rect()));
        for (int n : {1, 2}) {
            QToolBar* tools = pane->ToolBar(n);
            const QRgb background = Background(Grab(tools), tools->rect());
            for (QAction* a : tools->actions()) {
                QVERIFY(a->isEnabled());
                Expect("tool " + a->text(), IconContrast(a->icon(), tools->iconSize(), background));
            }
        }
        for (int line : {1, 2})
            Expect(QString("file line %1").arg(line), TextContrast(Grab(pane->FileLine(line)), pane->FileLine(line)->rect()));
        const QImage stats = Grab(pane->Statistics());
        Expect("statistics", TextContrast(stats, QRect(0, 0, stats.width(), 15)));
        Expect("blending warning", TextContrast(stats, QRect(0, 15, stats.width(), stats.height() - 15)));
        MeasureGrid(pane->Grid());

        wnd_status_bar* status = Frame()->StatusBar();
        for (int i = 0; i < 5; ++i) {
            status_pane* p = status->Pane(i);
            // The marker's corner is a sign of its own, not text.
            Expect("status " + p->ShownText(), TextContrast(Grab(p), p->rect().adjusted(1, 1, -8, -1)));
        }
    }

    // Every row's label and value, and the selected row's, on the grid's own painting.
    void MeasureGrid(prop_grid_ctrl* grid)
    {
        QTreeWidget* tree = grid->Tree();
        tree->setCurrentItem(grid->Item(PropertyId::MergeMethod));
        QApplication::processEvents();
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            if ((*it)->isDisabled())
                continue;
            tree->scrollToItem(*it);
            const QImage rows = Grab(tree->viewport());
            for (int column = 0; column < 2; ++column) {
                const QRect cell = tree->visualItemRect(*it) & tree->visualRect(tree->indexFromItem(*it, column));
                if (!cell.isEmpty() && !(*it)->text(column).isEmpty())
                    Expect("grid " + (*it)->text(column), TextContrast(rows, cell.adjusted(0, 0, -1, -1)));
            }
        }
        Expect("grid description", TextContrast(Grab(grid->findChild<QWidget*>("description")),
                                                grid->findChild<QWidget*>("description")->rect().adjusted(2, 2, -2, -2)));
    }

private slots:
    void initTestCase()
    {
        ui_test::UsePrivateSettings(settingsDir);
        messages.Install();
        app = ui_test::StartProgram(dialogs, QSize(1280, 900));
        QVERIFY(app);
        QVERIFY(ui_test::OpenPictures(*app, dialogs, files, {"one.png", "two.png"}, 160, 120));
    }
    void cleanupTestCase() { app.reset(); }

    void everyTextAndIconStandsOut_data()
    {
        QTest::addColumn<int>("look");
        QTest::addColumn<bool>("darkDesktop");
        for (int id = cmd::Look2000; id <= cmd::LookAqua; ++id)
            QTest::addRow("%d", id) << id << false;
        QTest::newRow("System, light desktop") << int(cmd::LookSystem) << false;
        QTest::newRow("System, dark desktop") << int(cmd::LookSystem) << true;
    }
    void everyTextAndIconStandsOut()
    {
        QFETCH(int, look);
        QFETCH(bool, darkDesktop);
        QVERIFY(Frame()->RunCommand(look));
        if (darkDesktop) {
            QApplication::setPalette(DarkDesktop());
            QTRY_VERIFY(SystemLookDark());
        }
        QTRY_VERIFY(ShowBlending());
        failures.clear();
        MeasureWindow();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n")));
    }

    void systemLookFollowsTheDesktopLive()
    {
        QVERIFY(Frame()->RunCommand(cmd::LookSystem));
        QVERIFY(!SystemLookDark());
        QToolBar* tools = Pane()->ToolBar(1);
        const auto ink = [tools] {
            // The rotate picture's arrow head is line art in the look's text colour.
            const QImage picture =
                tools->actions()[1]->icon().pixmap(tools->iconSize()).toImage().convertToFormat(QImage::Format_ARGB32);
            return Luminance(picture.pixel(16, 3));
        };
        const double lightInk = ink();

        // The desktop turns dark: the application palette it sets gives way to the dark scheme.
        QApplication::setPalette(DarkDesktop());
        QTRY_VERIFY(SystemLookDark());
        QCOMPARE(QApplication::palette().color(QPalette::Window), LookFor(cmd::LookSystem, true).palette.color(QPalette::Window));
        QTRY_VERIFY(IsDarkPalette(Pane()->Grid()->Tree()->palette()));
        QVERIFY(ink() > lightInk + 0.5);
        QCOMPARE(Frame()->ApplicationLook(), int(cmd::LookSystem));

        // A theme change: the platform's own palette (light here) is read again.
        QEvent theme(QEvent::ThemeChange);
        QApplication::sendEvent(Frame(), &theme);
        QVERIFY(!SystemLookDark());
        QCOMPARE(QApplication::palette().color(QPalette::Window), LookFor(cmd::LookSystem, false).palette.color(QPalette::Window));

        // The other looks keep their colours whatever the desktop does.
        QVERIFY(Frame()->RunCommand(cmd::LookAqua));
        QApplication::sendEvent(Frame(), &theme);
        QCOMPARE(QApplication::palette().color(QPalette::Window), LookFor(cmd::LookAqua).palette.color(QPalette::Window));
        QCOMPARE(QSettings().value("Workspace/ApplicationLook").toInt(), int(cmd::LookAqua));
    }
};

QTEST_MAIN(AppLooksTest)
#include "app_looks_test.moc"
