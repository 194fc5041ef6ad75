// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <cstdint>

namespace vko {

// The texts of the status line, the caption and the tray tip.

// " " + "HH:NN AMPM" + ": " + message, on a 12-hour clock with the locale's own morning and
// afternoon designators.
[[nodiscard]] QString StatusLineText(const QString& message, const QTime& now,
                                     const QLocale& locale);

// "Vaultkeep Orb - " + message, or "Vaultkeep Orb v" + version for the empty message.
[[nodiscard]] QString CaptionText(const QString& message, const QString& version);

// "Vaultkeep Orb v" + version, with " (Busy)" while busy.
[[nodiscard]] QString TrayTipText(bool busy, const QString& version);

// How the busy indicator looks for SetIcon's 0 (idle) and anything else (busy).
struct IndicatorLook {
    uint32_t backColor = 0;  // 0xRRGGBB
    QString caption;
    QString toolTip;
};
[[nodiscard]] IndicatorLook IndicatorFor(int16_t icon);

}  // namespace vko
