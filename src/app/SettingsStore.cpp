// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsStore.h"

#include <QSettings>
#include <limits>

#include "app/AppInfo.h"

namespace vko {

namespace {

const QString kCurrentGroup = QString::fromLatin1(kAppTitle);
const QString kLegacyGroup = QStringLiteral("Settings");
const QString kWindowsGroup = QStringLiteral("Window Sizes");

QString SettingText(const QSettings& settings, const QString& key) {
    // A stored text with commas reads back as a list; join it again rather than lose it.
    const QVariant v = settings.value(key);
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

}  // namespace

int16_t SettingToInt16(const QVariant& value, int16_t fallback) {
    bool ok = false;
    const int n = value.toString().trimmed().toInt(&ok, 10);
    if (!ok || n < std::numeric_limits<int16_t>::min() || n > std::numeric_limits<int16_t>::max())
        return fallback;
    return static_cast<int16_t>(n);
}

SettingsStore::SettingsStore(QString currentFile, QString legacyFile)
    : current_(std::move(currentFile)), legacy_(std::move(legacyFile)) {}

SettingsStore SettingsStore::ForUser() {
    const QString title = QString::fromLatin1(kAppTitle);
    const QSettings current(QSettings::IniFormat, QSettings::UserScope,
                            QString::fromLatin1(kMakerKey), title);
    const QSettings legacy(QSettings::IniFormat, QSettings::UserScope, title, title);
    return SettingsStore(current.fileName(), legacy.fileName());
}

void SettingsStore::Load(AppState& state) const {
    QSettings current(current_, QSettings::IniFormat);
    current.beginGroup(kCurrentGroup);
    state.DefaultFolder = SettingText(current, QStringLiteral("Path"));
    state.ShowDialog = SettingToInt16(current.value(QStringLiteral("ShowDialog")), 0);
    state.ClearPassword = SettingToInt16(current.value(QStringLiteral("ClearPassword")), 0);
    state.UseCompression = SettingToInt16(current.value(QStringLiteral("UseCompression")), 1);
    if (!state.DefaultFolder.isEmpty()) return;

    QSettings legacy(legacy_, QSettings::IniFormat);
    legacy.beginGroup(kLegacyGroup);
    state.DefaultFolder = SettingText(legacy, QStringLiteral("Path"));
    if (state.DefaultFolder.isEmpty()) return;
    state.ShowDialog = SettingToInt16(legacy.value(QStringLiteral("ShowDialog")), 0);
    state.ClearPassword = SettingToInt16(legacy.value(QStringLiteral("ClearPassword")), 0);
}

QSize SettingsStore::WindowSize(const QString& window) const {
    const QSettings current(current_, QSettings::IniFormat);
    return current.value(kWindowsGroup + QLatin1Char('/') + window).toSize();
}

void SettingsStore::SaveWindowSize(const QString& window, QSize size) const {
    QSettings current(current_, QSettings::IniFormat);
    current.setValue(kWindowsGroup + QLatin1Char('/') + window, size);
}

bool SettingsStore::Save(const AppState& state) const {
    QSettings current(current_, QSettings::IniFormat);
    current.beginGroup(kCurrentGroup);
    current.setValue(QStringLiteral("Path"), state.DefaultFolder);
    current.setValue(QStringLiteral("ShowDialog"), QString::number(state.ShowDialog));
    current.setValue(QStringLiteral("ClearPassword"), QString::number(state.ClearPassword));
    current.setValue(QStringLiteral("UseCompression"), QString::number(state.UseCompression));
    current.endGroup();
    current.sync();
    return current.status() == QSettings::NoError;
}

}  // namespace vko
