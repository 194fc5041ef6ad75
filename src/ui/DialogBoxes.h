// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include "app/JobDialogs.h"
#include "app/Messages.h"
#include "app/SettingsStore.h"
#include "platform/cDialog.h"

namespace vko {

// The program's own dialogs behind the jobs' questions, each loaded fresh for one question
// and shown modally over owner.
class DialogBoxes : public JobDialogs {
public:
    // sizes keeps the sizes windows are left at (none: not kept).
    DialogBoxes(QWidget* owner, Messages& messages, FilePickers pickers = {},
                const SettingsStore* sizes = nullptr);

    std::optional<CreateBoxForm> CreateBox(const CreateBoxForm& proposal) override;
    std::optional<QString> Password(const QString& caption, const QString& password) override;
    std::optional<QString> ExtractFolder(const QString& proposal) override;
    ContentsChoice Contents(const BoxContents& contents) override;
    QString OpenBox(const QString& startFolder) override;
    QString FolderToBox() override;

private:
    QPointer<QWidget> owner_;
    Messages& messages_;
    FilePickers pickers_;
    const SettingsStore* sizes_;
};

}  // namespace vko
