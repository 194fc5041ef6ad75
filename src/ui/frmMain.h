#pragma once

#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>

#include "app/AppShell.h"
#include "app/ShellView.h"
#include "platform/CTray.h"
#include "platform/FolderPicker.h"
#include "platform/PictureBox.h"
#include "platform/ShellOpen.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;

namespace vko {

// Services the main window uses; tests replace the ones that would leave the process or
// reach the desktop.
struct WindowServices {
    AppShell::Clock clock;
    std::function<void()> endProgram;  // default: leave the event loop
    UrlOpener open = ShellOpen;
    FolderPicker pickFolder = BrowseForFolder;
    QString programFolder;  // default: the executable's folder
};

// The main window: the work list, the status line and busy indicator, the menus and the
// notification-area icon. What it does lives in AppShell; this class draws and forwards.
class frmMain : public QMainWindow, public ShellView {
    Q_OBJECT
public:
    using Services = WindowServices;

    frmMain(Messages& messages, SettingsStore settings, Services services = {});
    ~frmMain() override;

    // Start-up; false when another instance runs (the user has been told).
    [[nodiscard]] bool Form_Load(bool anotherInstanceRunning);
    void CloseProgram();
    void ShowSettingsDialog();
    void ShowAbout();

    [[nodiscard]] AppShell& Shell() noexcept { return shell_; }
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
    void HideMainWindow() override;
    void ShowMainWindow() override;
    void CloseOtherWindows() override;
    void DeleteTrayIcon() override;
    void EndProgram() override;

    void Tray_RButtonDown();
    void Tray_LButtonDblClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    QList<QAction*> AddItems(QMenu* menu, const char* name, const QList<QString>& captions,
                             const QList<QKeySequence>& shortcuts, void (frmMain::*click)(int));
    void TrackWindow(QWidget* window);
    void mnuFileItem_Click(int Index);
    void mnuOptionsItem_Click(int Index);
    void mnuHelpItem_Click(int Index);
    void mnuPopupItem_Click(int Index);

    Services services_;
    CTray tray_;
    PictureBox pic_;
    std::array<QPixmap, 2> pics_;
    AppShell shell_;
    QString tag_;
    QList<QPointer<QWidget>> openWindows_;  // oldest first

    QListWidget* lstFiles = nullptr;
    QLabel* lblStatus = nullptr;
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
};

}  // namespace vko
