// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatusText.h"

#include "app/AppInfo.h"

namespace vko {

QString StatusLineText(const QString& message, const QTime& now, const QLocale& locale) {
    const int hour12 = now.hour() % 12 == 0 ? 12 : now.hour() % 12;
    const QString designator = now.hour() < 12 ? locale.amText() : locale.pmText();
    return QStringLiteral(" %1:%2 %3: %4")
        .arg(hour12, 2, 10, QLatin1Char('0'))
        .arg(now.minute(), 2, 10, QLatin1Char('0'))
        .arg(designator, message);
}

QString CaptionText(const QString& message, const QString& version) {
    const QString title = QString::fromLatin1(kAppTitle);
    if (message.isEmpty()) return title + QStringLiteral(" v") + version;
    return title + QStringLiteral(" - ") + message;
}

QString TrayTipText(bool busy, const QString& version) {
    QString tip = QString::fromLatin1(kAppTitle) + QStringLiteral(" v") + version;
    if (busy) tip += QStringLiteral(" (Busy)");
    return tip;
}

IndicatorLook IndicatorFor(int16_t icon) {
    if (icon != 0) return {0xFF0000, QString(), QStringLiteral("Busy")};
    return {0x008000, QStringLiteral("OK"), QStringLiteral("Idle")};
}

}  // namespace vko
