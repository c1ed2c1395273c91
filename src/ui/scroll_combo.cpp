#include "scroll_combo.h"

#include <QFontDatabase>

#include "dialog_exchange.h"

scroll_combo::scroll_combo(QWidget* parent) : QComboBox(parent)
{
    setObjectName("scroll_combo");
    dialog_exchange::SetControlId(this, Id);
    setEditable(false);
    setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    addItems({"Scroll Target  (shortcut key 'b')", "Scroll Source 1  (shortcut key '1')",
              "Scroll Source 2  (shortcut key '2')"});
    setCurrentIndex(0);
    setMouseTracking(true);
}

void scroll_combo::mouseMoveEvent(QMouseEvent* event)
{
    if (hovered)
        hovered();
    QComboBox::mouseMoveEvent(event);
}
