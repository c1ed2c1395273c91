#include "app_looks.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include "command_table.h"

namespace {

// The colours of a look. Each pair that carries text (text on window, base and button, the
// highlight's text on the highlight) keeps a contrast of at least 4.5:1.
struct Scheme {
    QColor window, base, button, text, highlight, bar1, bar2;
    QColor highlightText = Qt::white;
};

// The System look's state: whether it shows its dark scheme, the window colour of the palette
// last applied (to tell another party's palette from the look's), and a guard for its own changes.
bool systemDark = false;
QColor appliedWindow;
bool applying = false;
QPalette platformPalette;
bool platformKnown = false;

// Every role counts as the look's own: a palette made from colours leaves some roles (the
// highlight among them) to be filled from the platform's otherwise.
QPalette Whole(QPalette p)
{
    p.setResolveMask(~QPalette::ResolveMask(0));
    return p;
}

QPalette PaletteOf(const Scheme& s)
{
    // Bevel shades (light, mid, dark, shadow) come from the look's own button colour.
    QPalette p(s.button, s.window);
    p.setColor(QPalette::Window, s.window);
    p.setColor(QPalette::WindowText, s.text);
    p.setColor(QPalette::Base, s.base);
    p.setColor(QPalette::AlternateBase, s.window.lighter(106));
    p.setColor(QPalette::Text, s.text);
    p.setColor(QPalette::Button, s.button);
    p.setColor(QPalette::ButtonText, s.text);
    p.setColor(QPalette::Highlight, s.highlight);
    p.setColor(QPalette::HighlightedText, s.highlightText);
    p.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    p.setColor(QPalette::ToolTipText, Qt::black);
    p.setColor(QPalette::PlaceholderText, s.text.lightness() > 128 ? s.text.darker(150) : s.text.lighter(300));
    p.setColor(QPalette::Disabled, QPalette::Text, s.text.value() > 128 ? s.text.darker(180)
                                                                        : QColor(150, 150, 150));
    p.setColor(QPalette::Disabled, QPalette::WindowText, p.color(QPalette::Disabled, QPalette::Text));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, p.color(QPalette::Disabled, QPalette::Text));
    return Whole(p);
}

QString SheetOf(const Scheme& s)
{
    return QString("QMenuBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, "
                   "stop:1 %2); color: %3; }"
                   "QMenuBar::item { background: transparent; padding: 3px 8px; }"
                   "QMenuBar::item:selected { background: %4; color: %5; border-radius: 2px; }"
                   "QDockWidget::title { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                   "stop:0 %1, stop:1 %2); padding: 4px; }"
                   "QStatusBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, "
                   "stop:1 %2); color: %3; }")
        .arg(s.bar1.name(), s.bar2.name(), s.text.name(), s.highlight.name(), s.highlightText.name());
}

