#include "ui/frmExtractFolder.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/WidgetNames.h"

namespace vko {

frmExtractFolder::frmExtractFolder(QWidget* parent, FolderPicker pick)
    : QDialog(parent), pick_(std::move(pick)) {
    setObjectName(QStringLiteral("frmExtractFolder"));
    setWindowTitle(QStringLiteral("Select Extraction Folder..."));
    if (parent) setWindowIcon(parent->windowIcon());
    Frame2 = Named<QGroupBox>("Frame2", QStringLiteral("Extraction Folder"));
    Label1 = HelpLabel("Label1", QStringLiteral("The folder below is your default folder for "
                                                "storing Vaultkeeps. If the folder does not "
                                                "exist, it will be created."));
    txtPath = Named<QLineEdit>("txtPath");
    cmdBrowse = Named<QPushButton>("cmdBrowse", QStringLiteral("..."));
    cmdBrowse->setFixedWidth(32);
    cmdBrowse->setAutoDefault(false);
    cmdOK = Named<QPushButton>("cmdOK", QStringLiteral("OK"));
    cmdOK->setDefault(true);
    cmdCancel = Named<QPushButton>("cmdCancel", QStringLiteral("Cancel"));

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(txtPath, 1);
    pathRow->addWidget(cmdBrowse);
    auto* frame = new QVBoxLayout(Frame2);
    frame->addWidget(Label1);
    frame->addLayout(pathRow);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdBrowse, &QPushButton::clicked, this, &frmExtractFolder::cmdBrowse_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmExtractFolder::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmExtractFolder::Fill(const QString& folder) {
    txtPath->setText(folder);
    txtPath->selectAll();
    txtPath->setFocus();
}

QString frmExtractFolder::Folder() const {
    return txtPath->text();
}

void frmExtractFolder::cmdBrowse_Click() {
    const QString folder =
        pick_ ? pick_(this, QStringLiteral("Select Extraction Folder")) : QString();
    if (!folder.isEmpty()) txtPath->setText(folder);
    txtPath->setFocus();
}

void frmExtractFolder::keyPressEvent(QKeyEvent* event) {
    // OK is this dialog's cancel button too.
    if (event->key() == Qt::Key_Escape) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmExtractFolder::cmdOK_Click() {
    confirmed_ = true;
    accept();
}

}  // namespace vko
