#pragma once

#include <QDir>
#include <QTest>
#include <QTimer>
#include <optional>

#include "app/FakeShell.h"
#include "app/Jobs.h"
#include "app/PathText.h"
#include "support/TestFiles.h"

namespace vko::test {

// Answers the jobs' dialogs from functions the test sets and records every question. By
// default the create dialog takes its proposals with the password "pw", the password prompt
// answers "pw" and the folder prompt takes its proposal.
class FakeDialogs : public JobDialogs {
public:
    using Answer = std::optional<QString>;
    std::function<std::optional<CreateBoxForm>(const CreateBoxForm&)> createBox =
        [](CreateBoxForm form) {
            form.Password = form.Password2 = QStringLiteral("pw");
            return std::optional(form);
        };
    std::function<Answer(const QString&)> password = [](const QString&) {
        return Answer(QStringLiteral("pw"));
    };
    std::function<Answer(const QString&)> extractFolder = [](const QString& p) { return p; };
    std::function<ContentsChoice(const BoxContents&)> contents = [](const BoxContents&) {
        return ContentsChoice{};
    };
    QString openAnswer;
    QString folderAnswer;

    std::optional<CreateBoxForm> CreateBox(const CreateBoxForm& proposal) override {
        asked << "create: " + proposal.BoxFile;
        return createBox(proposal);
    }
    Answer Password(const QString& caption, const QString& text) override {
        asked << "password: " + caption + " [" + text + "]";
        return password(text);
    }
    Answer ExtractFolder(const QString& proposal) override {
        asked << "folder: " + proposal;
        return extractFolder(proposal);
    }
    ContentsChoice Contents(const BoxContents& shown) override {
        asked << "contents: " + shown.Name;
        lastContents = shown;
        return contents(shown);
    }
    QString OpenBox(const QString& startFolder) override {
        asked << "open: " + startFolder;
        return openAnswer;
    }
    QString FolderToBox() override {
        asked << "folder to box";
        return folderAnswer;
    }

    QStringList asked;
    BoxContents lastContents;
};

// A window whose CloseProgram runs the shell's shutdown, as the real one does.
class FakeJobWindow : public JobWindow {
public:
    explicit FakeJobWindow(AppShell& shell) : shell_(shell) {}
    void FocusMainWindow() override { ++focused; }
    void ShowFolder(const QString& folder) override { shown << folder; }
    void CloseProgram() override {
        ++closes;
        (void)shell_.Form_Unload(true);
    }
    int focused = 0;
    int closes = 0;
    QStringList shown;

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
        if (!shell.Form_Load(false)) qFatal("start-up failed");
        State().DefaultFolder = Path("boxes") + "/";
        view.calls.clear();
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
        const std::string source = dir / ("sources/" + name);
        MakeTree(source, tree);
        const std::string box = dir / (name + ".vkx");
        QuietHost host;
        if (CCipherBlock(host).CreateBlock(box, name, "pw", source, 0, compressed) != 1)
            qFatal("cannot make the box");
        return QString::fromStdString(box);
    }
    // The files a box holds, read back with the engine.
    Tree Unpacked(const QString& box) {
        const std::string out = dir / ("out-" + std::to_string(++unpacked_));
        QuietHost host;
        if (CCipherBlock(host).ExtractBlock(PathBytes(box), out, "pw") != BlockResult::kExtractDone)
            return {};
        return ReadTree(out);
    }
    // Waits until the batch or command that is running has written a line starting so.
    bool WaitForLine(const QString& start) {
        return QTest::qWaitFor([&] {
            const QStringList lines = view.Lines();
            return std::any_of(lines.begin(), lines.end(),
                               [&](const QString& line) { return line.startsWith(start); });
        });
    }

private:
    int unpacked_ = 0;
};

}  // namespace vko::test
