#include "ui/frmAbout.h"

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
    Label2 = new QLabel(QStringLiteral("web:"), this);
    Label1 = new QLabel(QStringLiteral("e-mail:"), this);
    lblQuillfen =
        MakeLink("lblQuillfen", QString::fromLatin1(kWebAddress), QString::fromLatin1(kWebLink));
    lblMailTo =
        MakeLink("lblMailTo", QString::fromLatin1(kMailAddress), QString::fromLatin1(kMailLink));
    cmdUpdate = new QPushButton(QStringLiteral("Update"), this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto* links = new QGridLayout;
    links->addWidget(Label2, 0, 0);
    links->addWidget(lblQuillfen, 0, 1);
    links->addWidget(Label1, 1, 0);
    links->addWidget(lblMailTo, 1, 1);
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
    LinkAction(lblMailTo, kLinkInitial);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    auto* label = qobject_cast<QLabel*>(watched);
    if (label != lblQuillfen && label != lblMailTo) return QDialog::eventFilter(watched, event);
    QLabel* other = label == lblQuillfen ? lblMailTo : lblQuillfen;
    if (event->type() == QEvent::MouseMove) {
        LinkAction(other, kLinkMouseElsewhere);
        LinkAction(label, kLinkMouseOver);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (!LinkAction(label, kLinkClick, open_))
            ShowOpenFailure(QUrl(label->property("tag").toString()));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::mouseMoveEvent(QMouseEvent* event) {
    LinkAction(lblQuillfen, kLinkMouseElsewhere);
    LinkAction(lblMailTo, kLinkMouseElsewhere);
    QDialog::mouseMoveEvent(event);
}

void frmAbout::cmdUpdate_Click() {
    const QUrl url(UpdateRequestUrl(AppVersion()));
    if (!open_ || !open_(url)) ShowOpenFailure(url);
}

void frmAbout::ShowOpenFailure(const QUrl& url) {
    auto* box = new QMessageBox(
        QMessageBox::Information, QString::fromLatin1(kAppTitle),
        QStringLiteral("No program could be started to open\n%1\n\nOpen it yourself with your "
                       "web browser or mail program.")
            .arg(url.toString()),
        QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("msgOpenFailed"));
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Window-modal and without a loop of its own: a job running meanwhile goes on.
    box->open();
}

}  // namespace vko
