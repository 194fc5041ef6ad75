// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AmountText.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace vko {

namespace {

constexpr int64_t kKilo = 1024;
constexpr int64_t kMega = kKilo * 1024;
constexpr int64_t kGiga = kMega * 1024;

// "12 s left", "3 min left", "1 h 5 min left": rounded up, never "0 s" while work is left.
QString TimeLeftText(int64_t seconds) {
    if (seconds < 60) return QStringLiteral("%1 s left").arg(std::max<int64_t>(seconds, 1));
    const int64_t minutes = (seconds + 59) / 60;
    if (minutes < 60) return QStringLiteral("%1 min left").arg(minutes);
    return QStringLiteral("%1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}

}  // namespace

int Percent(int64_t part, int64_t total) {
    if (total <= 0) return 0;
    const double share = std::floor(static_cast<double>(part) / static_cast<double>(total) * 100.0);
    return static_cast<int>(std::clamp(share, 0.0, 100.0));
}

QString SizeText(int64_t bytes, const QLocale& locale) {
    if (bytes == 1) return QStringLiteral("1 byte");
    if (bytes < kKilo) return locale.toString(static_cast<qlonglong>(bytes)) + QStringLiteral(" bytes");
    const auto in = [&](int64_t unit, int decimals, const char* name) {
        return locale.toString(static_cast<double>(bytes) / static_cast<double>(unit), 'f',
                               decimals) +
               QLatin1Char(' ') + QLatin1String(name);
    };
    if (bytes < kMega) return in(kKilo, 1, "KB");
    if (bytes < kGiga) return in(kMega, 2, "MB");
    return in(kGiga, 2, "GB");
}

QString FileCountText(int64_t files, const QLocale& locale) {
    return locale.toString(static_cast<qlonglong>(files)) +
           (files == 1 ? QStringLiteral(" file") : QStringLiteral(" files"));
}

QString ProgressText(const ProgressFigures& f, const QLocale& locale) {
    QStringList parts{SizeText(f.done, locale) + QStringLiteral(" of ") + SizeText(f.total, locale)};
    if (f.filesTotal > 0)
        parts << locale.toString(static_cast<qlonglong>(f.filesDone)) + QStringLiteral(" of ") +
                     FileCountText(f.filesTotal, locale);
    if (f.milliseconds >= 1000 && f.done > 0) {
        const double perSecond = static_cast<double>(f.done) * 1000.0 / static_cast<double>(f.milliseconds);
        parts << SizeText(static_cast<int64_t>(perSecond), locale) + QStringLiteral("/s");
        const int64_t left = f.total - f.done;
        if (left > 0) parts << TimeLeftText(static_cast<int64_t>(std::ceil(static_cast<double>(left) / perSecond)));
    }
    return parts.join(QStringLiteral(" · "));
}

}  // namespace vko
