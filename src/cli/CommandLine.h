// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "cli/ExitCode.h"
#include "engine/ExistingFiles.h"

namespace vko::cli {

struct CreateOptions {
    std::string folder;
    std::string box;   // empty: "<folder name>.vkx" in the current folder
    std::string name;  // empty: the folder's name
    std::string passwordFile;
    unsigned threads = 0;  // 0: one per core
    bool compress = false;
    bool hidden = false;  // box hidden files and folders too
    bool quiet = false;
};

struct ListOptions {
    std::string box;
    std::string passwordFile;
    bool json = false;
};

struct ExtractOptions {
    std::string box;
    std::string dir;  // empty: "./<root folder name>"
    std::string passwordFile;
    std::vector<std::string> entries;  // empty: the whole box
    ExistingFiles existing = ExistingFiles::kKeep;
    unsigned threads = 0;              // 0: one per core
    bool keepDamaged = false;          // write files that fail their tag all the same
    bool quiet = false;
};

struct VerifyOptions {
    std::string box;
    std::string passwordFile;
    unsigned threads = 0;  // 0: one per core
    bool quiet = false;
};

struct MountOptions {
    std::string box;
    std::string folder;
    std::string passwordFile;
    unsigned memoryMiB = 256;  // expanded files held at most
    bool background = false;
};

// What to run, or the exit code when the command line settled the run by itself (--help,
// --version, or a usage error, whose message has been printed).
using ParsedCommandLine =
    std::variant<CreateOptions, ListOptions, ExtractOptions, VerifyOptions, MountOptions,
                 ExitCode>;

[[nodiscard]] ParsedCommandLine ParseCommandLine(int argc, char** argv);

}  // namespace vko::cli
