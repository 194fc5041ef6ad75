// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

#include "app/AppShell.h"
#include "app/Messages.h"
#include "app/SettingsStore.h"
#include "app/ShellView.h"

namespace vko::test {

// Records every message; answers every question No, so that none ever ends a test's program.
// Questions that do not wait are kept in later for the test to answer; files already there are
// answered with existing, damaged files with writeDamaged.
class ScriptedMessages : public Messages {
public:
    void Inform(const QString& text, Icon = Icon::Information) override { informed << text; }
    bool AskYesNo(const QString&, Answer = Answer::Yes) override { return false; }
    void AskYesNoLater(const QString& text, std::function<void(bool)> answered, Answer) override {
        informed << text;
        later << std::move(answered);
    }
    ExistingAnswer AskExistingFiles(const QString& text) override {
        asked << text;
        return existing();
    }
    bool AskWriteDamaged(const QString& text) override {
        asked << text;
        return writeDamaged;
    }
    QStringList informed;
    QStringList asked;
    bool writeDamaged = false;
    QList<std::function<void(bool)>> later;
    std::function<ExistingAnswer()> existing = [] { return ExistingAnswer::kCancel; };
};

// Records the status line, the indicator, its busy text and the progress bar. onStatus lets a
// test act in the middle of an engine call, whose progress arrives through ShowStatus.
class FakeView : public ShellView {
public:
    void ShowIndicator(const IndicatorLook& look) override {
        calls << "indicator: " + look.caption;
    }
    void ShowStatus(const QString& text) override {
        calls << "status: " + text;
        status = text;
        if (onStatus) onStatus(text);
    }
    QString StatusText() const override { return status; }
    void ShowBusyText(const QString& text) override { calls << "busy: " + text; }
    void ShowProgress(int percent) override { calls << QStringLiteral("bar: %1").arg(percent); }
    void BindTray(const QString&) override {}
    void ShowTrayImage(int16_t) override {}
    void ShowTrayTip(const QString&) override {}
    void ShowCaption(const QString&) override {}
    void ShowJobRunning(bool) override {}
    void EnableWindowCommands(bool) override {}
    void HideMainWindow() override { calls << "hide"; }
    bool TellStillRunning() override {
        calls << "told";
        return true;
    }
    void ShowMainWindow() override {}
    void CloseOtherWindows() override {}
    void DeleteTrayIcon() override {}
    void EndProgram() override {}

    // The status lines written through SetStatus, without their time stamp.
    [[nodiscard]] QStringList Lines() const {
        static const QRegularExpression stamp(QStringLiteral("^status:  \\d\\d:\\d\\d [AP]M: "));
        QStringList lines;
        for (const QString& call : calls)
            if (stamp.match(call).hasMatch()) lines << QString(call).remove(stamp);
        return lines;
    }
    QStringList calls;
    QString status;
    std::function<void(const QString&)> onStatus;
};

// Settings files in a fresh temporary folder.
struct TempSettings {
    QTemporaryDir dir;
    [[nodiscard]] QString Current() const { return dir.filePath("current/Vaultkeep Orb.ini"); }
    [[nodiscard]] QString Legacy() const { return dir.filePath("legacy/Vaultkeep Orb.ini"); }
    [[nodiscard]] SettingsStore Store() const { return SettingsStore(Current(), Legacy()); }
    [[nodiscard]] QString FirstStartFolder() const { return dir.filePath("Documents"); }
};

// The shell with recording surroundings; its clock stands at 21:05, and the jobs' stopwatch
// moves only when a test moves ticks.
struct ShellRig {
    TempSettings files;
    FakeView view;
    ScriptedMessages messages;
    int32_t ticks = 0;
    AppShell shell{view,
                   messages,
                   files.Store(),
                   [this] { return files.FirstStartFolder(); },
                   [] { return QTime(21, 5); },
                   QLocale(QLocale::English, QLocale::UnitedStates),
                   [this] { return ticks; }};
};

}  // namespace vko::test
