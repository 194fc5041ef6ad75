// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vko {

// What extraction does where a file it would write is already there (whatever is there: a
// file, a link, a folder). A file is never replaced without the caller having said so.
enum class ExistingFiles {
    kKeep,     // keep it, and name it as a problem ("exists, kept")
    kReplace,  // replace it
    kSkip,     // keep it without a word
    kAsk,      // ask the host once per job, before anything is written
};

// The host's answer when asked about the files already there.
enum class ExistingAnswer {
    kReplace,  // replace them all
    kSkip,     // keep them all, without a word
    kCancel,   // end the job as cancelled; nothing is written
};

}  // namespace vko
