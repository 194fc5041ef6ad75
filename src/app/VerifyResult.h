// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

#include "app/JobContext.h"

namespace vko {

// The status line of a verification of box that read files files and found damaged of them
// damaged (sealed: the box's seal held): "All 3 files of B.vkx verified in 0.20 seconds", or
// "B.vkx checked in 0.20 seconds: 1 of 3 files damaged", "...: not sealed, ...".
[[nodiscard]] QString VerifiedLine(const QString& box, int64_t files, int64_t damaged, bool sealed,
                                   const QString& seconds, const QLocale& locale);

// The one result of the verification of boxFile the engine has just finished: the status line,
// and a message that either says every file verified or names what is damaged.
void ReportVerification(JobContext& c, const QString& boxFile, const QString& seconds);

}  // namespace vko
