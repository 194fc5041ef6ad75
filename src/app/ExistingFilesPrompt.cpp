// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExistingFilesPrompt.h"

#include "app/AmountText.h"
#include "app/BoxContents.h"
#include "app/PathText.h"
#include "app/ProblemText.h"

namespace vko {

QString ExistingFilesQuestion(const std::vector<std::string>& existing, const QString& folder,
                              const QLocale& locale, int shownAtMost) {
    const auto count = static_cast<qlonglong>(existing.size());
    QString text = QLatin1Char('"') + folder + QStringLiteral("\" already holds ") +
                   (count == 1 ? QStringLiteral("a file")
                               : locale.toString(count) + QStringLiteral(" files")) +
                   QStringLiteral(" that this box would write:\n");
    // The names below the folder the user chose; the folder is named once above.
    text += PathsBelow(existing, folder, locale, shownAtMost);
    const bool one = count == 1;
    const QString them = one ? QStringLiteral("it") : QStringLiteral("them");
    return text + QStringLiteral("\n\nReplace ") + them +
           (one ? QStringLiteral(" with the box's version, skip ")
                : QStringLiteral(" with the box's versions, skip ")) +
           them + QStringLiteral(" and extract the rest, or cancel and extract nothing?");
}

ExistingFilesPrompt::ExistingFilesPrompt(JobContext& c, QString folder,
                                         std::function<void(bool)> around)
    : c_(c) {
    c_.shell.Vaultkeep().SetExistingFiles(ExistingFiles::kAsk);
    c_.shell.Host().AnswerExistingWith(
        [this, folder = std::move(folder),
         around = std::move(around)](const std::vector<std::string>& existing) {
            if (around) around(true);
            answer_ = c_.shell.UserMessages().AskExistingFiles(
                ExistingFilesQuestion(existing, folder, c_.locale));
            if (around) around(false);
            return *answer_;
        });
}

ExistingFilesPrompt::~ExistingFilesPrompt() {
    c_.shell.Host().AnswerExistingWith({});
    c_.shell.Vaultkeep().SetExistingFiles(ExistingFiles::kKeep);
}

SkippedRecords::SkippedRecords(const CCipherBlock& engine, const QString& folder)
    : engine_(engine),
      base_(PathBytes(WithSeparator(folder))),
      paths_(engine.Skipped().begin(), engine.Skipped().end()) {}

bool SkippedRecords::Contains(int32_t index) const {
    return !paths_.empty() && paths_.contains(base_ + EntryPath(engine_, engine_.Record(index)));
}

QString SkippedText(int64_t skipped, const QLocale& locale) {
    if (skipped <= 0) return {};
    return QStringLiteral("; ") + locale.toString(static_cast<qlonglong>(skipped)) +
           (skipped == 1 ? QStringLiteral(" existing file skipped")
                         : QStringLiteral(" existing files skipped"));
}

QString NothingExtractedLine(const QString& folder) {
    return QStringLiteral("Extraction cancelled: nothing was written into ") + folder;
}

}  // namespace vko
