// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <string>

namespace vko {

// Texts crossing into the box engine, which works on bytes. Paths use the file system's own
// encoding; passwords and box names cross as UTF-8, the bytes vkx reads from a terminal or a
// file, so that a box made by one program opens in the other.
[[nodiscard]] std::string PathBytes(const QString& path);
[[nodiscard]] QString PathFromBytes(const std::string& bytes);
[[nodiscard]] std::string TextBytes(const QString& text);
[[nodiscard]] QString TextFromBytes(const std::string& bytes);

// The path with one folder separator appended unless it already ends in one.
[[nodiscard]] QString WithSeparator(const QString& path);

// The text after the last folder separator; the whole text when it has none.
[[nodiscard]] QString FilePart(const QString& path);
// The name of a folder path, whether or not it ends in a separator.
[[nodiscard]] QString FolderName(QString path);
// The text up to and with the last folder separator; empty when it has none.
[[nodiscard]] QString PathPart(const QString& path);

}  // namespace vko
