// Every text of the window, the pane and the dialogs is shown whole: each label, button, check
// box, list entry and grid cell fits the room its widget gives it, in the plain look (210) and
// the default look. CTest runs it again with QT_SCALE_FACTOR=2 for 200 %.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "app_looks.h"
#include "cbrindorapp.h"
#include "cbrindordoc.h"
#include "cmainframe.h"
#include "cpropertieswnd.h"
#include "cpropertieswnd_contents.h"
#include "cpropertieswnd_controls.h"
#include "prop_grid_ctrl.h"
#include "text_entry.h"
#include "text_font_engine_qt.h"
#include "ui_test_support.h"
#include "wnd_status_bar.h"

namespace {

QString Where(const QWidget* w, const QString& text)
{
    return QString("%1 / %2: \"%3\"").arg(w->window()->windowTitle(), w->metaObject()->className(), text);
}

int TextWidth(const QWidget* w, const QString& text)
{
    return w->fontMetrics().size(Qt::TextShowMnemonic, text).width();
}

void CheckLabel(const QLabel* l, QStringList& clipped)
{
    if (l->text().isEmpty())
        return;
    bool fits = true;
    if (l->wordWrap()) {
        fits = l->heightForWidth(l->width()) <= l->height();
    } else if (Qt::mightBeRichText(l->text())) {
        fits = l->minimumSizeHint().width() <= l->width() && l->minimumSizeHint().height() <= l->height();
    } else {
        // A framed label indents its text by half an x unless told otherwise.
        const int indent = l->indent() >= 0 ? l->indent() : l->frameWidth() > 0 ? l->fontMetrics().horizontalAdvance('x') / 2 : 0;
        const QSize need = l->fontMetrics().size(0, l->text()) + QSize(indent + 2 * l->margin(), 2 * l->margin());
        fits = need.width() <= l->contentsRect().width() && need.height() <= l->contentsRect().height();
    }
    if (!fits)
        clipped << Where(l, l->text());
}

void CheckButton(const QAbstractButton* b, QStringList& clipped)
{
    // Tool buttons show their icon only.
    if (b->text().isEmpty() || qobject_cast<const QToolButton*>(b))
        return;
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    option.icon = b->icon();
    option.iconSize = b->iconSize();
    const QStyle::SubElement contents = qobject_cast<const QCheckBox*>(b)      ? QStyle::SE_CheckBoxContents
                                        : qobject_cast<const QRadioButton*>(b) ? QStyle::SE_RadioButtonContents
                                                                               : QStyle::SE_PushButtonContents;
    const QRect room = b->style()->subElementRect(contents, &option, b);
    const int need = TextWidth(b, b->text()) + (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
    if (need > room.width() || b->fontMetrics().height() > room.height())
        clipped << Where(b, b->text());
}

// Each entry must fit the closed box (any of them may be chosen) and its opened list.
void CheckCombo(QComboBox* c, QStringList& clipped)
{
    QStyleOptionComboBox option;
    option.initFrom(c);
    option.editable = c->isEditable();
    option.frame = c->hasFrame();
    const QRect field = c->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, c);
    c->showPopup();
    QAbstractItemView* list = c->view();
    // An entry's text keeps the item's focus margin on both sides.
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    for (int i = 0; i < c->count(); ++i) {
        const QString text = c->itemText(i);
        if (TextWidth(c, text) + 2 > field.width())
            clipped << Where(c, text) + " closed";
        if (TextWidth(list, text) + 2 * margin > list->viewport()->width())
            clipped << Where(c, text) + " opened";
    }
    c->hidePopup();
}

void CheckTree(const QTreeWidget* tree, QStringList& clipped)
{
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it)
        for (int column = 0; column < tree->columnCount(); ++column) {
            const QModelIndex index = tree->indexFromItem(*it, column);
            if ((*it)->text(column).isEmpty() || (column > 0 && (*it)->isFirstColumnSpanned()))
                continue;
            if (tree->sizeHintForIndex(index).width() > tree->visualRect(index).width())
                clipped << Where(tree, (*it)->text(column));
        }
}

