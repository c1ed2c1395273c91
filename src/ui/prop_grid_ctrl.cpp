#include "prop_grid_ctrl.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "prop_grid_editors.h"
#include "prop_grid_properties.h"

namespace {
constexpr int LabelColumn = 0;
constexpr int ValueColumn = 1;
constexpr int CmdBlend1 = 328, CmdBlend2 = 330;
constexpr int CmdScrollSource1 = 32804, CmdScrollSource2 = 32805, CmdScrollTarget = 32806;

QTreeWidgetItem* MakeGroup(const QString& text)
{
    auto* item = new QTreeWidgetItem(QStringList{text});
    QFont bold = item->font(LabelColumn);
    bold.setBold(true);
    item->setFont(LabelColumn, bold);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QString DescriptionHtml(const QString& title, const QString& text)
{
    return "<b>" + title.toHtmlEscaped() + "</b><br>" + text.toHtmlEscaped().replace('\n', "<br>");
}
}  // namespace

int prop_grid_ctrl::CommandForCharacter(QChar c)
{
    switch (c.unicode()) {
    case 'b': return CmdScrollTarget;
    case '1': return CmdScrollSource1;
    case '2': return CmdScrollSource2;
    case ',':
    case '<': return CmdBlend1;
    case '.':
    case '>': return CmdBlend2;
    default: return 0;
    }
}

prop_grid_ctrl::prop_grid_ctrl(Engine& e, std::function<void(int)> send, QWidget* parent)
    : QWidget(parent), engine(e), sendCommand(std::move(send))
{
    setObjectName("prop_grid_ctrl");
    tree = new QTreeWidget(this);
    tree->setObjectName("propertyTree");
    tree->setAccessibleName("Merge settings");
    tree->setColumnCount(2);
    tree->setHeaderHidden(true);
    tree->setUniformRowHeights(true);
    tree->setAlternatingRowColors(false);
    tree->setIndentation(12);
    tree->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    tree->header()->setSectionResizeMode(LabelColumn, QHeaderView::Interactive);
    tree->header()->setStretchLastSection(true);
    // Styling the items' borders takes their selection painting over, so it is styled too:
    // otherwise the selected row's text is drawn in the highlight's text colour on white.
    tree->setStyleSheet("QTreeView::item { border-right: 1px solid palette(midlight); "
                        "border-bottom: 1px solid palette(midlight); }"
                        "QTreeView::item:selected { background: palette(highlight); "
                        "color: palette(highlighted-text); }");
    const auto typed = [this](QChar c) {
        if (const int id = CommandForCharacter(c))
            sendCommand(id);
    };
    delegate = new prop_grid_delegate(
        engine,
        [this](const QModelIndex& index) { return dynamic_cast<grid_property*>(tree->itemFromIndex(index)); },
        [this](grid_property* item, CommitResult result) { OnCommitted(item, result); }, typed, this);
    tree->setItemDelegate(delegate);
    tree->installEventFilter(this);

    description = new QLabel(this);
    description->setObjectName("description");
    description->setWordWrap(true);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    description->setFrameShape(QFrame::StyledPanel);
    description->setAutoFillBackground(true);
    description->setTextFormat(Qt::RichText);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(tree, 1);
    layout->addWidget(description, 0);

    connect(tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { OnCurrentItem(current); });
    connect(tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int column) {
        auto* property = dynamic_cast<grid_property*>(item);
        if (property && column == ValueColumn && !property->isDisabled())
            tree->editItem(item, ValueColumn);
    });
    Build();
    ApplyFont();
    RefreshFromEngine();
}

prop_grid_ctrl::~prop_grid_ctrl() { delegate->Deactivate(); }

void prop_grid_ctrl::Build()
{
    QString group;
    QString subGroup;
    QTreeWidgetItem* groupItem = nullptr;
    QTreeWidgetItem* subItem = nullptr;
    for (const PropertyRow& row : PropertyTable) {
        if (group != row.group || !groupItem) {
            group = row.group;
            groupItem = MakeGroup(group);
            tree->addTopLevelItem(groupItem);
            subGroup.clear();
            subItem = nullptr;
        }
        QTreeWidgetItem* parent = groupItem;
        if (*row.subGroup) {
            if (subGroup != row.subGroup || !subItem) {
                subGroup = row.subGroup;
                subItem = MakeGroup(subGroup);
                groupItem->addChild(subItem);
            }
            parent = subItem;
        } else {
            subGroup.clear();
            subItem = nullptr;
        }
        grid_property* item = MakeGridProperty(row).release();
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        parent->addChild(item);
        items[static_cast<int>(row.id)] = item;
    }
    for (int k = 0; k < tree->topLevelItemCount(); ++k)
        tree->topLevelItem(k)->setFirstColumnSpanned(true);
    tree->expandAll();
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (!dynamic_cast<grid_property*>(*it))
            (*it)->setFirstColumnSpanned(true);
    ShadeHeadings();
}

// Headings sit on a shaded band of the look's window colour, as in a developer tool's property
// grid; a new look shades them again.
void prop_grid_ctrl::ShadeHeadings()
{
    const QBrush band(palette().color(QPalette::Window).darker(104));
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (dynamic_cast<grid_property*>(*it))
            continue;
        (*it)->setBackground(LabelColumn, band);
        (*it)->setBackground(ValueColumn, band);
    }
}

