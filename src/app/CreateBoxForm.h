// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "app/AppState.h"

namespace vko {

// The fields of the Create Box dialog.
struct CreateBoxForm {
    QString BoxName;
    QString BoxFile;
    QString Path;  // the folder to box
    QString Password;
    QString Password2;
    int16_t Compress = 0;  // check-box value, 0 or 1

    bool operator==(const CreateBoxForm&) const = default;
};

// The field a validation message sends the user back to.
enum class CreateBoxField { Path, BoxFile, Password };

struct CreateBoxProblem {
    QString message;
    CreateBoxField focus;
};

// The first reason the form cannot be used, checked in a fixed order: passwords that differ,
// then an empty folder, box file and password, then a box file that is a folder. Only a text
// of length 0 is empty.
[[nodiscard]] std::optional<CreateBoxProblem> CheckCreateBox(const CreateBoxForm& form);

// What the dialog proposes for the queued folder item: a box file in the default folder named
// after the folder ("untitled.vkx" and "Untitled" for a path ending in a separator), the
// memorized password twice and the default compression.
[[nodiscard]] CreateBoxForm ProposeCreateBox(const QString& item, const AppState& state);

// Takes the dialog's answer into the shared state, wiping the answer's passwords. A dialog
// closed without success (no answer) empties the box name, folder, password and file; the
// compression choice stays.
void ApplyCreateBox(AppState& state, std::optional<CreateBoxForm> answer);

// The question to ask before the new box replaces a file of the same name; nothing when no
// such file exists.
[[nodiscard]] std::optional<QString> ReplaceQuestion(const CreateBoxForm& form);

}  // namespace vko
