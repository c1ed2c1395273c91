#pragma once
#include <functional>

#include <QColor>
#include <QPushButton>
#include <QToolBar>
#include <QWidget>

// A blend button: repeats while held; moving the pointer over it draws the zone again.
class blend_buttons : public QPushButton {
    Q_OBJECT
public:
    static constexpr int RepeatMs = 500;
    blend_buttons(int id, const QString& text, QWidget* parent);
    std::function<void()> hovered;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};

// A centering button: white face, an image of where the next click puts the source.
class middle_button : public QPushButton {
    Q_OBJECT
public:
    middle_button(int id, QWidget* parent);
    std::function<void()> hovered;
    // A press closes any tip and disarms the centering tip before the click is handled.
    std::function<void()> pressed;
    int ImageId() const { return imageId; }
    void SetImage(int id, const QIcon& picture);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int imageId = 0;
};

// One of the two source file-name lines.
class file_names : public QWidget {
    Q_OBJECT
public:
    static constexpr int Limit = 50;
    static constexpr int Stored = 99;

    file_names(int id, int line, const QString& text, QWidget* parent);
    // The line's text for a path or name: its last 50 characters, from their first separator
    // on with ".." in front when there is one.
    static QString Shorten(const QString& text);
    void SetText(int line, const QString& text);
    QString Text() const { return text; }
    int Line() const { return line; }
    QColor Background() const;

signals:
    // A picture file was dropped on the line.
    void pictureDropped(int line, const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    int line;
    QString text;
};

// The target statistics line with its blending warning.
class stats : public QWidget {
    Q_OBJECT
public:
    static constexpr int Id = 132;
    stats(std::function<QString()> sizeText, std::function<bool()> blending, QWidget* parent);
    std::function<void()> hovered;
    // "Target image pixels width/height =" and the size, or empty with fewer than two sources.
    QString SizeText() const { return sizeText(); }
    bool Warns() const { return blending(); }
    // Repaints the line; screen readers read what it shows as its name.
    void Refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    std::function<QString()> sizeText;
    std::function<bool()> blending;
};

// The pane's own toolbars: fixed, without gripper or border, commands to the pane only.
class CClassToolBar : public QToolBar {
    Q_OBJECT
public:
    CClassToolBar(int id, QWidget* parent);
    QAction* AddCommand(int id, const QIcon& picture, const QString& tip);
    QAction* Action(int id) const;
};

// A control's smallest picture font: 8 points of the default face.
QFont SmallFont();
