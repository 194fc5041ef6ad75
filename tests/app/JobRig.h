#pragma once

#include <QDir>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>

#include "app/FakeShell.h"
#include "app/Jobs.h"
#include "app/PathText.h"
#include "support/TestFiles.h"

namespace vko::test {

// Answers the jobs' dialogs from functions the test sets and records every question.
class FakeDialogs : public JobDialogs {
public:
    std::function<std::optional<CreateBoxForm>(const CreateBoxForm&)> createBox =
        [](const CreateBoxForm& proposal) {
            CreateBoxForm form = proposal;
            form.Password = form.Password2 = QStringLiteral("pw");
            return std::optional(form);
        };
    std::function<std::optional<QString>(const QString&)> password = [](const QString&) {
        return std::optional(QStringLiteral("pw"));
    };
    std::function<std::optional<QString>(const QString&)> extractFolder;
    std::function<ContentsChoice(const BoxContents&)> contents = [](const BoxContents&) {
        return ContentsChoice{};
    };
    QString openAnswer;
    QString folderAnswer;

    std::optional<CreateBoxForm> CreateBox(const CreateBoxForm& proposal) override {
        asked << "create: " + proposal.BoxFile;
        proposals.push_back(proposal);
        return createBox(proposal);
    }
    std::optional<QString> Password(const QString& caption, const QString& text) override {
        asked << "password: " + caption + " [" + text + "]";
        return password(text);
    }
    std::optional<QString> ExtractFolder(const QString& proposal) override {
        asked << "folder: " + proposal;
        return extractFolder ? extractFolder(proposal) : std::optional(proposal);
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
    std::vector<CreateBoxForm> proposals;
    BoxContents lastContents;
};

// A window whose CloseProgram runs the shell's shutdown, as the real one does.
class FakeJobWindow : public JobWindow {
public:
    explicit FakeJobWindow(AppShell& shell) : shell_(shell) {}
    void FocusMainWindow() override { ++focused; }
    void CloseProgram() override {
        ++closes;
        (void)shell_.Form_Unload(true);
    }
    int focused = 0;
    int closes = 0;

private:
    AppShell& shell_;
};

// A view that lets a test act in the middle of an engine call: the engine's progress is shown
// through ShowStatus while the engine is on the call stack.
class HookedView : public FakeView {
public:
    void ShowStatus(const QString& text) override {
        FakeView::ShowStatus(text);
        if (onStatus) onStatus(text);
    }
    std::function<void(const QString&)> onStatus;
    // The status lines written through SetStatus, without their time stamp.
    [[nodiscard]] QStringList Lines() const {
        static const QRegularExpression stamp(QStringLiteral("^status:  \\d\\d:\\d\\d [AP]M: "));
        QStringList lines;
        for (const QString& call : calls)
            if (stamp.match(call).hasMatch()) lines << QString(call).remove(stamp);
        return lines;
    }
};

// The shell with its work, started, with boxes proposed in a fresh folder.
struct JobRig {
    TempSettings files;
    TempDir dir;
    HookedView view;
    ScriptedMessages messages;
    FakeDialogs dialogs;
    AppShell shell{view,
                   messages,
                   files.Store(),
                   files.ProgramFolder(),
                   [] { return QTime(9, 30); },
                   QLocale(QLocale::English, QLocale::UnitedStates)};
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
    // A folder tree below the rig's folder; returns its path.
    QString Folder(const std::string& relative, const Tree& tree) const {
        MakeTree(dir / relative, tree);
        return Path(relative);
    }
    // A box of tree made with the engine directly.
    QString Box(const std::string& name, const Tree& tree, const std::string& password = "pw",
                int16_t compressed = 0) {
        const std::string source = dir / ("sources/" + name);
        MakeTree(source, tree);
        const std::string box = dir / (name + ".vkx");
        QuietHost host;
        CCipherBlock engine(host);
        if (engine.CreateBlock(box, name, password, source, 0, compressed) != 1)
            qFatal("cannot make the box");
        return QString::fromStdString(box);
    }
    // Waits until the batch or command that is running has written its result line.
    bool WaitForLine(const QString& start) {
        return QTest::qWaitFor([&] {
            const QStringList lines = view.Lines();
            return std::any_of(lines.begin(), lines.end(),
                               [&](const QString& line) { return line.startsWith(start); });
        });
    }
};

}  // namespace vko::test
