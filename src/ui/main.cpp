#include <QApplication>
#include <QIcon>

#include "app/AppInfo.h"
#include "crypto/CoreDumps.h"
#include "platform/SingleInstance.h"
#include "ui/MessageBoxes.h"
#include "ui/frmMain.h"

int main(int argc, char* argv[]) {
    // A memorized password must never reach a core file.
    vko::crypto::DisableCoreDumps();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(vko::kAppTitle));
    QApplication::setApplicationVersion(vko::AppVersion());
    QApplication::setDesktopFileName(QStringLiteral("vaultkeep-orb"));
    // The window hides to the notification area; only CloseProgram ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    const auto messages = vko::MessagesForEnvironment();
    vko::SingleInstance instance;
    vko::frmMain window(*messages, vko::SettingsStore::ForUser());
    QApplication::setWindowIcon(window.windowIcon());
    if (!window.Form_Load(instance.OtherInstanceRunning())) return 0;
    window.show();
    return QApplication::exec();
}
