// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WorkListModel.h"

namespace vko {

void RemoveListItem(QStringListModel& list, const QString& Item) {
    const auto row = list.stringList().indexOf(Item);
    if (row >= 0) list.removeRows(static_cast<int>(row), 1);
}

void WorkListModel::List(const QString& path) {
    if (stringList().contains(path)) return;
    const int row = rowCount();
    insertRows(row, 1);
    setData(index(row), path);
}

void WorkListModel::AddResult(const QString& path, const QString& note) {
    RemoveListItem(*this, path);
    notes_.insert(path, note);
    List(path);
}

void WorkListModel::KeepOnly(const QStringList& keep) {
    QStringList kept;
    for (const QString& entry : stringList())
        if (keep.contains(entry)) kept.append(entry);
    notes_.clear();
    setStringList(kept);
}

QVariant WorkListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::ToolTipRole) return QStringListModel::data(index, role);
    const QString path = QStringListModel::data(index, Qt::DisplayRole).toString();
    const auto note = notes_.constFind(path);
    return note == notes_.constEnd() ? path : *note + QLatin1Char('\n') + path;
}

}  // namespace vko
