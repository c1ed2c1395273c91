// The target size dialog: what it shows, its validation, and its effect through the real view.
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <map>

#include "canvas_size.h"
#include "pane_fixture.h"
#include "scroll_combo.h"

using pane_fixture::Pane;

class canvas_size_test : public QObject {
    Q_OBJECT
    std::map<std::string, int> store;
    int placed = 0;
    int scrolled = 0;

    canvas_size::Hooks CountingHooks()
    {
        canvas_size::Hooks h;
        h.readSetting = [this](const char* key, int fallback) {
            const auto it = store.find(key);
            return it == store.end() ? fallback : it->second;
        };
        h.writeSetting = [this](const char* key, int value) { store[key] = value; };
        h.placeCanvasRect = [this](int, int) { ++placed; };
        h.scrollTarget = [this] { ++scrolled; };
        return h;
    }
    static QLineEdit* Edit(QDialog& d, const char* name) { return d.findChild<QLineEdit*>(name); }
    static void Ok(QDialog& d) { QTest::mouseClick(d.findChild<QPushButton*>("ok"), Qt::LeftButton); }

private slots:
    void init()
    {
        store.clear();
        placed = scrolled = 0;
    }

    void firstRunShowsTheDefaults()
    {
        testutils::FakePrompts prompts;
        canvas_size dialog(CountingHooks(), prompts);
        QCOMPARE(dialog.windowTitle(), QString("Target Image Size"));
        QCOMPARE(Edit(dialog, "width")->text(), QString("1024"));
        QCOMPARE(Edit(dialog, "height")->text(), QString("768"));
        store["canvas_width"] = 640;
        canvas_size again(CountingHooks(), prompts);
        QCOMPARE(Edit(again, "width")->text(), QString("640"));
    }

    void invalidEntriesChangeNothing_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("message");
        QTest::newRow("width 2049") << "2049" << "768" << "Enter an integer between 100 and 2048.";
        QTest::newRow("width 99") << "99" << "768" << "Enter an integer between 100 and 2048.";
        QTest::newRow("height 1537") << "1024" << "1537" << "Enter an integer between 100 and 1536.";
        QTest::newRow("letters") << "12a" << "768" << "Enter an integer.";
        QTest::newRow("empty height") << "500" << "" << "Enter an integer.";
    }
    void invalidEntriesChangeNothing()
    {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QString, message);
        testutils::FakePrompts prompts;
        canvas_size dialog(CountingHooks(), prompts);
        dialog.show();
        Edit(dialog, "width")->setText(width);
        Edit(dialog, "height")->setText(height);
        Ok(dialog);
        QCOMPARE(prompts.shown.size(), size_t(1));
        QCOMPARE(QString::fromStdString(prompts.shown[0].first), message);
        QVERIFY(dialog.isVisible());
        QTest::mouseClick(dialog.findChild<QPushButton*>("cancel"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(store.empty());
        QCOMPARE(placed + scrolled, 0);
    }

    void okPlacesTheTargetAndStoresTheSize()
    {
        Pane pane(2);
        pane.view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        pane.view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        pane.view->resize(1000, 700);
        QCOMPARE(pane.view->viewport()->size(), QSize(1000, 700));
        QVERIFY(pane.shell->SendCommand(32805));
        QCOMPARE(pane.contents->Selector()->currentIndex(), 2);

        canvas_size::Hooks hooks = CountingHooks();
        hooks.placeCanvasRect = [&pane](int w, int h) { pane.view->PlaceCanvasRect(w, h); };
        hooks.scrollTarget = [&pane] { pane.shell->SendCommand(32806); };
        canvas_size dialog(hooks, pane.prompts);
        dialog.show();
        Edit(dialog, "width")->setText("800");
        Edit(dialog, "height")->setText(" 600 ");
        Ok(dialog);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(pane.prompts.shown.empty());
        QCOMPARE(pane.engine().canvasRect, (CanvasRect{100, 50, 900, 650}));
        QCOMPARE(pane.view->Mode(), ScrollMode::Target);
        QCOMPARE(pane.contents->Selector()->currentIndex(), 0);
        QCOMPARE(store["canvas_width"], 800);
        QCOMPARE(store["canvas_height"], 600);
    }
};

QTEST_MAIN(canvas_size_test)
#include "canvas_size_test.moc"
