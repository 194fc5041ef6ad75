// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "app/FolderViews.h"
#include "app/JobContext.h"

namespace vko {

// Opening a box to show what it holds, and carrying out the choice made in its contents
// window: the whole box as an extract job, or the chosen files at once.
class BoxCommands {
public:
    explicit BoxCommands(JobContext& context)
        : c_(context), views_(context.shell.UserMessages()) {}

    // Asks for the password when none is memorized, reads the box's header and shows the
    // contents window; a choice made there arms the deferred-action timer.
    void ViewBox(const QString& boxFile);
    // Run from the deferred-action timer once the contents window has closed: extracts, or
    // verifies, the box shown.
    void BeginBoxExtraction();

private:
    void ExtractSelected(const QString& boxFile, const QString& target);
    // Checks every file of boxFile against its tag, writing nothing, and says what it found.
    void VerifyBox(const QString& boxFile);
    // Opens boxFile for taking chosen files into target; false (after saying why) when it
    // does not open.
    [[nodiscard]] bool OpenForChosen(const QString& boxFile, const QString& target);

    // Opens the box shown as a folder (once; later calls return the same folder).
    [[nodiscard]] QString OpenAsFolder(const QString& boxFile, const QString& name,
                                       QString& folder);

    JobContext& c_;
    FolderViews views_;
    QString viewedRoot_;       // the root folder of the box shown last
    int64_t viewedFiles_ = 0;  // ... and its number of files
};

// The entries of an ExtractList ("2;7") as file numbers; entries that are not numbers are
// left out.
[[nodiscard]] QList<int32_t> ExtractListEntries(const QString& list);

// "Extracted 1 file in ..." or "Extracted N files in ..." (0 too: all were skipped);
// "Extracted with warnings in ..." when files were named in a message, since some of those
// chosen may not have been written.
[[nodiscard]] QString ExtractedFilesLine(qsizetype count, const QString& seconds,
                                         const QLocale& locale, bool warned = false);

}  // namespace vko
