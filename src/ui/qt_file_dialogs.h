#pragma once
#include "ports.h"

class QWidget;

// The open and save choosers on QFileDialog, with the given type list, folder and filter.
class QtFileDialogs : public FileDialogs {
public:
    // Shown first in the picture open dialog; the request's own filters keep their numbers, so
    // a stored filter index keeps its filter, and this one is index 0, a new user's choice.
    static constexpr char AllPicturesFilter[] = "Image files (*.bmp *.jpg *.jpeg *.png *.tif *.tiff *.tga *.pcx)";
    // Whether an open request lists pictures (its filters name BMP files).
    static bool IsPictureOpen(const FileDialogRequest& request, bool save);

    explicit QtFileDialogs(QWidget* owner = nullptr) : parent(owner) {}
    void SetParent(QWidget* p) { parent = p; }
    FileDialogResult OpenFile(const FileDialogRequest& request) override;
    FileDialogResult SaveFile(const FileDialogRequest& request) override;

private:
    FileDialogResult Run(const FileDialogRequest& request, bool save);
    QWidget* parent;
};
