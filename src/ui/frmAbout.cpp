// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmAbout.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/AppInfo.h"
#include "ui/HTMLLink.h"

namespace vko {

frmAbout::frmAbout(QWidget* parent, UrlOpener open) : QDialog(parent), open_(std::move(open)) {
    setObjectName(QStringLiteral("frmAbout"));
    BuildControls();
    Form_Load();
}

QLabel* frmAbout::MakeLink(const char* name, const QString& text, const QString& target) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setProperty("tag", target);
    label->setCursor(Qt::PointingHandCursor);
    label->setMouseTracking(true);
    label->installEventFilter(this);
    return label;
}

void frmAbout::BuildControls() {
    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(QPixmap(QStringLiteral(":/icons/app32.png")));
    picIcon->setFixedSize(32, 32);
    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    lblCopyright = new QLabel(QString::fromLatin1(kCopyrightNotice), this);
    lblCopyright->setObjectName(QStringLiteral("lblCopyright"));
    // The maker keeps no web site or mail address for this program: the documentation that
    // comes with it is where to read on.
    Label2 = new QLabel(QStringLiteral("Documentation:"), this);
    const QString docs = DocumentationFolder();
    lblQuillfen = MakeLink("lblQuillfen", docs, QUrl::fromLocalFile(docs).toString());
    cmdUpdate = new QPushButton(QStringLiteral("&Update"), this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto* links = new QGridLayout;
    links->addWidget(Label2, 0, 0);
    links->addWidget(lblQuillfen, 0, 1);
    links->setColumnStretch(1, 1);
    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblCopyright);
    text->addLayout(links);
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdUpdate);
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    setMouseTracking(true);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmAbout::cmdUpdate_Click);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);
}

void frmAbout::Form_Load() {
    if (parentWidget()) setWindowIcon(parentWidget()->windowIcon());
    setWindowTitle(QStringLiteral("About ") + QString::fromLatin1(kAppTitle));
    lblTitle->setText(QString::fromLatin1(kAppTitle) + QStringLiteral(" v") + AppVersion());
    LinkAction(lblQuillfen, kLinkInitial);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    auto* label = qobject_cast<QLabel*>(watched);
    if (label != lblQuillfen) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseMove) {
        LinkAction(label, kLinkMouseOver);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        const QUrl url(label->property("tag").toString());
        if (!QFileInfo(url.toLocalFile()).isDir())
            Tell(QStringLiteral("The documentation is not installed in\n%1\n\nIt comes with the "
                                "vaultkeep-orb package; README.md in the program's sources "
                                "says the same.")
                     .arg(url.toLocalFile()));
        else if (!LinkAction(label, kLinkClick, open_))
            ShowOpenFailure(url);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::mouseMoveEvent(QMouseEvent* event) {
    LinkAction(lblQuillfen, kLinkMouseElsewhere);
    QDialog::mouseMoveEvent(event);
}

void frmAbout::cmdUpdate_Click() {
    const QString page = UpdateRequestUrl(AppVersion());
    if (page.isEmpty()) {
        Tell(QString::fromLatin1(kAppTitle) +
             QStringLiteral(" has no update page to look at: new versions come with your system's "
                            "packages (the package vaultkeep-orb), through its software updates."));
        return;
    }
    const QUrl url(page);
    if (!open_ || !open_(url)) ShowOpenFailure(url);
}

void frmAbout::ShowOpenFailure(const QUrl& url) {
    Tell(QStringLiteral("No program could be started to open\n%1\n\nOpen it yourself with your "
                        "web browser or file manager.")
             .arg(url.toDisplayString()));
}

void frmAbout::Tell(const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Information, QString::fromLatin1(kAppTitle), text,
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("msgAbout"));
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Window-modal and without a loop of its own: a job running meanwhile goes on.
    box->open();
}

}  // namespace vko
