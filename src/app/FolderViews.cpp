// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FolderViews.h"

#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QStandardPaths>
#include <chrono>

#include "app/PathText.h"
#include "engine/CCipherBlock.h"
#include "mount/FolderView.h"
#include "mount/MountPoint.h"
#include "mount/OpenBoxSource.h"
#include "util/Failure.h"

namespace vko {

QString ViewFolderName(const QString& name) {
    QString folder = name.trimmed();
    folder.replace(QLatin1Char('/'), QLatin1Char('_'));
    while (folder.startsWith(QLatin1Char('.'))) folder.remove(0, 1);
    return folder.isEmpty() ? QStringLiteral("box") : folder;
}

FolderViews::FolderViews(Messages& messages) : messages_(messages) {
    reaper_.setInterval(1000);
    connect(&reaper_, &QTimer::timeout, this, &FolderViews::Reap);
}

FolderViews::~FolderViews() {
    for (auto& [folder, view] : open_) {
        view.reset();
        QDir().rmdir(folder);
    }
}

QString FolderViews::Root() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/vaultkeep-orb");
}

void FolderViews::CleanUp() {
    (void)mount::MountPoint::CleanUpStale(PathBytes(Root()));
}

QString FolderViews::Open(const QString& boxFile, const std::string& password,
                          const QString& name) {
    QDir root(Root());
    if (!root.mkpath(QStringLiteral("."))) {
        messages_.Inform(QStringLiteral("The folder ") + Root() + QStringLiteral(" cannot be made."),
                         Messages::Icon::Exclamation);
        return {};
    }
    QFile::setPermissions(Root(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString base = root.filePath(ViewFolderName(name));
    QString folder = base;
    for (int n = 2; QFileInfo::exists(folder); ++n) folder = base + QStringLiteral(" (%1)").arg(n);
    root.mkpath(folder);
    try {
        auto source = mount::OpenBoxSource(PathBytes(boxFile), password);
        if (!source) throw Failure(FailureNumber::kInvalidArgument, kHeaderDamagedMessage);
        mount::FolderView::Options options;
        options.box = PathBytes(boxFile);
        // Named from a serving thread; told from the window's.
        options.damaged = [this](const std::string& path, const std::string& why) {
            const QString text = QStringLiteral("This file of the open folder is damaged and "
                                                "cannot be read:\n") +
                                 PathFromBytes(path) + QStringLiteral(": ") + PathFromBytes(why);
            QMetaObject::invokeMethod(this, [this, text] {
                messages_.Inform(text, Messages::Icon::Exclamation);
            }, Qt::QueuedConnection);
        };
        open_[folder] = mount::FolderView::Mount(std::move(source), PathBytes(folder), options);
        return folder;
    } catch (const std::exception& e) {
        QDir().rmdir(folder);
        messages_.Inform(QStringLiteral("The box cannot be opened as a folder:\n") +
                             QString::fromUtf8(e.what()),
                         Messages::Icon::Exclamation);
        return {};
    }
}

void FolderViews::Close(const QString& folder) {
    const auto it = open_.find(folder);
    if (it == open_.end()) return;
    std::unique_ptr<mount::FolderView> view = std::move(it->second);
    open_.erase(it);
    const auto holders = mount::MountPoint::Holders(PathBytes(folder));
    view->Unmount();
    if (!holders.empty() && !view->WaitEnded(std::chrono::milliseconds(500))) {
        QString names;
        for (const auto& holder : holders)
            names += (names.isEmpty() ? QString() : QStringLiteral(", ")) + PathFromBytes(holder);
        messages_.Inform(QStringLiteral("The folder ") + folder +
                             QStringLiteral(" is closed, but files in it are still open in ") +
                             names +
                             QStringLiteral(", which can read them until it closes them."),
                         Messages::Icon::Information);
        closing_.push_back(std::move(view));
        reaper_.start();
    }
    QDir().rmdir(folder);
}

void FolderViews::Reap() {
    std::erase_if(closing_, [](const auto& view) { return view->Ended(); });
    if (closing_.empty()) reaper_.stop();
}

}  // namespace vko
