// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/JobContext.h"
#include "engine/ExistingFiles.h"

namespace vko {

// The question about the files an extraction into folder would write that are already there
// (existing: their paths): how many, the first shownAtMost by their path below folder, how
// many more, and what each answer does.
[[nodiscard]] QString ExistingFilesQuestion(const std::vector<std::string>& existing,
                                            const QString& folder, const QLocale& locale,
                                            int shownAtMost = 5);

// For its lifetime, an extraction into folder asks once, before it writes anything, whether
// to replace the files already there, skip them, or cancel; without it the engine keeps them.
// around is called with true before the question and with false once it is answered (a job's
// stopwatch stops meanwhile).
class ExistingFilesPrompt {
public:
    ExistingFilesPrompt(JobContext& c, QString folder, std::function<void(bool)> around = {});
    ~ExistingFilesPrompt();
    ExistingFilesPrompt(const ExistingFilesPrompt&) = delete;
    ExistingFilesPrompt& operator=(const ExistingFilesPrompt&) = delete;

    // Whether the user answered Cancel: then nothing was written.
    [[nodiscard]] bool Cancelled() const noexcept { return answer_ == ExistingAnswer::kCancel; }
    // Whether the user chose to replace the files already there.
    [[nodiscard]] bool Replaced() const noexcept { return answer_ == ExistingAnswer::kReplace; }

private:
    JobContext& c_;
    std::optional<ExistingAnswer> answer_;
};

// The records of the box read last that its last extraction into folder left as they were
// there.
class SkippedRecords {
public:
    SkippedRecords(const CCipherBlock& engine, const QString& folder);
    // Record index, from 0.
    [[nodiscard]] bool Contains(int32_t index) const;
    [[nodiscard]] int64_t Count() const noexcept { return static_cast<int64_t>(paths_.size()); }

private:
    const CCipherBlock& engine_;
    std::string base_;
    std::unordered_set<std::string> paths_;
};

// "; 3 existing files skipped", or nothing when none was.
[[nodiscard]] QString SkippedText(int64_t skipped, const QLocale& locale);

// The status line of an extraction into folder cancelled at the question.
[[nodiscard]] QString NothingExtractedLine(const QString& folder);

}  // namespace vko
