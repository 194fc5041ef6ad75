#include "ui/frmCreateBox.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/WidgetNames.h"

namespace vko {

namespace {

constexpr int kMaxBoxName = 255;  // the box format's limit

QPushButton* Button(const char* name, const QString& caption) {
    auto* button = Named<QPushButton>(name, caption);
    // Enter in the fields walks the chain below; no button takes it over.
    button->setAutoDefault(false);
    return button;
}

QHBoxLayout* Row(QWidget* field, QWidget* button) {
    auto* row = new QHBoxLayout;
    row->addWidget(field, 1);
    row->addWidget(button);
    return row;
}

}  // namespace

frmCreateBox::frmCreateBox(Messages& messages, QWidget* parent, FilePickers pickers)
    : QDialog(parent), messages_(messages), pickers_(std::move(pickers)) {
    setObjectName(QStringLiteral("frmCreateBox"));
    setWindowTitle(QStringLiteral("Create Box"));
    if (parent) setWindowIcon(parent->windowIcon());
    BuildControls();
}

QGroupBox* frmCreateBox::BuildProperties() {
    Frame1 = Named<QGroupBox>("Frame1", QStringLiteral("Vaultkeep Properties"));
    Label6 = BoldLabel("Label6", QStringLiteral("Box &Name:"));
    Label1 = HelpLabel("Label1", QStringLiteral("Enter a name for your box. This is used to "
                                                "reference the contents of your box."));
    txtBoxName = Named<QLineEdit>("txtBoxName");
    txtBoxName->setMaxLength(kMaxBoxName);
    Label6->setBuddy(txtBoxName);
    Label7 = BoldLabel("Label7", QStringLiteral("Box File:"));
    Label5 = HelpLabel("Label5",
                       QStringLiteral("Select a location and name for your box file. This file "
                                      "will contain the encrypted contents of of the Folder To "
                                      "Box property below."));
    txtBoxFile = Named<QLineEdit>("txtBoxFile");
    cmdFind = Button("cmdFind", QStringLiteral("..."));
    Label8 = BoldLabel("Label8", QStringLiteral("Folder To Box:"));
    Label2 = HelpLabel("Label2", QStringLiteral("Select a folder to box. The contents of this "
                                                "folder will be stored in the box file selected "
                                                "above."));
    txtPath = Named<QLineEdit>("txtPath");
    cmdBrowse = Button("cmdBrowse", QStringLiteral("..."));
    chkCompress =
        Named<QCheckBox>("chkCompress", QStringLiteral("Compress Files (needs temp disk space)"));
    for (QPushButton* picker : {cmdFind, cmdBrowse}) picker->setFixedWidth(32);

    auto* layout = new QVBoxLayout(Frame1);
    for (QWidget* w : std::initializer_list<QWidget*>{Label6, Label1, txtBoxName, Label7, Label5})
        layout->addWidget(w);
    layout->addLayout(Row(txtBoxFile, cmdFind));
    layout->addWidget(Label8);
    layout->addWidget(Label2);
    layout->addLayout(Row(txtPath, cmdBrowse));
    layout->addWidget(chkCompress);
    return Frame1;
}

QGroupBox* frmCreateBox::BuildPassword() {
    Frame2 = Named<QGroupBox>("Frame2", QStringLiteral("Vaultkeep Password"));
    Label3 = BoldLabel("Label3", QStringLiteral("Password:"));
    txtPassword = Named<QLineEdit>("txtPassword");
    Label4 = BoldLabel("Label4", QStringLiteral("Re-Type Password:"));
    txtPassword2 = Named<QLineEdit>("txtPassword2");
    for (QLineEdit* field : {txtPassword, txtPassword2}) field->setEchoMode(QLineEdit::Password);
    auto* layout = new QVBoxLayout(Frame2);
    layout->addWidget(Label3);
    layout->addWidget(txtPassword);
    layout->addWidget(Label4);
    layout->addWidget(txtPassword2);
    return Frame2;
}

void frmCreateBox::BuildControls() {
    cmdCreate = Button("cmdCreate", QStringLiteral("Create"));
    cmdCancel = Button("cmdCancel", QStringLiteral("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCreate);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildProperties());
    layout->addWidget(BuildPassword());
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ChainEnter(txtBoxName, txtBoxFile);
    ChainEnter(txtBoxFile, txtPath);
    ChainEnter(txtPath, txtPassword);
    ChainEnter(txtPassword, txtPassword2);
    connect(txtPassword2, &QLineEdit::returnPressed, this, &frmCreateBox::cmdCreate_Click);
    connect(cmdCreate, &QPushButton::clicked, this, &frmCreateBox::cmdCreate_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdFind, &QPushButton::clicked, this, &frmCreateBox::cmdFind_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmCreateBox::cmdBrowse_Click);
}

void frmCreateBox::ChainEnter(QLineEdit* from, QWidget* to) {
    connect(from, &QLineEdit::returnPressed, to, [to] { to->setFocus(); });
}

void frmCreateBox::Fill(const CreateBoxForm& form) {
    txtBoxName->setText(form.BoxName);
    txtBoxFile->setText(form.BoxFile);
    txtPath->setText(form.Path);
    chkCompress->setChecked(form.Compress != 0);
    txtPassword->setText(form.Password);
    txtPassword2->setText(form.Password2);
}

CreateBoxForm frmCreateBox::Form() const {
    return {txtBoxName->text(),  txtBoxFile->text(),   txtPath->text(),
            txtPassword->text(), txtPassword2->text(), int16_t(chkCompress->isChecked() ? 1 : 0)};
}

CreateBoxForm frmCreateBox::TakeForm() {
    const CreateBoxForm form = Form();
    ClearPasswords();
    return form;
}

void frmCreateBox::ClearPasswords() {
    txtPassword->clear();
    txtPassword2->clear();
}

void frmCreateBox::done(int result) {
    if (!Accepted_) ClearPasswords();
    QDialog::done(result);
}

bool frmCreateBox::MayReplace(const CreateBoxForm& form) {
    const auto question = ReplaceQuestion(form);
    if (!question || form.BoxFile == replaceConfirmed_) return true;
    return messages_.AskYesNo(*question, Messages::Answer::No);
}

void frmCreateBox::cmdCreate_Click() {
    const CreateBoxForm form = Form();
    if (const auto problem = CheckCreateBox(form)) {
        messages_.Inform(problem->message);
        switch (problem->focus) {
            case CreateBoxField::Path:
                txtPath->setFocus();
                break;
            case CreateBoxField::BoxFile:
                txtBoxFile->setFocus();
                break;
            case CreateBoxField::Password:
                txtPassword->setFocus();
                break;
        }
        return;
    }
    if (!MayReplace(form)) {
        txtBoxFile->setFocus();
        txtBoxFile->selectAll();
        return;
    }
    Accepted_ = true;
    accept();
}

void frmCreateBox::cmdFind_Click() {
    QString name = txtBoxName->text() + QStringLiteral(".vkx");
    const QString path = pickers_
                             .save(this, name, QString(), QStringLiteral("Create Box"),
                                   kBoxFileFilter, QStringLiteral("vkx"))
                             .trimmed();
    // A cancelled picker keeps the file the user had. The picker itself asks before an
    // existing file is chosen.
    if (!path.isEmpty()) {
        txtBoxFile->setText(path);
        replaceConfirmed_ = QFileInfo::exists(path) ? path : QString();
    }
    txtBoxFile->setFocus();
}

void frmCreateBox::cmdBrowse_Click() {
    const QString folder = pickers_.folder(this, QString());
    if (!folder.isEmpty()) txtPath->setText(folder);
    txtPath->setFocus();
}

}  // namespace vko
