// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/BoxFormat.h"

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
    // Shows the box as a folder for as long as the window is open: the folder, or an empty
    // string once the user has been told why not. Unset where it cannot be offered.
    std::function<QString()> OpenAsFolder;
    // Whether a change to the box is caught: "Format 1, sealed", or "..., not sealed: why".
    QString Seal;
    QString SealTip;           // what that means for this box
    bool SealDamaged = false;  // a box that should be sealed and is not: shown as a warning
    bool Verifiable = false;   // it carries tags its files can be checked against
};

// The lines and rows of the box whose header the engine has just read.
[[nodiscard]] BoxContents ReadContents(const CCipherBlock& engine, const QLocale& locale);

// The seal line of a box of format, sealed or not, and why not (the engine's words).
void DescribeSeal(BoxContents& contents, BoxFormat::Format format, bool sealed,
                  const std::string& damage);

// Where a file of the box read last lands below the extraction folder ("day 1/log.csv"), in
// the file system's bytes; the contents window lists it so.
[[nodiscard]] std::string EntryPath(const CCipherBlock& engine, const FileRecord& record);

// "Files: " + count + eight spaces + "Size: " + the total's text.
[[nodiscard]] QString FilesSummary(int64_t count, int64_t total, const QLocale& locale);

}  // namespace vko
