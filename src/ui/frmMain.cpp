// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

#include "app/AppInfo.h"
#include "app/FirstStartFolder.h"
#include "ui/DialogBoxes.h"
#include "ui/frmAbout.h"
#include "ui/frmSettings.h"

// The icons live in a static library, whose resource initialiser the linker would drop.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace vko {

namespace {

const QString kEndTag = QStringLiteral("END");

AppShell::FolderSource FirstStartFolderOr(const QString& folder) {
    if (folder.isEmpty()) return [] { return FirstStartFolder(); };
    return [folder] { return folder; };
}

// Room for the menus, a few entries of the work list and a job's figures in the status bar.
constexpr QSize kStartSize(720, 380);

}  // namespace

frmMain::frmMain(Messages& messages, SettingsStore settings, Services services)
    : services_(std::move(services)),
      shell_(*this, messages, std::move(settings), FirstStartFolderOr(services_.firstStartFolder),
             services_.clock) {
    if (!services_.endProgram) services_.endProgram = [] { QCoreApplication::exit(0); };
    setObjectName(QStringLiteral("frmMain"));
    InitIconResources();
    pics_[0] = QPixmap(QStringLiteral(":/icons/idle16.png"));
    pics_[1] = QPixmap(QStringLiteral(":/icons/busy16.png"));
    QIcon icon(QStringLiteral(":/icons/app48.png"));
    icon.addFile(QStringLiteral(":/icons/app32.png"));
    icon.addFile(QStringLiteral(":/icons/idle16.png"));
    setWindowIcon(icon);
    BuildControls();
    BuildMenus();
    ShowJobRunning(false);
    JobDialogs* dialogs = services_.dialogs;
    if (!dialogs) {
        ownDialogs_ = std::make_unique<DialogBoxes>(
            this, messages,
            FilePickers{services_.pickFolder, services_.pickSaveName, services_.pickOpenName},
            &shell_.Settings());
        dialogs = ownDialogs_.get();
    }
    jobs_ = std::make_unique<Jobs>(shell_, *this, *dialogs, *this, *Timer, *AppTimer);
    lstFiles->setModel(&jobs_->lstFiles());
    connect(&tray_, &CTray::RButtonDown, this, &frmMain::Tray_RButtonDown);
    connect(&tray_, &CTray::LButtonDblClick, this, &frmMain::Tray_LButtonDblClick);
    connect(&tray_, &CTray::LButtonUp, this, &frmMain::Tray_LButtonUp);
}

frmMain::~frmMain() = default;

void frmMain::BuildControls() {
    lstFiles = new WorkListView(this);
    lstFiles->setObjectName(QStringLiteral("lstFiles"));
    lstFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstFiles->setAcceptDrops(true);
    lstFiles->setTextElideMode(Qt::ElideMiddle);
    lstFiles->setPlaceholderText(
        QStringLiteral("Drop a folder here to make a box of it.\nDrop a box here to open it."));
    lstFiles->viewport()->installEventFilter(this);
    lstFiles->installEventFilter(this);
    connect(lstFiles, &QListView::doubleClicked, this, &frmMain::lstFiles_DblClick);
    setCentralWidget(lstFiles);
    BuildStatusBar();
    resize(kStartSize);

    // The job driver and the deferred-action timer; the work switches them on.
    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(1);
    AppTimer = new QTimer(this);
    AppTimer->setObjectName(QStringLiteral("AppTimer"));
    AppTimer->setInterval(10);
}

