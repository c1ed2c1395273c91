#include "message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace {

ShowMessageFn showOverride;
AskQuestionFn askOverride;
QPointer<QWidget> boxParent;

QMessageBox::Icon IconFor(PromptKind kind)
{
    switch (kind) {
    case PromptKind::Stop:
        return QMessageBox::Critical;
    case PromptKind::Information:
        return QMessageBox::Information;
    case PromptKind::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void ShowMessageBox(const std::string& text, PromptKind kind)
{
    if (showOverride) {
        showOverride(text, kind);
        return;
    }
    QMessageBox box(IconFor(kind), MessageBoxCaption, QString::fromStdString(text), QMessageBox::Ok,
                    boxParent.data());
    box.exec();
}

bool AskQuestionBox(const std::string& text)
{
    if (askOverride)
        return askOverride(text);
    QMessageBox box(QMessageBox::Question, MessageBoxCaption, QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, boxParent.data());
    return box.exec() == QMessageBox::Yes;
}

void SetMessageBoxHandlers(ShowMessageFn show, AskQuestionFn ask)
{
    showOverride = std::move(show);
    askOverride = std::move(ask);
}

bool MessageBoxesReplaced() { return bool(showOverride); }

void SetMessageBoxParent(QWidget* parent) { boxParent = parent; }
