#include "caboutdlg.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "drawn_icon.h"

QUrl CAboutDlg::HomePage() { return QUrl("https://halvard-pixmoor.example/brindor/"); }
QString CAboutDlg::ContactAddress() { return "brindor@halvard-pixmoor.example"; }

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("CAboutDlg");
    setWindowTitle("About brindor");
    auto* icon = new QLabel(this);
    icon->setPixmap(drawn_icon::AppIcon().pixmap(QSize(40, 40), devicePixelRatioF()));
    auto* version = new QLabel("brindor, Version 2.3", this);
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);
    auto* home = new QPushButton("Brindor Homepage", this);
    home->setObjectName("homepageButton");
    home->setProperty("controlId", HomepageButtonId);
    home->setAutoDefault(false);
    connect(home, &QPushButton::clicked, this, [] { QDesktopServices::openUrl(HomePage()); });
    auto* questions =
        new QLabel("Any questions suggestions or bug reports please send email to:", this);
    questions->setWordWrap(true);
    auto* contact = new QLabel(ContactAddress(), this);
    contact->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* subject = new QLabel("Use the name of this program in the subject line please.", this);
    subject->setWordWrap(true);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addWidget(version, 0, 1);
    layout->addWidget(home, 1, 0, 1, 2);
    layout->addWidget(questions, 2, 1);
    layout->addWidget(contact, 3, 1);
    layout->addWidget(subject, 4, 1);
    layout->addWidget(ok, 5, 1, Qt::AlignRight);
    layout->setVerticalSpacing(12);
    setFixedWidth(300);
}

void ShowHelpTopics(QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setWindowTitle("brindor Help");
    auto* text = new QTextBrowser(&dialog);
    text->setHtml(
        "<h2>brindor</h2>"
        "<p>brindor merges two source pictures into one target picture.</p>"
        "<h3>Sources</h3><p>Load a picture with <b>File &gt; Open Image</b> (Ctrl+O), write a text "
        "with <b>Open Text</b> (T), paste one from the clipboard (Ctrl+V) or start from a blank "
        "picture. Two sources can be loaded; a third asks which one to replace.</p>"
        "<h3>Merging</h3><p>Every merge setting is in the <i>Properties</i> pane: scale, fit, "
        "flip, merge method, source bias, contrast, brightness and effects. "
        "<b>Edit &gt; Rotate</b> (Ctrl+R) turns a source; <b>Target Image Size</b> sets the "
        "canvas.</p>"
        "<h3>Moving sources</h3><p>Press <b>1</b> or <b>2</b> to scroll a source, then drag it "
        "with the right mouse button or use the scroll bars; <b>b</b> scrolls the target "
        "again.</p>"
        "<h3>Blending</h3><p>Draw a zone with the left mouse button, then press the big 1 or 2 "
        "buttons (or the keys , and .) to blend the zone towards that source. Any later change "
        "removes the blending.</p>"
        "<h3>Results</h3><p>Save with <b>Save As</b> (Ctrl+S) as BMP, JPEG, PNG, TIFF, TGA or "
        "PCX, copy with Ctrl+C, or print. <b>Batch merge</b> merges every picture of source 2's "
        "folder with source 1.</p>"
        "<p>Hover over the status bar's <i>View source</i> panes to see each source alone.</p>");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    layout->addWidget(buttons);
    dialog.resize(520, 480);
    dialog.exec();
}