void frmMain::BuildStatusBar() {
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    // A long status never widens the window; it is cut instead.
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    prgJob = new QProgressBar(this);
    prgJob->setObjectName(QStringLiteral("prgJob"));
    prgJob->setRange(0, 100);
    // The percentage shows once, in the indicator beside the bar.
    prgJob->setTextVisible(false);
    prgJob->setMaximumWidth(fontMetrics().averageCharWidth() * 16);
    cmdCancelJob = new QToolButton(this);
    cmdCancelJob->setObjectName(QStringLiteral("cmdCancelJob"));
    cmdCancelJob->setText(QStringLiteral("Cancel"));
    cmdCancelJob->setToolTip(QStringLiteral("Cancel Job (Esc)"));
    connect(cmdCancelJob, &QToolButton::clicked, this, &frmMain::mnuFileCancelJob_Click);
    lblBusy = new QLabel(this);
    lblBusy->setObjectName(QStringLiteral("lblBusy"));
    lblBusy->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblBusy->setAlignment(Qt::AlignCenter);
    lblBusy->setAutoFillBackground(true);
    QFont bold = lblBusy->font();
    bold.setBold(true);
    lblBusy->setFont(bold);
    // Wide enough for the longest text it shows.
    const QFontMetrics metrics(bold);
    int width = 0;
    for (const char* text : {"100%", "SCAN", "OK"})
        width = std::max(width, metrics.horizontalAdvance(QLatin1String(text)));
    lblBusy->setFixedWidth(width + metrics.averageCharWidth() * 2 + 2 * lblBusy->frameWidth());

    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    bar->addWidget(lblStatus, 1);
    bar->addPermanentWidget(prgJob);
    bar->addPermanentWidget(cmdCancelJob);
    bar->addPermanentWidget(lblBusy);
}

QList<QAction*> frmMain::AddItems(QMenu* menu, const char* name, const QList<QString>& captions,
                                  const QList<QKeySequence>& shortcuts,
                                  void (frmMain::*click)(int)) {
    QList<QAction*> items;
    for (int index = 0; index < captions.size(); ++index) {
        QAction* item = captions[index] == QLatin1String("-") ? menu->addSeparator()
                                                              : menu->addAction(captions[index]);
        item->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index));
        if (index < shortcuts.size()) item->setShortcut(shortcuts[index]);
        connect(item, &QAction::triggered, this, [this, click, index] { (this->*click)(index); });
        items.append(item);
    }
    return items;
}

void frmMain::BuildMenus() {
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFileItem = AddItems(mnuFile, "mnuFileItem",
                           {QStringLiteral("&New Box"), QStringLiteral("&Open Box"),
                            QStringLiteral("-"), QStringLiteral("E&xit")},
                           {QKeySequence(Qt::CTRL | Qt::Key_N), QKeySequence(Qt::CTRL | Qt::Key_O)},
                           &frmMain::mnuFileItem_Click);
    // Beside the numbered items, so that their numbers stay what they are.
    mnuFileCancelJob = new QAction(QStringLiteral("&Cancel Job"), this);
    mnuFileCancelJob->setObjectName(QStringLiteral("mnuFileCancelJob"));
    mnuFileCancelJob->setShortcut(QKeySequence(Qt::Key_Escape));
    mnuFileCancelJob->setEnabled(false);
    mnuFile->insertAction(mnuFileItem[2], mnuFileCancelJob);
    connect(mnuFileCancelJob, &QAction::triggered, this, &frmMain::mnuFileCancelJob_Click);

    mnuOptions = menuBar()->addMenu(QStringLiteral("&Options"));
    mnuOptionsItem = AddItems(mnuOptions, "mnuOptionsItem",
                              {QStringLiteral("&Settings"), QStringLiteral("&Clear Password"),
                               QStringLiteral("-"), QStringLiteral("&Hide")},
                              {QKeySequence(Qt::Key_F1), QKeySequence(Qt::Key_F2), QKeySequence(),
                               QKeySequence(Qt::Key_F3)},
                              &frmMain::mnuOptionsItem_Click);

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelpItem = AddItems(
        mnuHelp, "mnuHelpItem",
        {QStringLiteral("&About ") + QString::fromLatin1(kAppTitle) + QStringLiteral("...")}, {},
        &frmMain::mnuHelpItem_Click);

    mnuPopup = new QMenu(QStringLiteral("Popup"), this);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuPopupItem = AddItems(mnuPopup, "mnuPopupItem",
                            {QStringLiteral("&Show"), QStringLiteral("&Hide"), QStringLiteral("-"),
                             QStringLiteral("&Remove ") + QString::fromLatin1(kAppTitle)},
                            {}, &frmMain::mnuPopupItem_Click);
}

