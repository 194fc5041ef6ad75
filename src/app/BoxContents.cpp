// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BoxContents.h"

#include "app/AmountText.h"
#include "app/PathText.h"
#include "engine/BoxPath.h"
#include "engine/CCipherBlock.h"

namespace vko {

std::string EntryPath(const CCipherBlock& engine, const FileRecord& record) {
    // Numbers 0 and 1 both stand for the boxed folder itself.
    if (record.FolderNumber <= 1) return record.Name;
    return BoxPath::ToNativeFolder(engine.Directory(record.FolderNumber)) + record.Name;
}

QString FilesSummary(int64_t count, int64_t total, const QLocale& locale) {
    return QStringLiteral("Files: ") + locale.toString(static_cast<qlonglong>(count)) +
           QStringLiteral("        Size: ") + SizeText(total, locale);
}

void DescribeSeal(BoxContents& contents, BoxFormat::Format format, bool sealed,
                  const std::string& damage) {
    const QString name = QString::fromLatin1(BoxFormat::FormatName(format));
    contents.Verifiable = format == BoxFormat::Format::kSealed;
    contents.SealDamaged = contents.Verifiable && !sealed;
    if (!contents.Verifiable) {
        contents.Seal = (format == BoxFormat::Format::kLegacy ? QStringLiteral("Legacy format")
                                                              : QStringLiteral("Format ") + name) +
                        QStringLiteral(", not sealed: older boxes carry no seal");
        contents.SealTip = QStringLiteral(
            "Boxes made before version 0.3 carry no seal: a change to this box is not caught, "
            "and none of its files can be verified. Its files are extracted as before.");
        return;
    }
    if (sealed) {
        contents.Seal = QStringLiteral("Format 1, sealed");
        contents.SealTip = QStringLiteral(
            "Sealed: every change to this box is caught. Each file is checked against its seal "
            "as it is extracted, or all at once with Verify; a file that fails is named and not "
            "written unless you ask for it.");
        return;
    }
    const QString why = TextFromBytes(damage);
    contents.Seal = QStringLiteral("Format 1, not sealed: ") + why;
    contents.SealTip = QStringLiteral("This box is damaged: ") + why +
                       QStringLiteral(
                           ". A change to it may go unnoticed, so none of its files counts as "
                           "verified. Files that still match their tags can be extracted; the "
                           "others are named and not written unless you ask for them.");
}

BoxContents ReadContents(const CCipherBlock& engine, const QLocale& locale) {
    BoxContents contents;
    contents.Name = QStringLiteral("Box Name: ") + TextFromBytes(engine.BlockName());
    if (engine.Compressed() == 1) contents.Name += QStringLiteral(" (compressed)");
    contents.Root = QStringLiteral("Root Folder: ") + PathFromBytes(engine.RootPath());

    // Summed in 64 bits: a box may hold more than the 32-bit range in total.
    int64_t total = 0;
    const auto count = static_cast<int32_t>(engine.Files().size());
    for (int32_t i = 0; i < count; ++i) {
        const FileRecord record = engine.Record(i);
        contents.Rows.append(
            {PathFromBytes(EntryPath(engine, record)), locale.toString(record.Size), record.Size});
        total += record.Size;
    }
    contents.Summary = FilesSummary(count, total, locale);
    DescribeSeal(contents, engine.Format(), engine.Sealed(), engine.SealDamage());
    return contents;
}

}  // namespace vko
