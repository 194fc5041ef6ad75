// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/AppInfo.h"
#include "app/LaunchPaths.h"
#include "crypto/CoreDumps.h"
#include "platform/InstanceChannel.h"
#include "platform/SingleInstance.h"
#include "ui/MessageBoxes.h"
#include "ui/frmMain.h"

namespace {

void NameApplication() {
    QCoreApplication::setApplicationName(QString::fromLatin1(vko::kAppTitle));
    QCoreApplication::setApplicationVersion(vko::AppVersion());
}

// The paths on the command line; --help and --version end the program here, and so does an
// unknown option, with the usage and exit code 2.
QStringList PathArguments(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Packs folders into password-encrypted boxes (.vkx) and opens boxes.\n"
        "Boxes named on the command line are opened, and folders are queued for new boxes;\n"
        "when the program already runs, it takes them over."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("BOX|FOLDER"),
                                 QStringLiteral("Boxes to open and folders to make boxes of."),
                                 QStringLiteral("[BOX|FOLDER...]"));
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s: %s\n\n%s", qPrintable(QCoreApplication::applicationName()),
                     qPrintable(parser.errorText()), qPrintable(parser.helpText()));
        std::exit(2);
    }
    parser.process(app);
    return parser.positionalArguments();
}

// Whether the command line only asks for the help or the version, which must print without a
// display.
bool OnlyPrints(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") break;
        for (const char* option : {"-h", "-?", "--help", "--help-all", "-v", "--version"})
            if (argument == option) return true;
    }
    return false;
}

// Whether Qt has somewhere to show windows; without, it would abort the program.
bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(name)) return true;
    return false;
}

// A later start gives its paths to the running instance, which shows its window (for no paths
// that is all it does), and ends: 0 once it has taken them, 1 (after saying so) when it cannot
// be reached.
int HandOver(const QStringList& paths, vko::Messages& messages) {
    if (vko::InstanceChannel::HandOver(paths)) return 0;
    messages.Inform(vko::HandOverFailedMessage(!paths.isEmpty()), vko::Messages::Icon::Exclamation);
    return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    // A memorized password must never reach a core file.
    vko::crypto::DisableCoreDumps();
    if (OnlyPrints(argc, argv) || !HasDisplay()) {
        QCoreApplication app(argc, argv);
        NameApplication();
        (void)PathArguments(app);
        std::fputs(
            "vaultkeep-orb: no display to show its window on (neither DISPLAY nor "
            "WAYLAND_DISPLAY is set); vkx works without one\n",
            stderr);
        return 1;
    }
    QApplication app(argc, argv);
    NameApplication();
    QApplication::setDesktopFileName(QStringLiteral("vaultkeep-orb"));
    // The window hides to the notification area; only CloseProgram ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    const auto messages = vko::MessagesForEnvironment();
    const vko::LaunchPaths launch =
        vko::ResolveLaunchPaths(PathArguments(app), QDir::currentPath());
    if (!launch.missing.isEmpty()) {
        messages->Inform(vko::MissingPathsMessage(launch.missing),
                         vko::Messages::Icon::Exclamation);
        return 1;
    }
    vko::SingleInstance instance;
    const bool anotherInstanceRunning = instance.OtherInstanceRunning();
    if (anotherInstanceRunning) return HandOver(launch.paths, *messages);

    vko::frmMain window(*messages, vko::SettingsStore::ForUser());
    QApplication::setWindowIcon(window.windowIcon());
    window.Form_Load();
    vko::InstanceChannel channel;
    if (channel.Listen())
        QObject::connect(&channel, &vko::InstanceChannel::PathsArrived, &window,
                         &vko::frmMain::OpenPaths, Qt::QueuedConnection);
    window.show();
    if (!launch.paths.isEmpty()) window.OpenPaths(launch.paths);
    return QApplication::exec();
}
