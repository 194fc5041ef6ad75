// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmBlock.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/ShellOpen.h"
#include "ui/ElidedLabel.h"
#include "ui/WidgetNames.h"
#include "ui/WindowFit.h"

namespace vko {

namespace {

// Wide enough for a few dozen characters of a name beside a size of ten digits.
constexpr int kStartWidthInCharacters = 72;
constexpr int kStartRows = 14;
constexpr int kFileNumber = Qt::UserRole;  // a row's file, counted from 1 in box order
constexpr int kBytes = Qt::UserRole + 1;

// Sorts sizes by their number and names as people read them; rows keep their file number.
class FileRow : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (column == 1) return data(1, kBytes).toLongLong() < other.data(1, kBytes).toLongLong();
        return QString::localeAwareCompare(text(0), other.text(0)) < 0;
    }
};

}  // namespace

QString JoinRows(QList<int> rows) {
    std::sort(rows.begin(), rows.end());
    QStringList parts;
    for (const int row : rows) parts.append(QString::number(row));
    return parts.join(QLatin1Char(';'));
}

frmBlock::frmBlock(QWidget* parent, const SettingsStore* sizes)
    : QDialog(parent), sizes_(sizes) {
    setObjectName(QStringLiteral("frmBlock"));
    setWindowTitle(QStringLiteral("Vaultkeep Contents"));
    lblName = Named<ElidedLabel>("lblName");
    QFont bold = lblName->font();
    bold.setBold(true);
    lblName->setFont(bold);
    lblRoot = Named<ElidedLabel>("lblRoot");
    imgSeal = Named<QLabel>("imgSeal");
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
    imgSeal->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize));
    imgSeal->hide();
    lblSeal = Named<QLabel>("lblSeal");
    lblSeal->setTextFormat(Qt::PlainText);
    lvFiles = Named<QTreeWidget>("lvFiles");
    lvFiles->setRootIsDecorated(false);
    lvFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvFiles->setUniformRowHeights(true);
    lvFiles->setTextElideMode(Qt::ElideMiddle);
    lblMsg = BoldLabel("lblMsg", QString());
    cmdExtractAll = Named<QPushButton>("cmdExtractAll", QStringLiteral("Extract &All"));
    cmdExtract = Named<QPushButton>("cmdExtract", QStringLiteral("&Extract"));
    cmdOpenFolder = Named<QPushButton>("cmdOpenFolder", QStringLiteral("Open as &Folder"));
    cmdOpenFolder->setToolTip(
        QStringLiteral("Show the box as a read-only folder while this window is open; nothing "
                       "deciphered is written to disk"));
    cmdOpenFolder->setEnabled(false);
    cmdVerify = Named<QPushButton>("cmdVerify", QStringLiteral("&Verify"));
    // Enter chooses nothing here; only a click (or Space on a button) extracts.
    for (QPushButton* button : {cmdVerify, cmdExtractAll, cmdExtract, cmdOpenFolder})
        button->setAutoDefault(false);

    // Verify beside the line that says what it checks; the row of the list's summary keeps
    // its room.
    auto* seal = new QHBoxLayout;
    seal->addWidget(imgSeal);
    seal->addWidget(lblSeal, 1);
    seal->addWidget(cmdVerify);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblMsg, 1);
    buttons->addWidget(cmdExtractAll);
    buttons->addWidget(cmdExtract);
    buttons->addWidget(cmdOpenFolder);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblName);
    layout->addWidget(lblRoot);
    layout->addLayout(seal);
    layout->addWidget(lvFiles, 1);
    layout->addLayout(buttons);

    // The list first, where the window opens; Verify last.
    setTabOrder(lvFiles, cmdExtractAll);
    setTabOrder(cmdExtractAll, cmdExtract);
    setTabOrder(cmdExtract, cmdOpenFolder);
    setTabOrder(cmdOpenFolder, cmdVerify);
    lvFiles->setFocus();
    connect(cmdExtractAll, &QPushButton::clicked, this, &frmBlock::cmdExtractAll_Click);
    connect(cmdExtract, &QPushButton::clicked, this, &frmBlock::cmdExtract_Click);
    connect(cmdOpenFolder, &QPushButton::clicked, this, &frmBlock::cmdOpenFolder_Click);
    connect(cmdVerify, &QPushButton::clicked, this, &frmBlock::cmdVerify_Click);
    connect(lvFiles, &QTreeWidget::itemSelectionChanged, this, &frmBlock::lvFiles_SelectionChanged);
    Form_Load();
}

