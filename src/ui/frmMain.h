// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>

#include "app/AppShell.h"
#include "app/JobDialogs.h"
#include "app/JobWindow.h"
#include "app/Jobs.h"
#include "app/ShellView.h"
#include "platform/CTray.h"
#include "platform/FolderPicker.h"
#include "platform/PictureBox.h"
#include "platform/ShellOpen.h"
#include "platform/cDialog.h"
#include "ui/WorkListView.h"

class QAction;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QProgressBar;
class QToolButton;

namespace vko {

// Services the main window uses; tests replace the ones that would leave the process or
// reach the desktop.
struct WindowServices {
    AppShell::Clock clock;
    std::function<void()> endProgram;  // default: leave the event loop
    UrlOpener open = ShellOpen;
    FolderPicker pickFolder = BrowseForFolder;
    FilePickers::SaveName pickSaveName = FilePickers().save;
    FilePickers::OpenName pickOpenName = FilePickers().open;
    JobDialogs* dialogs = nullptr;  // default: the program's own dialogs
    QString firstStartFolder;       // default: the user's documents folder
};

// The main window: the work list, the status line and busy indicator, the menus and the
// notification-area icon. What it does lives in AppShell; this class draws and forwards.
class frmMain : public QMainWindow, public ShellView, public JobWindow {
    Q_OBJECT
public:
    using Services = WindowServices;

    frmMain(Messages& messages, SettingsStore settings, Services services = {});
    ~frmMain() override;

    void Form_Load();
    void CloseProgram() override;
    // Boxes and folders the program was started with, or that a later start handed over:
    // taken as if dropped on the work list, with the window brought up from the tray (all a
    // later start without paths asks for).
    void OpenPaths(const QStringList& paths);
    void ShowSettingsDialog();
    void ShowAbout();

    [[nodiscard]] AppShell& Shell() noexcept { return shell_; }
    [[nodiscard]] Jobs& Work() noexcept { return *jobs_; }
    [[nodiscard]] CTray& Tray() noexcept { return tray_; }
    [[nodiscard]] QMenu* PopupMenu() const noexcept { return mnuPopup; }

    // ShellView
    void BindTray(const QString& tip) override;
    void ShowTrayImage(int16_t icon) override;
    void ShowTrayTip(const QString& tip) override;
    void ShowIndicator(const IndicatorLook& look) override;
    void ShowCaption(const QString& caption) override;
    void ShowStatus(const QString& text) override;
    [[nodiscard]] QString StatusText() const override;
    void ShowBusyText(const QString& text) override;
    void ShowJobRunning(bool running) override;
    void ShowProgress(int percent) override;
    void EnableWindowCommands(bool enabled) override;
    void HideMainWindow() override;
    bool TellStillRunning() override;
    void ShowMainWindow() override;
    void CloseOtherWindows() override;
    void DeleteTrayIcon() override;
    void EndProgram() override;

    // JobWindow
    void FocusMainWindow() override;
    void ShowFolder(const QString& folder) override;

    void Tray_RButtonDown();
    void Tray_LButtonDblClick();
    // A single click shows the window, or puts it away when it is shown.
    void Tray_LButtonUp();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildStatusBar();
    void BuildMenus();
    void mnuFileCancelJob_Click();
    QList<QAction*> AddItems(QMenu* menu, const char* name, const QList<QString>& captions,
                             const QList<QKeySequence>& shortcuts, void (frmMain::*click)(int));
    void TrackWindow(QWidget* window);
    void mnuFileItem_Click(int Index);
    void mnuOptionsItem_Click(int Index);
    void mnuHelpItem_Click(int Index);
    void mnuPopupItem_Click(int Index);
    void lstFiles_OLEDragOver(QDragMoveEvent* event);
    void lstFiles_OLEDragDrop(QDropEvent* event);
    void lstFiles_DblClick();
    [[nodiscard]] int SelectedRow() const;

    Services services_;
    CTray tray_;
    PictureBox pic_;
    std::array<QPixmap, 2> pics_;
    AppShell shell_;
    std::unique_ptr<JobDialogs> ownDialogs_;
    std::unique_ptr<Jobs> jobs_;  // after the shell it works on, so released before it
    QString tag_;
    QList<QPointer<QWidget>> openWindows_;  // oldest first

    WorkListView* lstFiles = nullptr;
    QLabel* lblStatus = nullptr;
    QProgressBar* prgJob = nullptr;
    QToolButton* cmdCancelJob = nullptr;
    QLabel* lblBusy = nullptr;
    QTimer* Timer = nullptr;
    QTimer* AppTimer = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuOptions = nullptr;
    QMenu* mnuHelp = nullptr;
    QMenu* mnuPopup = nullptr;
    QList<QAction*> mnuFileItem;
    QList<QAction*> mnuOptionsItem;
    QList<QAction*> mnuHelpItem;
    QList<QAction*> mnuPopupItem;
    QAction* mnuFileCancelJob = nullptr;
};

}  // namespace vko
