#pragma once

#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>

#include "app/AppShell.h"
#include "app/Messages.h"
#include "app/SettingsStore.h"
#include "app/ShellView.h"

namespace vko::test {

// Records every message and question; answers questions from a queue (No when it is empty, so
// that a forgotten answer never ends a test's program). A question whose preferred answer is
// No is recorded with "[No] " in front.
class ScriptedMessages : public Messages {
public:
    void Inform(const QString& text, Icon = Icon::Information) override { informed << text; }
    void Report(const QString& title, const QString& text, Icon) override {
        informed << title + "|" + text;
    }
    bool AskYesNo(const QString& text, Answer preferred = Answer::Yes) override {
        asked << (preferred == Answer::No ? "[No] " : "") + text;
        if (answers.empty()) return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }

    QStringList informed;
    QStringList asked;
    std::deque<bool> answers;
};

// Records what the shell asks of its window, one line per call. onStatus lets a test act in
// the middle of an engine call, whose progress arrives through ShowStatus.
class FakeView : public ShellView {
public:
    void BindTray(const QString& tip) override { calls << "bind tray: " + tip; }
    void ShowTrayImage(int16_t icon) override { calls << QStringLiteral("image: %1").arg(icon); }
    void ShowTrayTip(const QString& tip) override { calls << "tip: " + tip; }
    void ShowIndicator(const IndicatorLook& look) override {
        calls << "indicator: " + look.caption + "/" + look.toolTip;
    }
    void ShowCaption(const QString& caption) override { calls << "caption: " + caption; }
    void ShowStatus(const QString& text) override {
        calls << "status: " + text;
        status = text;
        if (onStatus) onStatus(text);
    }
    QString StatusText() const override { return status; }
    void ShowBusyText(const QString& text) override { calls << "busy: " + text; }
    void ShowJobRunning(bool running) override { calls << (running ? "running" : "stopped"); }
    void ShowProgress(int percent) override { calls << QStringLiteral("bar: %1").arg(percent); }
    void EnableWindowCommands(bool enabled) override {
        calls << (enabled ? "commands on" : "commands off");
    }
    void HideMainWindow() override { calls << "hide"; }
    void ShowMainWindow() override { calls << "show"; }
    void CloseOtherWindows() override { calls << "close others"; }
    void DeleteTrayIcon() override { calls << "delete tray"; }
    void EndProgram() override { calls << "end"; }

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
