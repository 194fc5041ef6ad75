#include "ui/frmExtractFolder.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/WidgetNames.h"

namespace vko {

frmExtractFolder::frmExtractFolder(QWidget* parent, FolderPicker pick)
    : OkCancelDialog(parent), pick_(std::move(pick)) {
    setObjectName(QStringLiteral("frmExtractFolder"));
    setWindowTitle(QStringLiteral("Select Extraction Folder..."));
    Frame2 = Named<QGroupBox>("Frame2", QStringLiteral("Extraction Folder"));
    Label1 = HelpLabel("Label1", QStringLiteral("The folder below is your default folder for "
                                                "storing Vaultkeeps. If the folder does not "
                                                "exist, it will be created."));
    txtPath = Named<QLineEdit>("txtPath");
    cmdBrowse = Named<QPushButton>("cmdBrowse", QStringLiteral("..."));
    cmdBrowse->setFixedWidth(32);
    cmdBrowse->setAutoDefault(false);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(txtPath, 1);
    pathRow->addWidget(cmdBrowse);
    auto* frame = new QVBoxLayout(Frame2);
    frame->addWidget(Label1);
    frame->addLayout(pathRow);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame2);
    layout->addLayout(ButtonRow());
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdBrowse, &QPushButton::clicked, this, &frmExtractFolder::cmdBrowse_Click);
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

}  // namespace vko
