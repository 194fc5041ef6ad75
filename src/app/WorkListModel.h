// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QStringListModel>

namespace vko {

// The work list's entries: each the plain path that was dropped or queued, or the box or
// folder a finished job made. A made entry's tool tip says where it came from; every other
// entry's tool tip is its path, which a narrow window may cut.
class WorkListModel : public QStringListModel {
public:
    using QStringListModel::QStringListModel;

    // Adds path at the end unless it is listed already.
    void List(const QString& path);
    // Adds path at the end as what a job made; note says how.
    void AddResult(const QString& path, const QString& note);
    // Keeps the entries that are also in keep (work still to do), in their order.
    void KeepOnly(const QStringList& keep);

    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

private:
    QHash<QString, QString> notes_;
};

// Removes the first entry whose text equals Item exactly.
void RemoveListItem(QStringListModel& list, const QString& Item);

}  // namespace vko
