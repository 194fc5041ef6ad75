// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CreateBoxForm.h"

#include <QFileInfo>

#include "app/PathText.h"

namespace vko {

std::optional<CreateBoxProblem> CheckCreateBox(const CreateBoxForm& form) {
    if (form.Password != form.Password2)
        return CreateBoxProblem{QStringLiteral("Passwords don't match"), CreateBoxField::Password};
    if (form.Path.isEmpty())
        return CreateBoxProblem{QStringLiteral("Folder not specified"), CreateBoxField::Path};
    if (form.BoxFile.isEmpty())
        return CreateBoxProblem{QStringLiteral("Box file not specified"), CreateBoxField::BoxFile};
    if (form.Password.isEmpty())
        return CreateBoxProblem{QStringLiteral("Password not specified"), CreateBoxField::Password};
    if (QFileInfo(form.BoxFile).isDir())
        return CreateBoxProblem{
            QStringLiteral("The box file \"%1\" is a folder. Choose a file name for the box.")
                .arg(form.BoxFile),
            CreateBoxField::BoxFile};
    return std::nullopt;
}

std::optional<QString> ReplaceQuestion(const CreateBoxForm& form) {
    if (!QFileInfo::exists(form.BoxFile)) return std::nullopt;
    return QStringLiteral("The box file \"%1\" already exists.\n\nReplace it with the new box?")
        .arg(form.BoxFile);
}

CreateBoxForm ProposeCreateBox(const QString& item, const AppState& state) {
    const QString folder = WithSeparator(state.DefaultFolder);
    const QString name = FilePart(item);
    CreateBoxForm form;
    form.BoxName = name.isEmpty() ? QStringLiteral("Untitled") : name;
    form.BoxFile =
        folder + (name.isEmpty() ? QStringLiteral("untitled") : name) + QStringLiteral(".vkx");
    form.Path = item;
    form.Password = state.MemorizedPassword;
    form.Password2 = state.MemorizedPassword;
    form.Compress = state.UseCompression == 0 ? 0 : 1;
    return form;
}

void ApplyCreateBox(AppState& state, std::optional<CreateBoxForm> answer) {
    if (!answer) {
        state.BoxName.clear();
        state.BoxFolder.clear();
        state.MemorizedPassword.clear();
        state.BoxFile.clear();
        return;
    }
    state.BoxName = answer->BoxName;
    state.BoxFolder = answer->Path;
    state.MemorizedPassword = answer->Password;
    WipeText(answer->Password);
    WipeText(answer->Password2);
    state.BoxFile = answer->BoxFile;
    state.BoxCompression = answer->Compress;
}

}  // namespace vko
