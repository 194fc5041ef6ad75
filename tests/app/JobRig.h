// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTest>
#include <QTimer>
#include <optional>

#include "app/FakeShell.h"
#include "app/Jobs.h"
#include "app/PathText.h"
#include "support/TestFiles.h"

namespace vko::test {

// Answers the jobs' dialogs as the test sets and records the questions. By default the create
// dialog and the password prompt answer "pw", the folder prompt takes folder or else its
// proposal, and the contents window is closed.
class FakeDialogs : public JobDialogs {
public:
    using Answer = std::optional<QString>;
    std::function<Answer(const QString&)> password = [](const QString&) { return Answer("pw"); };
    std::function<std::optional<CreateBoxForm>(CreateBoxForm)> createBox = [](CreateBoxForm f) {
        f.Password = f.Password2 = QStringLiteral("pw");
        return std::optional(f);
    };
    QString folder;
    ContentsChoice choice;
    QString openAnswer;

    std::optional<CreateBoxForm> CreateBox(const CreateBoxForm& form) override {
        return createBox(form);
    }
    Answer Password(const QString& caption, const QString& text) override {
        asked << "password: " + caption + " [" + text + "]";
        return password(text);
    }
    Answer ExtractFolder(const QString& proposal) override {
        return folder.isEmpty() ? proposal : folder;
    }
    ContentsChoice Contents(const BoxContents& shown) override {
        asked << "contents: " + shown.Name;
        contents = shown;
        return choice;
    }
    QString OpenBox(const QString&) override { return openAnswer; }
    QString FolderToBox() override { return {}; }

    QStringList asked;
    BoxContents contents;  // shown last
};

// A window whose CloseProgram runs the shell's shutdown, as the real one does.
class FakeJobWindow : public JobWindow {
public:
    explicit FakeJobWindow(AppShell& shell) : shell_(shell) {}
    void FocusMainWindow() override {}
    void ShowFolder(const QString&) override {}
    void CloseProgram() override { (void)shell_.Form_Unload(true); }

private:
    AppShell& shell_;
};

// The shell with its work, started, with boxes proposed in a fresh folder.
struct JobRig : ShellRig {
    TempDir dir;
    FakeDialogs dialogs;
    FakeJobWindow window{shell};
    QTimer Timer;
    QTimer AppTimer;
    Jobs jobs{shell, view,     dialogs, window,
              Timer, AppTimer, {},      QLocale(QLocale::English, QLocale::UnitedStates)};

    JobRig() {
        UseFastKeys();
        Timer.setInterval(1);
        AppTimer.setInterval(10);
        shell.Form_Load();
        State().DefaultFolder = Path("boxes") + "/";
    }
    AppState& State() { return shell.State(); }
    [[nodiscard]] QString Path(const std::string& relative) const {
        return QString::fromStdString(dir / relative);
    }
    QString Folder(const std::string& relative, const Tree& tree) const {
        MakeTree(dir / relative, tree);
        return Path(relative);
    }
    // A box of tree made with the engine directly.
    QString Box(const std::string& name, const Tree& tree, int16_t compressed = 0) {
        const std::string box = dir / (name + ".vkx");
        MakeTree(dir / ("sources/" + name), tree);
        QuietHost host;
        if (CCipherBlock(host).CreateBlock(box, name, "pw", dir / ("sources/" + name), 0,
                                           compressed) != 1)
            qFatal("cannot make the box");
        return QString::fromStdString(box);
    }
    // Extracts box into the folder target, as the queued extract job does.
    void QueueExtract(const QString& box, const std::string& target = "target") {
        State().BoxFolder = Path(target);
        shell.ExtractQueue << box;
        Timer.start();
    }
    // Waits until the batch or command that is running has written a line starting so.
    bool WaitForLine(const QString& start) {
        return QTest::qWaitFor([&] {
            const QStringList lines = view.Lines();
            return std::any_of(lines.begin(), lines.end(),
                               [&](const QString& line) { return line.startsWith(start); });
        });
    }
};

}  // namespace vko::test