void frmMain::Form_Load() {
    shell_.Form_Load();
}

void frmMain::CloseProgram() {
    tag_ = kEndTag;
    close();
    // A declined "Cancel current process?" keeps the window; its close box must hide it again
    // rather than end the program.
    if (!shell_.Ended()) tag_.clear();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (shell_.Form_Unload(tag_ == kEndTag))
        event->ignore();
    else
        event->accept();
}

void frmMain::OpenPaths(const QStringList& paths) {
    ShowMainWindow();
    if (!paths.isEmpty()) jobs_->Work().lstFiles_OLEDragDrop(paths);
}

void frmMain::TrackWindow(QWidget* window) {
    openWindows_.removeAll(nullptr);
    openWindows_.append(window);
}

void frmMain::ShowSettingsDialog() {
    frmSettings dialog(shell_, this, services_.pickFolder);
    TrackWindow(&dialog);
    dialog.Fill();
    dialog.exec();
}

void frmMain::ShowAbout() {
    auto* about = new frmAbout(this, services_.open);
    about->setAttribute(Qt::WA_DeleteOnClose);
    TrackWindow(about);
    about->show();
}

void frmMain::mnuFileItem_Click(int Index) {
    switch (Index) {
        case 0:
            jobs_->Work().mnuFileNewBox();
            break;
        case 1:
            jobs_->Work().mnuFileOpenBox();
            break;
        case 3:
            CloseProgram();
            break;
        default:
            break;
    }
}

void frmMain::mnuFileCancelJob_Click() {
    if (!jobs_->Work().mnuFileCancelJob()) return;
    // Asked once is enough; the job stops at the engine's next check.
    cmdCancelJob->setEnabled(false);
    mnuFileCancelJob->setEnabled(false);
    prgJob->setFormat(QStringLiteral("Cancelling..."));
    prgJob->setTextVisible(true);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstFiles->viewport()) {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove:
                lstFiles_OLEDragOver(static_cast<QDragMoveEvent*>(event));
                return true;
            case QEvent::Drop:
                lstFiles_OLEDragDrop(static_cast<QDropEvent*>(event));
                return true;
            default:
                break;
        }
    } else if (watched == lstFiles && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        jobs_->Work().lstFiles_KeyUp(key->key(), key->modifiers(), SelectedRow());
    } else if (watched == lstFiles && event->type() == QEvent::KeyPress) {
        // Enter opens the entry as a double click does.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            lstFiles_DblClick();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

namespace {

// The local files and folders a drag offers, in its order.
QStringList DroppedPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths.append(QDir::toNativeSeparators(url.toLocalFile()));
    return paths;
}

}  // namespace

