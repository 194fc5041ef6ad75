#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>
#include <string>
#include <string_view>

#include "Version.h"

namespace vko::cli {

namespace {

// One exit code and its meaning, broken at spaces so that no line passes the help's width.
std::string ExitCodeLines(ExitCode code, std::string_view meaning) {
    constexpr size_t kWidth = 94;
    std::string lines = "\n  " + std::to_string(static_cast<int>(code)) + "  ";
    const size_t indent = lines.size() - 1;
    size_t column = indent;
    while (!meaning.empty()) {
        const size_t space = meaning.find(' ');
        const std::string_view word = meaning.substr(0, space);
        meaning.remove_prefix(space == std::string_view::npos ? meaning.size() : space + 1);
        if (column > indent && column + 1 + word.size() > kWidth) {
            lines += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (column > indent) {
            lines += ' ';
            ++column;
        }
        lines += word;
        column += word.size();
    }
    return lines;
}

std::string Footer() {
    std::string footer = R"(
The password is read from the first line of --password-file FILE ("-" reads standard input),
else from the environment variable VKX_PASSWORD, else asked on the terminal. It is never taken
from an argument.

Create and extract end with one line: the files, the bytes read and written, the seconds
taken, and how many hidden files create left out (not with -q, nor when files are named on
stderr). Create leaves out, and names, whatever a box cannot hold: an unreadable folder or
file, a broken link, a name with a backslash or a drive prefix, a file of 2 GiB or more.

Exit codes:)";
    for (const auto& [code, meaning] : kExitCodeMeanings) footer += ExitCodeLines(code, meaning);
    return footer;
}

void AddPasswordFile(CLI::App& command, std::string& target) {
    command
        .add_option("--password-file", target,
                    "Read the password from the first line of FILE (\"-\": standard input)")
        ->type_name("FILE");
}

CLI::App* AddCreate(CLI::App& app, CreateOptions& options) {
    auto* create = app.add_subcommand("create", "Pack FOLDER into a box");
    create->add_option("FOLDER", options.folder, "The folder to box")->required();
    create->add_option("-o", options.box, "Box file (default: <folder name>.vkx here)")
        ->type_name("BOX");
    create->add_option("-n", options.name, "Box name (default: the folder's name)")
        ->type_name("NAME");
    create->add_flag("-z,--compress", options.compress, "Compress every file");
    create->add_flag("--hidden", options.hidden,
                     "Box hidden files and folders too (names beginning with \".\")");
    AddPasswordFile(*create, options.passwordFile);
    create->add_flag("-q", options.quiet, "Show no progress and no summary");
    return create;
}

CLI::App* AddList(CLI::App& app, ListOptions& options) {
    auto* list = app.add_subcommand("list", "Show the name, root folder and files of a box");
    list->add_option("BOX", options.box, "The box file")->required();
    list->add_flag("--json", options.json, "Print one JSON object");
    AddPasswordFile(*list, options.passwordFile);
    return list;
}

CLI::App* AddExtract(CLI::App& app, ExtractOptions& options) {
    auto* extract = app.add_subcommand("extract", "Unpack a whole box, or chosen entries");
    extract->add_option("BOX", options.box, "The box file")->required();
    extract->add_option("ENTRY", options.entries,
                        "Number or path of an entry as `list` shows it (default: all)");
    extract->add_option("-C", options.dir, "Folder to extract into (default: ./<root folder>)")
        ->type_name("DIR");
    AddPasswordFile(*extract, options.passwordFile);
    extract->add_flag("-q", options.quiet, "Show no progress and no summary");
    return extract;
}

}  // namespace

ParsedCommandLine ParseCommandLine(int argc, char** argv) {
    CLI::App app{"vkx " VKO_VERSION_TEXT
                 ": packs a folder tree into one password-encrypted box "
                 "file and back",
                 "vkx"};
    app.set_version_flag("--version", "vkx " VKO_VERSION_TEXT);
    app.footer(Footer());
    app.require_subcommand(1);

    CreateOptions create;
    ListOptions list;
    ExtractOptions extract;
    auto* createCommand = AddCreate(app, create);
    auto* listCommand = AddList(app, list);
    AddExtract(app, extract);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);  // prints help, version or the error
        return code == 0 ? ExitCode::kDone : ExitCode::kUsage;
    }
    if (createCommand->parsed()) return create;
    if (listCommand->parsed()) return list;
    return extract;
}

}  // namespace vko::cli