// The menu font's height, weight and slant on the regular font.
void prop_grid_ctrl::ApplyFont()
{
    QFont font = QApplication::font();
    const QFont menu = QApplication::font("QMenu");
    if (menu.pointSizeF() > 0)
        font.setPointSizeF(menu.pointSizeF());
    else if (menu.pixelSize() > 0)
        font.setPixelSize(menu.pixelSize());
    font.setWeight(menu.weight());
    font.setItalic(menu.italic());
    tree->setFont(font);
    description->setFont(font);
    const QFontMetrics metrics(font);
    description->setFixedHeight(DescriptionRows * metrics.lineSpacing() + 2 * description->frameWidth() + 4);
    MeasureColumns();
}

// Every label and every value is shown whole: the grid is at least as wide as the widest label
// (with its indentation) beside the widest list choice in its opened editor.
void prop_grid_ctrl::MeasureColumns()
{
    // The items' style sheet borders count too.
    tree->ensurePolished();
    labelNeed = 0;
    int spannedNeed = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        int depth = tree->rootIsDecorated() ? 1 : 0;
        for (QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent())
            ++depth;
        const QModelIndex index = tree->indexFromItem(*it, LabelColumn);
        const int need = depth * tree->indentation() + tree->sizeHintForIndex(index).width();
        int& widest = (*it)->isFirstColumnSpanned() ? spannedNeed : labelNeed;
        widest = std::max(widest, need);
    }
    QComboBox probe;
    probe.setFont(tree->font());
    probe.addItems({TrueText, FalseText});
    for (const PropertyRow& row : PropertyTable)
        for (int k = 0; k < row.optionCount; ++k)
            probe.addItem(row.options[k].text);
    valueNeed = probe.sizeHint().width();
    chrome = 2 * tree->frameWidth() + tree->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, tree);
    setMinimumWidth(std::max(labelNeed + valueNeed, spannedNeed) + chrome);
    PlaceColumns();
}

// The labels take the larger share where there is room, as the long ones ("Scale Srce 1 to
// Target") need it, but never the room the values need.
void prop_grid_ctrl::PlaceColumns()
{
    const int room = width() - chrome;
    tree->setColumnWidth(LabelColumn, std::max(labelNeed, std::min(width() * 3 / 5, room - valueNeed)));
}

bool prop_grid_ctrl::event(QEvent* event)
{
    if (event->type() == QEvent::Resize)
        PlaceColumns();
    if (event->type() == QEvent::ApplicationFontChange || event->type() == QEvent::ApplicationPaletteChange)
        ApplyFont();
    if (event->type() == QEvent::PaletteChange)
        ShadeHeadings();
    return QWidget::event(event);
}

bool prop_grid_ctrl::eventFilter(QObject* object, QEvent* event)
{
    if (object == tree && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Enter opens the current row's value for editing, as F2 and a double click do.
        auto* row = dynamic_cast<grid_property*>(tree->currentItem());
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && row && !row->isDisabled()) {
            tree->setCurrentItem(row, ValueColumn);
            tree->editItem(row, ValueColumn);
            return true;
        }
        if (!key->text().isEmpty())
            if (const int id = CommandForCharacter(key->text().at(0)))
                sendCommand(id);
    }
    return QWidget::eventFilter(object, event);
}

QString prop_grid_ctrl::Value(PropertyId id) const { return Item(id)->text(ValueColumn); }

bool prop_grid_ctrl::RowEnabled(PropertyId id) const { return !Item(id)->isDisabled(); }

QString prop_grid_ctrl::DescriptionText() const { return description->text(); }

void prop_grid_ctrl::ShowValue(PropertyId id, const QString& text) { Item(id)->setText(ValueColumn, text); }

void prop_grid_ctrl::EnableRow(PropertyId id, bool on) { Item(id)->setDisabled(!on); }

void prop_grid_ctrl::RefreshFromEngine()
{
    for (const PropertyRow& row : PropertyTable) {
        ShowValue(row.id, QString::fromStdString(engine.Shown(row.id)));
        EnableRow(row.id, engine.Enabled(row.id));
    }
}

QWidget* prop_grid_ctrl::OpenEditor(PropertyId id)
{
    grid_property* item = Item(id);
    if (item->isDisabled())
        return nullptr;
    tree->setCurrentItem(item, ValueColumn);
    tree->editItem(item, ValueColumn);
    return tree->viewport()->findChild<QWidget*>("gridEditor");
}

void prop_grid_ctrl::OnCurrentItem(QTreeWidgetItem* item)
{
    if (!item) {
        description->clear();
        return;
    }
    auto* property = dynamic_cast<grid_property*>(item);
    description->setText(DescriptionHtml(item->text(LabelColumn), property ? property->Row().description : ""));
}

void prop_grid_ctrl::OnCommitted(grid_property*, CommitResult)
{
    // One commit may change other rows too (overall contrast, the contrast type's bias row).
    RefreshFromEngine();
}
