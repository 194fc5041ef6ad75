// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/JobContext.h"
#include "engine/FileProblem.h"

namespace vko {

// The question about the files (damaged: their paths) an extraction of box into folder left out
// because their contents do not match their tags: how many, the first shownAtMost by their path
// below folder, how many more, and what each answer does.
[[nodiscard]] QString DamagedFilesQuestion(const std::vector<std::string>& damaged,
                                           const QString& box, const QString& folder,
                                           const QLocale& locale, int shownAtMost = 5);

// The files the engine's last extraction into a folder left out because their contents do not
// match their tags. The engine never writes them unasked; the user is asked once per job
// whether to write them as they are, and each one written is still named as damaged.
class DamagedFilesPrompt {
public:
    // Takes the files the engine has just left out of the box it read last.
    DamagedFilesPrompt(JobContext& c, QString box, QString folder);

    // Asks once, naming them, whether to write them anyway; false without asking when none was
    // left out. around is called with true before the question and with false after it.
    [[nodiscard]] bool Ask(const std::function<void(bool)>& around = {});
    // Writes them as they are through the engine's single-file session, which must hold the
    // same box; stops at a cancel.
    void WriteAnyway();
    // problems, with each file written anyway named once, by what became of it last, and what
    // two runs over the same box both said named once.
    [[nodiscard]] std::vector<FileProblem> Settle(const std::vector<FileProblem>& problems) const;
    // Whether the user asked for them.
    [[nodiscard]] bool Written() const noexcept { return !written_.empty(); }

private:
    JobContext& c_;
    QString box_;
    QString folder_;
    std::vector<std::string> paths_;  // as the engine named them
    std::vector<int32_t> numbers_;    // their records, from 1
    std::set<std::string> written_;   // the paths of those asked for
};

// After an extraction of the whole box into folder (replace: files already there were to be
// replaced): asks about the files it left out as damaged and writes those asked for, opening the
// box once more. The job's problems as they stand in the end, and whether any was asked for.
struct DamagedOutcome {
    std::vector<FileProblem> problems;
    bool written = false;
};
[[nodiscard]] DamagedOutcome OfferDamagedFiles(JobContext& c, const QString& box,
                                               const QString& folder, bool replace,
                                               const std::function<void(bool)>& around);

}  // namespace vko
