#pragma once

#include <QPointer>
#include <QWidget>

#include "app/JobDialogs.h"
#include "app/Messages.h"
#include "platform/cDialog.h"

namespace vko {

// The program's own dialogs behind the jobs' questions, each loaded fresh for one question
// and shown modally over owner.
class DialogBoxes : public JobDialogs {
public:
    DialogBoxes(QWidget* owner, Messages& messages, FilePickers pickers = {});

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
};

}  // namespace vko
