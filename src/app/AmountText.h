// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

namespace vko {

// How far an engine call has got, in the numbers a person reads. Counts are 64-bit: a box may
// hold more than the 32-bit range.
struct ProgressFigures {
    int64_t done = 0;          // bytes
    int64_t total = 0;         // bytes
    int64_t filesDone = 0;
    int64_t filesTotal = 0;    // 0: not known
    int64_t milliseconds = 0;  // since the first byte
};

// floor(part / total * 100), within 0 to 100; 0 for a zero or negative total.
[[nodiscard]] int Percent(int64_t part, int64_t total);

// A size as people read it: "512 bytes", "1.5 KB", "12.34 MB", "1.50 GB" (units of 1,024).
[[nodiscard]] QString SizeText(int64_t bytes, const QLocale& locale);

// "12.3 MB of 456.7 MB · 3 of 120 files · 45.6 MB/s · 12 s left": the files, the speed and the
// time left only where known, the speed from the first full second on.
[[nodiscard]] QString ProgressText(const ProgressFigures& figures, const QLocale& locale);

// "1 file" or "1,234 files".
[[nodiscard]] QString FileCountText(int64_t files, const QLocale& locale);

}  // namespace vko
