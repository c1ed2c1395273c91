#pragma once
#include "ports.h"

class QWidget;

// The open and save choosers on QFileDialog, with the given type list, folder and filter.
class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* owner = nullptr) : parent(owner) {}
    void SetParent(QWidget* p) { parent = p; }
    FileDialogResult OpenFile(const FileDialogRequest& request) override;
    FileDialogResult SaveFile(const FileDialogRequest& request) override;

private:
    FileDialogResult Run(const FileDialogRequest& request, bool save);
    QWidget* parent;
};
