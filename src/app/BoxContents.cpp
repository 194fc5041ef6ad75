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
    return contents;
}

}  // namespace vko