void frmBlock::Form_Load() {
    if (parentWidget()) setWindowIcon(parentWidget()->windowIcon());
    lvFiles->setHeaderLabels({QStringLiteral("Filename"), QStringLiteral("Size")});
    lvFiles->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    // The name takes the room the size leaves; the size column always shows its widest figure.
    QHeaderView* header = lvFiles->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    // Box order until a column's header is clicked.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    lvFiles->setSortingEnabled(true);
    lvFiles_SelectionChanged();
    const QFontMetrics metrics = fontMetrics();
    QSize size(metrics.averageCharWidth() * kStartWidthInCharacters,
               sizeHint().height() + metrics.height() * kStartRows);
    if (sizes_ && sizes_->WindowSize(QStringLiteral("Contents")).isValid())
        size = sizes_->WindowSize(QStringLiteral("Contents"));
    FitToScreen(this, size);
}

void frmBlock::done(int result) {
    if (sizes_) sizes_->SaveWindowSize(QStringLiteral("Contents"), size());
    QDialog::done(result);
}

void frmBlock::Fill(const BoxContents& contents) {
    if (!contents.File.isEmpty())
        setWindowTitle(QStringLiteral("Vaultkeep Contents - ") + contents.File);
    lblName->SetWholeText(contents.Name);
    lblRoot->SetWholeText(contents.Root);
    lblMsg->setText(contents.Summary);
    openAsFolder_ = contents.OpenAsFolder;
    cmdOpenFolder->setEnabled(static_cast<bool>(openAsFolder_));
    lblSeal->setText(contents.Seal);
    lblSeal->setToolTip(contents.SealTip);
    imgSeal->setVisible(contents.SealDamaged);
    imgSeal->setToolTip(contents.SealTip);
    cmdVerify->setEnabled(contents.Verifiable);
    cmdVerify->setToolTip(contents.Verifiable
                              ? QStringLiteral("Check every file against the box's seal; nothing "
                                               "is written")
                              : QStringLiteral("Older boxes carry no seal: nothing in them can be "
                                               "verified"));
    QList<QTreeWidgetItem*> rows;
    rows.reserve(contents.Rows.size());
    for (qsizetype i = 0; i < contents.Rows.size(); ++i) {
        const BoxContents::Row& row = contents.Rows[i];
        auto* item = new FileRow(QStringList{row.Name, row.Size});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(0, row.Name);
        item->setData(0, kFileNumber, static_cast<int>(i + 1));
        item->setData(1, kBytes, static_cast<qlonglong>(row.Bytes));
        rows.append(item);
    }
    lvFiles->addTopLevelItems(rows);
}

void frmBlock::lvFiles_SelectionChanged() {
    cmdExtract->setEnabled(!lvFiles->selectedItems().isEmpty());
}

void frmBlock::cmdExtractAll_Click() {
    choice_ = {1, QString()};
    accept();
}

void frmBlock::cmdOpenFolder_Click() {
    const QString folder = openAsFolder_ ? openAsFolder_() : QString();
    if (!folder.isEmpty()) ShellOpen(QUrl::fromLocalFile(folder));
}

void frmBlock::cmdVerify_Click() {
    choice_ = {3, QString()};
    accept();
}

void frmBlock::cmdExtract_Click() {
    // The files chosen, by their place in the box, however the list is sorted.
    QList<int> rows;
    for (const QTreeWidgetItem* item : lvFiles->selectedItems())
        rows.append(item->data(0, kFileNumber).toInt());
    // Only reachable with rows chosen; the button is disabled otherwise.
    if (rows.isEmpty()) return;
    choice_ = {2, JoinRows(rows)};
    accept();
}

}  // namespace vko
