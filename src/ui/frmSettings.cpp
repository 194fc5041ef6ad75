// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/SettingsForm.h"
#include "ui/WidgetNames.h"
#include "ui/WindowFit.h"

namespace vko {

namespace {

constexpr int kWidthInCharacters = 56;

}  // namespace

frmSettings::frmSettings(AppShell& shell, QWidget* parent, FolderPicker pick)
    : QDialog(parent), shell_(shell), pick_(std::move(pick)) {
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Settings"));
    if (parent) setWindowIcon(parent->windowIcon());
    BuildControls();
    FitToScreen(this);
    shell_.State().DialogResult = 0;
}

void frmSettings::BuildControls() {
    Frame3 = Named<QGroupBox>("Frame3", QStringLiteral("Compression Settings"));
    chkUseCompression = Named<QCheckBox>("chkUseCompression",
                                         QStringLiteral("Use co&mpression as default setting"));
    (new QVBoxLayout(Frame3))->addWidget(chkUseCompression);

    // A group's mnemonic takes the focus to its first field.
    Frame2 = Named<QGroupBox>("Frame2", QStringLiteral("&Default Folder"));
    Label1 = HelpLabel("Label1", QStringLiteral("The folder below is your default folder for "
                                              "storing/extracting Vaultkeeps. If the folder does "
                                              "not exist, it will be created."));
    txtPath = Named<QLineEdit>("txtPath");
    ShowWholeTextAsTip(txtPath);
    cmdBrowse = Named<QPushButton>("cmdBrowse", QStringLiteral("&Browse..."));
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(txtPath, 1);
    pathRow->addWidget(cmdBrowse);
    auto* folderBox = new QVBoxLayout(Frame2);
    folderBox->addWidget(Label1);
    folderBox->addLayout(pathRow);

    Frame1 = Named<QGroupBox>("Frame1", QStringLiteral("Vaultkeep &Password"));
    chkClearPassword =
        Named<QCheckBox>("chkClearPassword", QStringLiteral("Clear password &automatically"));
    txtPassword = Named<QLineEdit>("txtPassword");
    txtPassword->setEchoMode(QLineEdit::Password);
    Label2 = HelpLabel("Label2", QStringLiteral("Your password will be memorized as long as "
                                              "Vaultkeep is running. You can clear your password "
                                              "using the Options, Clear Password setting or by "
                                              "checking the Clear password automatically box."));
    auto* passwordBox = new QVBoxLayout(Frame1);
    passwordBox->addWidget(Label2);
    passwordBox->addWidget(txtPassword);
    passwordBox->addWidget(chkClearPassword);

    cmdOK = Named<QPushButton>("cmdOK", QStringLiteral("&OK"));
    cmdOK->setDefault(true);
    cmdCancel = Named<QPushButton>("cmdCancel", QStringLiteral("&Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* content = new QWidget;
    auto* fields = new QVBoxLayout(content);
    fields->setContentsMargins(0, 0, 0, 0);
    for (QWidget* frame : {Frame3, Frame2, Frame1}) fields->addWidget(frame);
    fields->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(VerticalScroller(content, kWidthInCharacters), 1);
    layout->addLayout(buttons);

    connect(chkClearPassword, &QCheckBox::toggled, this, &frmSettings::chkClearPassword_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmSettings::cmdBrowse_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmSettings::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmSettings::Fill() {
    const AppState& state = shell_.State();
    txtPath->setText(state.DefaultFolder);
    txtPassword->setText(state.MemorizedPassword);
    txtPassword->setCursorPosition(0);
    chkClearPassword->setChecked(state.ClearPassword != 0);
    chkUseCompression->setChecked(state.UseCompression != 0);
    txtPassword->selectAll();
}

void frmSettings::done(int result) {
    txtPassword->clear();
    QDialog::done(result);
}

void frmSettings::chkClearPassword_Click(bool ticked) {
    QPalette palette = txtPassword->palette();
    const QPalette system = QApplication::palette(txtPassword);
    palette.setColor(QPalette::Base, system.color(ticked ? QPalette::Button : QPalette::Base));
    txtPassword->setPalette(palette);
    txtPassword->setEnabled(!ticked);
    if (!ticked) return;
    txtPassword->clear();
    shell_.State().MemorizedPassword.clear();
}

void frmSettings::cmdBrowse_Click() {
    const QString path = pick_ ? pick_(this, QStringLiteral("Select Default Folder")) : QString();
    if (!path.isEmpty()) txtPath->setText(path);
    txtPath->setFocus();
}

void frmSettings::cmdOK_Click() {
    if (txtPath->text().trimmed().isEmpty()) {
        shell_.UserMessages().Inform(QStringLiteral("Please enter a default folder."));
        txtPath->setFocus();
        return;
    }
    SettingsForm form{txtPath->text(), txtPassword->text(), chkClearPassword->isChecked(),
                      chkUseCompression->isChecked()};
    txtPassword->clear();
    SettingsChanged = ApplySettingsForm(shell_.State(), form);
    WipeText(form.Password);
    if (SettingsChanged) {
        shell_.SaveSettings();
        shell_.SetStatus(QStringLiteral("Settings Saved"));
    }
    shell_.State().DialogResult = 1;
    accept();
}

}  // namespace vko
