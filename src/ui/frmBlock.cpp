#include "ui/frmBlock.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/WidgetNames.h"

namespace vko {

namespace {

// Wide enough for a few dozen characters of a name beside a size of ten digits.
constexpr int kStartWidthInCharacters = 72;
constexpr int kStartRows = 14;

}  // namespace

QString JoinRows(QList<int> rows) {
    std::sort(rows.begin(), rows.end());
    QStringList parts;
    for (const int row : rows) parts.append(QString::number(row));
    return parts.join(QLatin1Char(';'));
}

frmBlock::frmBlock(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmBlock"));
    setWindowTitle(QStringLiteral("Vaultkeep Contents"));
    lblName = BoldLabel("lblName", QString());
    lblRoot = Named<QLabel>("lblRoot");
    for (QLabel* label : {lblName, lblRoot})
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lvFiles = Named<QTreeWidget>("lvFiles");
    lvFiles->setRootIsDecorated(false);
    lvFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvFiles->setUniformRowHeights(true);
    lblMsg = BoldLabel("lblMsg", QString());
    cmdExtractAll = Named<QPushButton>("cmdExtractAll", QStringLiteral("Extract All"));
    cmdExtract = Named<QPushButton>("cmdExtract", QStringLiteral("Extract"));
    // Enter chooses nothing here; only a click (or Space on a button) extracts.
    for (QPushButton* button : {cmdExtractAll, cmdExtract}) button->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblMsg, 1);
    buttons->addWidget(cmdExtractAll);
    buttons->addWidget(cmdExtract);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblName);
    layout->addWidget(lblRoot);
    layout->addWidget(lvFiles, 1);
    layout->addLayout(buttons);

    setTabOrder(lvFiles, cmdExtractAll);
    setTabOrder(cmdExtractAll, cmdExtract);
    connect(cmdExtractAll, &QPushButton::clicked, this, &frmBlock::cmdExtractAll_Click);
    connect(cmdExtract, &QPushButton::clicked, this, &frmBlock::cmdExtract_Click);
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
    lvFiles_SelectionChanged();
    const QFontMetrics metrics = fontMetrics();
    resize(metrics.averageCharWidth() * kStartWidthInCharacters,
           sizeHint().height() + metrics.height() * kStartRows);
}

void frmBlock::Fill(const BoxContents& contents) {
    lblName->setText(contents.Name);
    lblRoot->setText(contents.Root);
    lblMsg->setText(contents.Summary);
    QList<QTreeWidgetItem*> rows;
    rows.reserve(contents.Rows.size());
    for (const BoxContents::Row& row : contents.Rows) {
        auto* item = new QTreeWidgetItem({row.Name, row.Size});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(0, row.Name);
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

void frmBlock::cmdExtract_Click() {
    QList<int> rows;
    for (int row = 0; row < lvFiles->topLevelItemCount(); ++row)
        if (lvFiles->topLevelItem(row)->isSelected()) rows.append(row + 1);
    // Only reachable with rows chosen; the button is disabled otherwise.
    if (rows.isEmpty()) return;
    choice_ = {2, JoinRows(rows)};
    accept();
}

}  // namespace vko
