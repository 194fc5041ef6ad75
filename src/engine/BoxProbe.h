// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// What can be told about a file before any password is tried: whether it could be a box at
// all. A format 1 or 0.2.0 box starts with its version byte (1 or 2); a legacy box has no
// version byte, but its unenciphered length fields must fit in the file. A text file, a
// picture or a pipe fails both, so the user is told so at once instead of being asked for a
// password that can never open it.
namespace vko::BoxProbe {

enum class Verdict {
    kCouldBeBox,      // worth a password
    kMissing,         // nothing there, or it cannot be opened
    kNotRegularFile,  // a folder, pipe, device or socket: a box is a file read from any offset
    kNotABox,         // a regular file whose first bytes rule out every box layout
};

// Looks at path (links followed) without blocking: a pipe or device is never opened for
// reading.
[[nodiscard]] Verdict Probe(const std::string& path);

// A sentence for the user naming path, for every verdict but kCouldBeBox.
[[nodiscard]] std::string Explain(Verdict verdict, const std::string& path);

}  // namespace vko::BoxProbe
