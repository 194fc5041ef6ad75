// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmCreateBox.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/PasswordStrength.h"
#include "app/PathText.h"
#include "ui/WidgetNames.h"
#include "ui/WindowFit.h"

namespace vko {

namespace {

constexpr int kMaxBoxName = 255;  // the box format's limit
constexpr int kWidthInCharacters = 64;

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

QLabel* FieldLabel(const char* name, const QString& caption, QWidget* field) {
    QLabel* label = BoldLabel(name, caption);
    label->setBuddy(field);
    return label;
}

}  // namespace

frmCreateBox::frmCreateBox(Messages& messages, QWidget* parent, FilePickers pickers)
    : QDialog(parent), messages_(messages), pickers_(std::move(pickers)) {
    setObjectName(QStringLiteral("frmCreateBox"));
    setWindowTitle(QStringLiteral("Create Box"));
    if (parent) setWindowIcon(parent->windowIcon());
    BuildControls();
    FitToScreen(this);
}

QGroupBox* frmCreateBox::BuildProperties() {
    Frame1 = Named<QGroupBox>("Frame1", QStringLiteral("Vaultkeep Properties"));
    txtBoxName = Named<QLineEdit>("txtBoxName");
    txtBoxName->setMaxLength(kMaxBoxName);
    Label6 = FieldLabel("Label6", QStringLiteral("Box &Name:"), txtBoxName);
    Label1 = HelpLabel("Label1", QStringLiteral("Enter a name for your box. This is used to "
                                                "reference the contents of your box."));
    txtBoxFile = Named<QLineEdit>("txtBoxFile");
    Label7 = FieldLabel("Label7", QStringLiteral("Box &File:"), txtBoxFile);
    Label5 = HelpLabel("Label5",
                       QStringLiteral("Select a location and name for your box file. This file "
                                      "will contain the encrypted contents of the Folder To "
                                      "Box property below."));
    cmdFind = Button("cmdFind", QStringLiteral("C&hoose..."));
    txtPath = Named<QLineEdit>("txtPath");
    Label8 = FieldLabel("Label8", QStringLiteral("F&older To Box:"), txtPath);
    Label2 = HelpLabel("Label2", QStringLiteral("Select a folder to box. The contents of this "
                                                "folder will be stored in the box file selected "
                                                "above."));
    cmdBrowse = Button("cmdBrowse", QStringLiteral("&Browse..."));
    chkCompress = Named<QCheckBox>("chkCompress",
                                   QStringLiteral("Co&mpress Files (needs temp disk space)"));
    for (QLineEdit* path : {txtBoxFile, txtPath}) ShowWholeTextAsTip(path);

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
    txtPassword = Named<QLineEdit>("txtPassword");
    Label3 = FieldLabel("Label3", QStringLiteral("&Password:"), txtPassword);
    lblStrength = Named<QLabel>("lblStrength");
    lblStrength->setWordWrap(true);
    // Room for the longest estimate, so that the dialog does not jump while the user types.
    lblStrength->setMinimumHeight(lblStrength->fontMetrics().lineSpacing() * 3);
    lblStrength->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    txtPassword2 = Named<QLineEdit>("txtPassword2");
    Label4 = FieldLabel("Label4", QStringLiteral("&Re-Type Password:"), txtPassword2);
    for (QLineEdit* field : {txtPassword, txtPassword2}) field->setEchoMode(QLineEdit::Password);
    chkShowPassword = ShowPasswordBox("chkShowPassword", {txtPassword, txtPassword2});
    auto* layout = new QVBoxLayout(Frame2);
    for (QWidget* w : std::initializer_list<QWidget*>{Label3, txtPassword, lblStrength, Label4,
                                                      txtPassword2, chkShowPassword})
        layout->addWidget(w);
    connect(txtPassword, &QLineEdit::textChanged, this, &frmCreateBox::ShowStrength);
    return Frame2;
}

void frmCreateBox::BuildControls() {
    cmdCreate = Button("cmdCreate", QStringLiteral("&Create"));
    cmdCancel = Button("cmdCancel", QStringLiteral("C&ancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCreate);
    buttons->addWidget(cmdCancel);

    auto* content = new QWidget;
    auto* fields = new QVBoxLayout(content);
    fields->setContentsMargins(0, 0, 0, 0);
    fields->addWidget(BuildProperties());
    fields->addWidget(BuildPassword());
    fields->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(VerticalScroller(content, kWidthInCharacters), 1);
    layout->addLayout(buttons);

    ChainEnter(txtBoxName, txtBoxFile);
    ChainEnter(txtBoxFile, txtPath);
    ChainEnter(txtPath, txtPassword);
    ChainEnter(txtPassword, txtPassword2);
    connect(txtPassword2, &QLineEdit::returnPressed, this, &frmCreateBox::cmdCreate_Click);
    connect(cmdCreate, &QPushButton::clicked, this, &frmCreateBox::cmdCreate_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdFind, &QPushButton::clicked, this, &frmCreateBox::cmdFind_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmCreateBox::cmdBrowse_Click);
    ShowStrength();
}

void frmCreateBox::ShowStrength() {
    const QString password = txtPassword->text();
    if (password.isEmpty()) {
        lblStrength->setText(
            QStringLiteral("How hard the password is to guess shows here as you type."));
        return;
    }
    const PasswordStrength strength = EstimateStrength(
        password, {txtBoxName->text(), FilePart(txtPath->text()), FilePart(txtBoxFile->text())});
    // Weak passwords are told so, never refused: the choice stays the user's.
    const QString colour =
        strength.Weak() ? QStringLiteral("#b00000") : QStringLiteral("#006000");
    QString rest = strength.warning;
    if (!strength.suggestion.isEmpty()) rest += QLatin1Char(' ') + strength.suggestion;
    lblStrength->setText(QStringLiteral("<b style=\"color:%1\">Strength: %2.</b> %3")
                             .arg(colour, strength.rating.toHtmlEscaped(),
                                  rest.trimmed().toHtmlEscaped()));
}

void frmCreateBox::ChainEnter(QLineEdit* from, QWidget* to) {
    connect(from, &QLineEdit::returnPressed, to, [to] { to->setFocus(); });
}

void frmCreateBox::Fill(const CreateBoxForm& form) {
    proposedFolder_ = PathPart(form.BoxFile);
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
        // Two passwords that differ are both typed again: neither can be trusted.
        if (form.Password != form.Password2) ClearPasswords();
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
    // In the folder of the box file named, else where the box was proposed (the default
    // folder), never wherever the process happens to run.
    const QString named = PathPart(txtBoxFile->text());
    const QString start = !named.isEmpty() && QFileInfo(named).isDir() ? named : proposedFolder_;
    const QString path = pickers_
                             .save(this, name, start, QStringLiteral("Create Box"),
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
