#pragma once
#include <QDialog>
#include <QUrl>

// "About brindor": the icon, the version, the home page button and the contact address.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int TemplateId = 100;
    static constexpr int HomepageButtonId = 1023;
    static QUrl HomePage();
    static QString ContactAddress();

    explicit CAboutDlg(QWidget* parent = nullptr);
};

// The help window of "Help Topics": what the program does and how its commands work.
void ShowHelpTopics(QWidget* parent);