Scheme SchemeFor(int id, bool dark)
{
    // Highlights too light for white text carry black text instead, so each look keeps its colour.
    switch (id) {
    case cmd::LookSystem:
        if (dark)
            return {{45, 45, 48}, {30, 30, 32}, {58, 58, 62}, {232, 232, 232}, {40, 96, 170},
                    {62, 62, 66}, {40, 40, 44}};
        return {{239, 239, 239}, {255, 255, 255}, {246, 246, 246}, {20, 20, 20}, {38, 100, 180},
                {250, 250, 250}, {226, 226, 226}};
    case cmd::LookOfficeXP:
        return {{246, 245, 242}, {255, 255, 255}, {238, 237, 233}, {0, 0, 0}, {49, 106, 197},
                {252, 252, 250}, {232, 230, 224}};
    case cmd::LookWindowsXP:
        return {{236, 233, 216}, {255, 255, 255}, {241, 239, 226}, {0, 0, 0}, {49, 106, 197},
                {245, 243, 232}, {222, 218, 196}};
    case cmd::LookOffice2003:
        return {{221, 232, 248}, {255, 255, 255}, {234, 241, 252}, {0, 0, 0}, {230, 139, 44},
                {227, 239, 255}, {158, 190, 235}, Qt::black};
    case cmd::LookVS2005:
        return {{238, 238, 229}, {255, 255, 255}, {245, 245, 238}, {0, 0, 0}, {193, 210, 238},
                {250, 250, 246}, {214, 214, 200}, Qt::black};
    case cmd::LookBlack:
        return {{58, 58, 62}, {40, 40, 44}, {72, 72, 78}, {236, 236, 236}, {232, 163, 58},
                {88, 88, 94}, {34, 34, 38}, Qt::black};
    case cmd::LookSilver:
        return {{228, 230, 234}, {255, 255, 255}, {238, 240, 243}, {0, 0, 0}, {125, 138, 158},
                {246, 247, 249}, {200, 204, 212}, Qt::black};
    case cmd::LookAqua:
        return {{212, 238, 240}, {255, 255, 255}, {226, 245, 246}, {0, 0, 0}, {42, 162, 175},
                {232, 250, 251}, {160, 214, 220}, Qt::black};
    case cmd::LookBlue:
    default:
        return {{213, 228, 246}, {255, 255, 255}, {227, 238, 251}, {0, 0, 0}, {50, 110, 190},
                {227, 239, 255}, {175, 205, 240}};
    }
}

void Apply(const AppLook& look)
{
    auto* app = qobject_cast<QApplication*>(QApplication::instance());
    if (!app)
        return;
    applying = true;
    if (QStyle* style = QStyleFactory::create(look.styleName))
        QApplication::setStyle(style);
    QApplication::setPalette(look.palette);
    app->setStyleSheet(look.styleSheet);
    appliedWindow = look.palette.color(QPalette::Window);
    applying = false;
}

}  // namespace

AppLook LookFor(int id, bool dark)
{
    AppLook look;
    look.id = IsLookId(id) ? id : FallbackLook;
    if (look.id == cmd::Look2000) {
        look.styleName = "Windows";
        look.palette = Whole(QPalette(QColor(212, 208, 200)));
        return look;
    }
    const Scheme s = SchemeFor(look.id, dark);
    look.styleName = "Fusion";
    look.palette = PaletteOf(s);
    look.styleSheet = SheetOf(s);
    look.smartDocking = look.id >= cmd::LookOffice2003;
    return look;
}

bool IsDarkPalette(const QPalette& palette) { return palette.color(QPalette::Window).lightness() < 128; }

QPalette PlatformPalette(bool readAgain)
{
    if (!qobject_cast<QApplication*>(QApplication::instance()))
        return {};
    if (platformKnown && !readAgain)
        return platformPalette;
    const QPalette own = QApplication::palette();
    if (own.resolveMask() == 0) {
        platformPalette = own;
    } else {
        // A palette that sets no role is resolved entirely from the platform's. Each change
        // repolishes every widget, so this is done only when the platform's may have changed.
        const bool was = applying;
        applying = true;
        QApplication::setPalette(QPalette());
        platformPalette = QApplication::palette();
        QApplication::setPalette(own);
        applying = was;
    }
    platformKnown = true;
    return platformPalette;
}

bool SystemLookDark() { return systemDark; }

void ApplyLook(int id)
{
    if (id == cmd::LookSystem)
        systemDark = IsDarkPalette(PlatformPalette());
    Apply(LookFor(id, systemDark));
}

bool FollowDesktopScheme(bool themeChanged)
{
    if (applying)
        return false;
    QPalette desktop;
    if (themeChanged) {
        desktop = PlatformPalette(true);
    } else {
        desktop = QApplication::palette();
        if (desktop.color(QPalette::Window) == appliedWindow)
            return false;
    }
    systemDark = IsDarkPalette(desktop);
    Apply(LookFor(cmd::LookSystem, systemDark));
    return true;
}