// The pane's hand-painted lines and the status panes.
void CheckPainted(QWidget* root, QStringList& clipped)
{
    for (status_pane* p : root->findChildren<status_pane*>())
        if (p->fontMetrics().horizontalAdvance(p->ShownText()) > p->width() - 6)
            clipped << Where(p, p->ShownText());
    for (file_names* f : root->findChildren<file_names*>())
        if (QFontMetrics(SmallFont()).horizontalAdvance(f->Text()) > f->width())
            clipped << Where(f, f->Text());
    for (stats* s : root->findChildren<stats*>())
        if (QFontMetrics(SmallFont()).horizontalAdvance(s->SizeText()) > s->width())
            clipped << Where(s, s->SizeText());
}

QStringList ClippedTexts(QWidget* root)
{
    QStringList clipped;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible())
            continue;
        if (auto* l = qobject_cast<QLabel*>(w))
            CheckLabel(l, clipped);
        else if (auto* b = qobject_cast<QAbstractButton*>(w))
            CheckButton(b, clipped);
        else if (auto* c = qobject_cast<QComboBox*>(w))
            CheckCombo(c, clipped);
        else if (auto* t = qobject_cast<QTreeWidget*>(w))
            CheckTree(t, clipped);
    }
    CheckPainted(root, clipped);
    return clipped;
}

}  // namespace

class TextFitTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir, files;
    ui_test::MessageLog messages;
    ui_test::ScriptedDialogs dialogs;

private slots:
    void initTestCase()
    {
        ui_test::UsePrivateSettings(settingsDir);
        messages.Install();
    }

    void textsAreShownWhole_data()
    {
        QTest::addColumn<int>("look");
        QTest::newRow("plain look") << 210;
        QTest::newRow("default look") << DefaultLook;
    }
    void textsAreShownWhole()
    {
        QFETCH(int, look);
        QSettings().setValue("Workspace/ApplicationLook", look);
        CbrindorApp app;
        QVERIFY(app.InitInstance({"brindor"}));
        CMainFrame* f = app.Frame();
        app.Document().SetFileDialogs(&dialogs);
        f->resize(1280, 860);
        QVERIFY(QTest::qWaitForWindowExposed(f));
        QStringList clipped = ClippedTexts(f);
        // A name as long as the 50 characters the file-name lines keep.
        dialogs.path = ui_test::WritePicture(files, "Holiday in Spain, the beach at Tossa 2012-08.png", 120, 90).toStdString();
        f->RunCommand(57601);
        dialogs.path = ui_test::WritePicture(files, "second.png", 100, 80).toStdString();
        f->RunCommand(57601);
        clipped << ClippedTexts(f);

        // Every choice of the grid's lists, opened in place.
        auto* pane = qobject_cast<CPropertiesWndContents*>(f->Pane()->Contents());
        for (PropertyId id : {PropertyId::MergeMethod, PropertyId::ContrastType, PropertyId::Effects,
                              PropertyId::ScaleToTarget1}) {
            if (auto* combo = qobject_cast<QComboBox*>(pane->Grid()->OpenEditor(id))) {
                CheckCombo(combo, clipped);
                QTest::keyClick(combo, Qt::Key_Escape);
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            }
        }

        // The dialogs as the user opens them; the blend options show each of their shapes.
        ui_test::ModalKeys keys;
        keys.presses.assign(7, {Qt::Key_Escape});
        keys.inspect = [&clipped](QWidget* dialog) {
            clipped << ClippedTexts(dialog);
            if (auto* smooth = dialog->findChild<QCheckBox*>("smooth")) {
                smooth->click();
                clipped << ClippedTexts(dialog);
                dialog->findChild<QCheckBox*>("rectangle")->click();
                clipped << ClippedTexts(dialog);
            }
        };
        for (int id : {32800, 32830, 32801, 57664})
            QVERIFY(f->RunCommand(id));
        QTest::mouseClick(pane->Button(332), Qt::LeftButton);
        QTest::mouseClick(pane->Button(344), Qt::LeftButton);
        dialogs.path = ui_test::WritePicture(files, "third.png", 100, 80).toStdString();
        f->RunCommand(57601);
        QCOMPARE(keys.titles, (std::vector<QString>{"Rotate Source", "Target Image Size", "Batch Merging",
                                                    "About brindor", "Change Source", "blend_options",
                                                    "Replace Source Image"}));
        QtFontEngine fonts;
        text_entry entry(app.Document(), fonts, 2, true, f);
        entry.show();
        QVERIFY(QTest::qWaitForWindowExposed(&entry));
        clipped << ClippedTexts(&entry);
        clipped.removeDuplicates();
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join("\n")));
    }
};

QTEST_MAIN(TextFitTest)
#include "text_fit_test.moc"