void frmMain::lstFiles_OLEDragOver(QDragMoveEvent* event) {
    activateWindow();
    if (DroppedPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void frmMain::lstFiles_OLEDragDrop(QDropEvent* event) {
    const QStringList paths = DroppedPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    jobs_->Work().lstFiles_OLEDragDrop(paths);
}

int frmMain::SelectedRow() const {
    const QModelIndexList rows = lstFiles->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void frmMain::lstFiles_DblClick() {
    const int row = SelectedRow();
    if (row < 0) return;
    jobs_->Work().lstFiles_DblClick(jobs_->lstFiles().index(row).data().toString());
}

void frmMain::mnuOptionsItem_Click(int Index) {
    switch (Index) {
        case 0:
            ShowSettingsDialog();
            break;
        case 1:
            shell_.ForgetPassword();
            break;
        case 3:
            HideMainWindow();
            break;
        default:
            break;
    }
}

void frmMain::mnuHelpItem_Click(int Index) {
    if (Index == 0) ShowAbout();
}

void frmMain::mnuPopupItem_Click(int Index) {
    switch (Index) {
        case 0:
            shell_.ShowMainWindow();
            break;
        case 1:
            HideMainWindow();
            break;
        case 3:
            CloseProgram();
            break;
        default:
            break;
    }
}

void frmMain::Tray_RButtonDown() {
    activateWindow();
    const bool shown = isVisible() && !isMinimized();
    mnuPopupItem[0]->setVisible(!shown);
    mnuPopupItem[1]->setVisible(shown);
    mnuPopup->popup(QCursor::pos());
}

void frmMain::Tray_LButtonDblClick() {
    shell_.ShowMainWindow();
}

void frmMain::Tray_LButtonUp() {
    if (isVisible() && !isMinimized())
        HideMainWindow();
    else
        shell_.ShowMainWindow();
}

void frmMain::BindTray(const QString& tip) {
    pic_.SetPicture(pics_[0]);
    tray_.PicBox(&pic_);
    tray_.TipText(tip);
    tray_.ShowIcon();
}

void frmMain::ShowTrayImage(int16_t icon) {
    pic_.SetPicture(pics_[icon == 0 ? 0 : 1]);
}

void frmMain::ShowTrayTip(const QString& tip) {
    tray_.TipText(tip);
}

void frmMain::ShowIndicator(const IndicatorLook& look) {
    QPalette palette = lblBusy->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(look.backColor));
    lblBusy->setPalette(palette);
    lblBusy->setText(look.caption);
    lblBusy->setToolTip(look.toolTip);
}

void frmMain::ShowCaption(const QString& caption) {
    setWindowTitle(caption);
}

void frmMain::ShowStatus(const QString& text) {
    lblStatus->setText(text);
    lblStatus->setToolTip(text.trimmed());  // all of it, where the window cuts it
}

QString frmMain::StatusText() const {
    return lblStatus->text();
}

void frmMain::ShowBusyText(const QString& text) {
    lblBusy->setText(text);
}

void frmMain::ShowJobRunning(bool running) {
    prgJob->setVisible(running);
    prgJob->setTextVisible(false);
    prgJob->setRange(0, 100);
    prgJob->setValue(0);
    cmdCancelJob->setVisible(running);
    cmdCancelJob->setEnabled(running);
    mnuFileCancelJob->setEnabled(running);
}

void frmMain::ShowProgress(int percent) {
    if (percent < 0) {
        prgJob->setRange(0, 0);  // a bar that moves without a figure
        return;
    }
    prgJob->setRange(0, 100);
    prgJob->setValue(std::clamp(percent, 0, 100));
}

void frmMain::EnableWindowCommands(bool enabled) {
    for (QAction* item : {mnuFileItem[0], mnuFileItem[1], mnuOptionsItem[0]})
        item->setEnabled(enabled);
}

void frmMain::HideMainWindow() {
    // Without a notification area a hidden window could not be brought back.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        hide();
    else
        showMinimized();
}

bool frmMain::TellStillRunning() {
    if (!QSystemTrayIcon::isSystemTrayAvailable() || !tray_.TrayIcon().isVisible()) return false;
    tray_.TrayIcon().showMessage(
        QString::fromLatin1(kAppTitle),
        QString::fromLatin1(kAppTitle) +
            QStringLiteral(" keeps running here. Click this icon to bring its window back; "
                           "to end the program, choose Remove in the icon's menu or File, Exit."),
        QSystemTrayIcon::Information);
    return true;
}

void frmMain::ShowMainWindow() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

void frmMain::CloseOtherWindows() {
    for (auto it = openWindows_.crbegin(); it != openWindows_.crend(); ++it)
        if (*it) (*it)->close();
    openWindows_.clear();
    // Message boxes and pickers that were not opened through this window.
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget != this && widget->isVisible() && qobject_cast<QDialog*>(widget))
            widget->close();
}

void frmMain::DeleteTrayIcon() {
    tray_.DeleteIcon();
}

void frmMain::EndProgram() {
    services_.endProgram();
}

void frmMain::FocusMainWindow() {
    activateWindow();
}

void frmMain::ShowFolder(const QString& folder) {
    if (services_.open && services_.open(QUrl::fromLocalFile(folder))) return;
    shell_.UserMessages().Inform(
        QStringLiteral("No file manager could be started to show the folder\n%1").arg(folder));
}

}  // namespace vko
