// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Messages.h"

namespace vko {

namespace mount {
class FolderView;
}

// The boxes the desktop shows as folders ("Open as Folder"), each mounted read-only under
// $XDG_RUNTIME_DIR/vaultkeep-orb while its contents window is open. A view closed while
// programs still hold files in it is detached at once and ends when they close them; every
// view ends with the program.
class FolderViews : public QObject {
public:
    explicit FolderViews(Messages& messages);
    ~FolderViews() override;

    // The folder the views are mounted in.
    [[nodiscard]] static QString Root();
    // Unmounts and removes the views a program that ended left there (a crash).
    static void CleanUp();

    // Mounts boxFile, opened with password, on a new folder named after name; the folder, or
    // an empty string once the user has been told why not.
    [[nodiscard]] QString Open(const QString& boxFile, const std::string& password,
                               const QString& name);
    // Unmounts the view on folder; names the programs that still hold files there.
    void Close(const QString& folder);

private:
    void Reap();

    Messages& messages_;
    std::map<QString, std::unique_ptr<mount::FolderView>> open_;
    std::vector<std::unique_ptr<mount::FolderView>> closing_;  // detached, files still held
    QTimer reaper_;
};

// A folder name for a view of a box called name: no "/", not hidden, not empty.
[[nodiscard]] QString ViewFolderName(const QString& name);

}  // namespace vko
