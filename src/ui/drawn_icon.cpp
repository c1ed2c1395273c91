#include "drawn_icon.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

// The pictures are compiled into this static library; nothing else would pull them in.
static void LoadIconResources() { Q_INIT_RESOURCE(icons); }

namespace drawn_icon {

namespace {

constexpr char AppIconName[] = "io.github.brindor.Brindor";

class drawn_icon_engine : public QIconEngine {
public:
    drawn_icon_engine(QSize d, Painter p) : design(d), paintPicture(std::move(p)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, Render(rect.size(), mode, scale));
    }
    // QIcon asks for the device pixels it needs (the size times the screen's ratio) and sets the
    // ratio on the result itself.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override { return Render(size, mode, 1.0); }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QString key() const override { return "drawn_icon"; }
    QIconEngine* clone() const override { return new drawn_icon_engine(design, paintPicture); }

private:
    // A drawing is kept for its size, ratio, mode and the look's colours that line art takes.
    QPixmap Render(const QSize& size, QIcon::Mode mode, qreal scale)
    {
        const QPalette& palette = QGuiApplication::palette();
        const QString key = QString("%1x%2@%3/%4/%5/%6")
                                .arg(size.width())
                                .arg(size.height())
                                .arg(scale)
                                .arg(int(mode))
                                .arg(palette.color(QPalette::WindowText).rgba())
                                .arg(palette.color(QPalette::ButtonText).rgba());
        auto it = drawn.find(key);
        if (it == drawn.end()) {
            if (drawn.size() > MaxKept)
                drawn.clear();
            it = drawn.insert(key, Draw(size, mode, scale));
        }
        return *it;
    }

    // Drawn for the device pixels it will cover: nothing is scaled after drawing.
    QPixmap Draw(const QSize& size, QIcon::Mode mode, qreal scale) const
    {
        const QSize pixels = (QSizeF(size) * scale).toSize();
        if (pixels.isEmpty() || design.isEmpty())
            return {};
        QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        image.setDevicePixelRatio(scale);
        {
            QPainter p(&image);
            p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
            const qreal k = std::min(size.width() / qreal(design.width()), size.height() / qreal(design.height()));
            p.translate((size.width() - design.width() * k) / 2, (size.height() - design.height() * k) / 2);
            p.scale(k, k);
            paintPicture(p);
        }
        QPixmap pixmap = QPixmap::fromImage(std::move(image));
        if (mode == QIcon::Disabled || mode == QIcon::Selected) {
            QStyleOption option;
            option.palette = QApplication::palette();
            pixmap = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
        }
        return pixmap;
    }

    static constexpr int MaxKept = 16;
    QSize design;
    Painter paintPicture;
    QHash<QString, QPixmap> drawn;
};

// The SVG text of a resource picture, read once.
const QByteArray& SvgText(const QString& name)
{
    static QHash<QString, QByteArray> texts;
    static const bool loaded = (LoadIconResources(), true);
    (void)loaded;
    auto it = texts.find(name);
    if (it == texts.end()) {
        QFile file(":/icons/" + name + ".svg");
        it = texts.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
    return *it;
}

QByteArray Inked(const QString& name, QColor ink)
{
    if (!ink.isValid())
        ink = QGuiApplication::palette().color(QPalette::WindowText);
    QByteArray text = SvgText(name);
    return text.replace("currentColor", ink.name().toLatin1());
}

}  // namespace

QIcon Painted(QSize design, Painter paint) { return QIcon(new drawn_icon_engine(design, std::move(paint))); }

void PaintSvg(QPainter& painter, const QString& name, const QRectF& box, QColor ink)
{
    QSvgRenderer renderer(Inked(name, ink));
    renderer.render(&painter, box);
}

QIcon Svg(const QString& name, QColor ink)
{
    const QSize design = QSvgRenderer(SvgText(name)).defaultSize();
    return Painted(design, [name, ink, design](QPainter& p) { PaintSvg(p, name, QRectF(QPointF(), design), ink); });
}

QIcon AppIcon() { return Svg(AppIconName); }

}  // namespace drawn_icon
