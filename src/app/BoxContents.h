#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <string>

namespace vko {

class CCipherBlock;
struct FileRecord;

// What the box contents window shows of the box read last.
struct BoxContents {
    struct Row {
        QString Name;  // folder and file name
        QString Size;  // bytes, with digit grouping
        int64_t Bytes = 0;
    };
    QString File;     // the box file's name, for the window's title
    QString Name;     // "Box Name: ..." with " (compressed)"
    QString Root;     // "Root Folder: ..."
    QString Summary;  // "Files: 3        Size: 600 bytes"
    QList<Row> Rows;  // row n (from 1) is file n of the box
};

// The lines and rows of the box whose header the engine has just read.
[[nodiscard]] BoxContents ReadContents(const CCipherBlock& engine, const QLocale& locale);

// Where a file of the box read last lands below the extraction folder ("day 1/log.csv"), in
// the file system's bytes; the contents window lists it so.
[[nodiscard]] std::string EntryPath(const CCipherBlock& engine, const FileRecord& record);

// "Files: " + count + eight spaces + "Size: " + the total's text.
[[nodiscard]] QString FilesSummary(int64_t count, int64_t total, const QLocale& locale);

}  // namespace vko
