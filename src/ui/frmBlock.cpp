#include "ui/frmBlock.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTreeWidget>
#include <algorithm>

#include "ui/WidgetNames.h"

namespace vko {

namespace {

// Fixed places and sizes, in twips of the client area.
constexpr int kLabelLeft = 120;
constexpr int kLabelHeight = 255;
constexpr int kNameTop = 60;
constexpr int kRootTop = 300;
constexpr int kListLeft = 15;
constexpr int kListTop = 600;
constexpr int kButtonWidth = 975;
constexpr int kButtonHeight = 360;
constexpr int kFileColumn = 3900;
constexpr int kSizeColumn = 1200;
// Small enough to shrink, large enough that the list and its first column keep a size.
constexpr int kMinWidth = 3400;
constexpr int kMinHeight = 2400;

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
    setSizeGripEnabled(true);
    lblName = BoldLabel("lblName", QString());
    lblName->setParent(this);
    lblRoot = Named<QLabel>("lblRoot", this);
    lvFiles = Named<QTreeWidget>("lvFiles", this);
    lvFiles->setRootIsDecorated(false);
    lvFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvFiles->setUniformRowHeights(true);
    lblMsg = BoldLabel("lblMsg", QString());
    lblMsg->setParent(this);
    cmdExtractAll = Named<QPushButton>("cmdExtractAll", QStringLiteral("Extract All"), this);
    cmdExtract = Named<QPushButton>("cmdExtract", QStringLiteral("Extract"), this);
    // Enter chooses nothing here; only a click (or Space on a button) extracts.
    for (QPushButton* button : {cmdExtractAll, cmdExtract}) button->setAutoDefault(false);
    setTabOrder(lvFiles, cmdExtractAll);
    setTabOrder(cmdExtractAll, cmdExtract);
    connect(cmdExtractAll, &QPushButton::clicked, this, &frmBlock::cmdExtractAll_Click);
    connect(cmdExtract, &QPushButton::clicked, this, &frmBlock::cmdExtract_Click);
    Form_Load();
}

void frmBlock::Form_Load() {
    if (parentWidget()) setWindowIcon(parentWidget()->windowIcon());
    lvFiles->setHeaderLabels({QStringLiteral("Filename"), QStringLiteral("Size")});
    lvFiles->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    lvFiles->header()->setStretchLastSection(false);
    lvFiles->setColumnWidth(0, TwipsX(kFileColumn));
    lvFiles->setColumnWidth(1, TwipsX(kSizeColumn));
    setMinimumSize(TwipsX(kMinWidth - kBorderWidth), TwipsY(kMinHeight - kBorderHeight));
    resize(TwipsX(kDesignWidth), TwipsY(kDesignHeight));
}

int frmBlock::TwipsX(int twips) const {
    return qRound(twips * logicalDpiX() / 1440.0);
}

int frmBlock::TwipsY(int twips) const {
    return qRound(twips * logicalDpiY() / 1440.0);
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
        rows.append(item);
    }
    lvFiles->addTopLevelItems(rows);
}

void frmBlock::cmdExtractAll_Click() {
    choice_ = {1, QString()};
    accept();
}

void frmBlock::cmdExtract_Click() {
    QList<int> rows;
    for (int row = 0; row < lvFiles->topLevelItemCount(); ++row)
        if (lvFiles->topLevelItem(row)->isSelected()) rows.append(row + 1);
    // Nothing chosen, nothing to extract: the window stays for the user to pick rows.
    if (rows.isEmpty()) return;
    choice_ = {2, JoinRows(rows)};
    accept();
}

void frmBlock::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

void frmBlock::Form_Resize() {
    if (isMinimized()) return;
    // The layout rules speak of the outer size in twips.
    const int W = qRound(width() * 1440.0 / logicalDpiX()) + kBorderWidth;
    const int H = qRound(height() * 1440.0 / logicalDpiY()) + kBorderHeight;
    const int labelWidth = std::max(0, W - kBorderWidth - 2 * kLabelLeft);
    lblName->setGeometry(TwipsX(kLabelLeft), TwipsY(kNameTop), TwipsX(labelWidth),
                         TwipsY(kLabelHeight));
    lblRoot->setGeometry(TwipsX(kLabelLeft), TwipsY(kRootTop), TwipsX(labelWidth),
                         TwipsY(kLabelHeight));
    lvFiles->setGeometry(TwipsX(kListLeft), TwipsY(kListTop), TwipsX(std::max(0, W - 150)),
                         TwipsY(std::max(0, H - 1540)));
    lblMsg->setGeometry(TwipsX(kLabelLeft), TwipsY(H - 820),
                        TwipsX(std::max(0, W - 2130 - kLabelLeft - 60)), TwipsY(kLabelHeight));
    cmdExtractAll->setGeometry(TwipsX(W - 2130), TwipsY(H - 900), TwipsX(kButtonWidth),
                               TwipsY(kButtonHeight));
    cmdExtract->setGeometry(TwipsX(W - 1125), TwipsY(H - 900), TwipsX(kButtonWidth),
                            TwipsY(kButtonHeight));
    lvFiles->setColumnWidth(0, TwipsX(std::max(0, W - 1755)));
}

}  // namespace vko
