// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "app/BoxContents.h"
#include "app/CreateBoxForm.h"

namespace vko {

// How the box contents window was left: Result 0 closed, 1 "Extract All", 2 "Extract" of the
// rows in ExtractList (ascending row numbers joined by ";"), 3 "Verify".
struct ContentsChoice {
    int16_t Result = 0;
    QString ExtractList;
};

// The modal questions of the jobs and box commands. The program shows its dialogs; tests
// answer through their own implementation so that nothing ever blocks.
class JobDialogs {
public:
    virtual ~JobDialogs() = default;

    // The Create Box dialog filled with proposal; the confirmed fields, or nothing when it was
    // cancelled or closed.
    [[nodiscard]] virtual std::optional<CreateBoxForm> CreateBox(const CreateBoxForm& proposal) = 0;
    // The password prompt captioned caption, its text prefilled and selected; the typed text
    // on OK (Enter and Escape included), nothing on Cancel.
    [[nodiscard]] virtual std::optional<QString> Password(const QString& caption,
                                                          const QString& password) = 0;
    // The extraction-folder prompt with proposal; the folder on OK, nothing on Cancel.
    [[nodiscard]] virtual std::optional<QString> ExtractFolder(const QString& proposal) = 0;
    // The box contents window, modal.
    [[nodiscard]] virtual ContentsChoice Contents(const BoxContents& contents) = 0;
    // The "Open Box" file picker starting in startFolder; a text that trims to empty when the
    // user cancelled.
    [[nodiscard]] virtual QString OpenBox(const QString& startFolder) = 0;
    // The folder browser for "&New Box"; empty when cancelled.
    [[nodiscard]] virtual QString FolderToBox() = 0;
};

}  // namespace vko
