// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DialogBoxes.h"

#include "ui/WidgetNames.h"
#include "ui/frmBlock.h"
#include "ui/frmCreateBox.h"
#include "ui/frmExtractFolder.h"
#include "ui/frmPassword.h"

namespace vko {

DialogBoxes::DialogBoxes(QWidget* owner, Messages& messages, FilePickers pickers,
                         const SettingsStore* sizes)
    : owner_(owner), messages_(messages), pickers_(std::move(pickers)), sizes_(sizes) {}

std::optional<CreateBoxForm> DialogBoxes::CreateBox(const CreateBoxForm& proposal) {
    frmCreateBox dialog(messages_, owner_, pickers_);
    dialog.Fill(proposal);
    dialog.exec();
    if (!dialog.Accepted()) return std::nullopt;
    return dialog.TakeForm();
}

std::optional<QString> DialogBoxes::Password(const QString& caption, const QString& password) {
    frmPassword dialog(owner_);
    dialog.Fill(caption, password);
    dialog.exec();
    if (!dialog.Confirmed()) return std::nullopt;
    return dialog.TakePassword();
}

std::optional<QString> DialogBoxes::ExtractFolder(const QString& proposal) {
    frmExtractFolder dialog(owner_, pickers_.folder);
    dialog.Fill(proposal);
    dialog.exec();
    if (!dialog.Confirmed()) return std::nullopt;
    return dialog.Folder();
}

ContentsChoice DialogBoxes::Contents(const BoxContents& contents) {
    frmBlock window(owner_, sizes_);
    window.Fill(contents);
    window.exec();
    return window.Choice();
}

QString DialogBoxes::OpenBox(const QString& startFolder) {
    QString name;
    return pickers_.open(owner_, name, startFolder, QStringLiteral("Open Box"), kBoxFileFilter,
                         QString());
}

QString DialogBoxes::FolderToBox() {
    return pickers_.folder(owner_, QStringLiteral("Select Folder to Box"));
}

}  // namespace vko
