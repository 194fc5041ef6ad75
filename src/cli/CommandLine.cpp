// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "Version.h"
#include "cli/HelpText.h"
#include "cli/NearestWord.h"

namespace vko::cli {

namespace {

constexpr unsigned kMaxThreads = 1024;

std::string Footer() {
    std::string footer = WrapParagraphs(
        "The password is read from the first line of --password-file FILE, without its line "
        "ending (LF or CR LF; \"-\" reads standard input), else from the environment variable "
        "VKX_PASSWORD, else asked on the terminal. It is never taken from an argument.\n\n"
        "Create and extract end with one line: the files, the bytes read and written, the "
        "seconds taken, and how many hidden files create left out (not with -q, nor when files "
        "are named on stderr).\n\n"
        "Exit codes:");
    for (const auto& [code, meaning] : kExitCodeMeanings) {
        const std::string number = "  " + std::to_string(static_cast<int>(code)) + "  ";
        footer += "\n" + number + WrapWords(meaning, kHelpWidth, number.size());
    }
    return footer + "\n\nSee man vkx for the JSON of list, examples, and what a box protects.";
}

// A command's own notes before the footer every command shares.
void AddNotes(CLI::App& command, std::string_view notes) {
    command.footer(WrapParagraphs(notes) + "\n\n" + Footer());
}

void AddPasswordFile(CLI::App& command, std::string& target) {
    command
        .add_option("--password-file", target,
                    "Read the password from the first line of FILE (\"-\": standard input)")
        ->type_name("FILE");
}

// Every command that moves file contents takes it.
void AddThreads(CLI::App& command, unsigned& target) {
    command
        .add_option("--threads", target,
                    "Worker threads that read, compress and encipher (default: one per core)")
        ->type_name("N")
        ->check(CLI::Range(1u, kMaxThreads).description(""));
}

// Three flags for one choice: giving two is a usage error.
void AddExistingFiles(CLI::App& extract, ExistingFiles& existing) {
    auto chosen = std::make_shared<int>(0);
    const auto choose = [&existing, chosen](ExistingFiles choice) {
        return [&existing, chosen, choice](std::int64_t) {
            existing = choice;
            ++*chosen;
        };
    };
    extract.add_flag_function("--keep-existing", choose(ExistingFiles::kKeep),
                              "Keep files already there and name them (exit 5); the default");
    extract.add_flag_function("--overwrite", choose(ExistingFiles::kReplace),
                              "Replace files already there");
    extract.add_flag_function("--skip-existing", choose(ExistingFiles::kSkip),
                              "Keep files already there, quietly");
    extract.callback([chosen] {
        if (*chosen > 1)
            throw CLI::ValidationError(
                "--keep-existing, --overwrite and --skip-existing exclude each other");
    });
}

void AddQuiet(CLI::App& command, bool& target) {
    command.add_flag("-q,--quiet", target, "Show no progress and no summary");
}

CLI::App* AddCreate(CLI::App& app, CreateOptions& options) {
    auto* create = app.add_subcommand("create", "Pack FOLDER into a box");
    create->add_option("FOLDER", options.folder, "The folder to box")->required();
    create->add_option("-o,--output", options.box, "Box file (default: <folder name>.vkx here)")
        ->type_name("BOX");
    create->add_option("-n,--name", options.name, "Box name (default: the folder's name)")
        ->type_name("NAME");
    create->add_flag("-z,--compress", options.compress, "Compress every file");
    create->add_flag("--hidden", options.hidden,
                     "Box hidden files and folders too (names beginning with \".\")");
    AddPasswordFile(*create, options.passwordFile);
    AddThreads(*create, options.threads);
    AddQuiet(*create, options.quiet);
    AddNotes(*create,
             "Left out of the box: hidden files and folders (names starting with \".\"), links "
             "to folders, sockets, pipes and devices, and folders that hold no file (they are "
             "not recreated); --hidden boxes hidden ones. Whatever else a box cannot hold is left "
             "out and named on stderr (exit 5): an unreadable folder or file, a broken link, a "
             "name with a backslash or a drive prefix, a file of 2 GiB or more.\n\n"
             "Limits: each file below 2 GiB, at most 65,535 folders that hold files, a box name "
             "of 255 bytes and file names of 249 (245 compressed); the box as a whole may hold "
             "any number of bytes.\n\n"
             "BOX is replaced once the new box is complete, keeping its permissions; through a "
             "symbolic link the file it leads to is replaced. A box is never written over a "
             "folder, a device or a pipe, nor to standard output (-o -): it is written in more "
             "than one pass.");
    return create;
}

CLI::App* AddList(CLI::App& app, ListOptions& options) {
    auto* list = app.add_subcommand("list", "Show the name, format, seal and files of a box");
    list->add_option("BOX", options.box, "The box file")->required();
    list->add_flag("--json", options.json, "Print one JSON object (see man vkx)");
    AddPasswordFile(*list, options.passwordFile);
    AddNotes(*list,
             "Each file's line holds its number, its path as the box stores it (\"\\\" between "
             "folders) and its size. In JSON, paths have \"/\" between folders. A box of format 1 "
             "whose seal is missing, cut or does not verify is named as damaged (exit 5); "
             "verify checks every file's tag too.");
    return list;
}

CLI::App* AddExtract(CLI::App& app, ExtractOptions& options) {
    auto* extract = app.add_subcommand("extract", "Unpack a whole box, or chosen entries");
    extract->add_option("BOX", options.box, "The box file")->required();
    extract->add_option("ENTRY", options.entries,
                        "Number or path of an entry as `list` shows it (default: all)");
    extract
        ->add_option("-C,--directory", options.dir,
                     "Folder to extract into (default: ./<root folder>)")
        ->type_name("DIR");
    AddExistingFiles(*extract, options.existing);
    extract->add_flag("--keep-damaged", options.keepDamaged,
                      "Write files whose contents do not match their tag all the same (still "
                      "named, exit 5)");
    AddPasswordFile(*extract, options.passwordFile);
    AddThreads(*extract, options.threads);
    AddQuiet(*extract, options.quiet);
    AddNotes(*extract,
             "An ENTRY is the number list shows, or the path it shows (\"/\" may stand for "
             "\"\\\"); a path that is all digits is written ./NAME.\n\n"
             "A file already in DIR under an entry's name is kept and named (exit 5) unless "
             "--overwrite replaces it, once the entry is complete, keeping its permissions less "
             "setuid, setgid and sticky; --skip-existing keeps it without a word. New files are "
             "readable by their owner only (0600), new folders 0700. A file whose stored "
             "contents are damaged is named, its stream kept beside it as NAME.zlib (or "
             "NAME.1.zlib, ... never over a file), and the other files are extracted; a file "
             "that cannot be written is named and the next ones still written. BOX must be a "
             "regular file.\n\n"
             "Every file of a box of format 1 is checked against its tag before it is put in "
             "place: one that does not match is named as damaged and not written unless "
             "--keep-damaged is given. In a box whose seal is missing or cut, the files whose tags "
             "are there and match are extracted, and the box is named as damaged (exit 5).");
    return extract;
}

CLI::App* AddMount(CLI::App& app, MountOptions& options) {
    auto* mount = app.add_subcommand("mount", "Open a box as a read-only folder");
    mount->add_option("BOX", options.box, "The box file")->required();
    mount->add_option("FOLDER", options.folder, "An empty folder to show it in")->required();
    mount->add_flag("--background", options.background,
                    "Return once the folder is there; it stays until fusermount3 -u FOLDER");
    mount
        ->add_option("--memory", options.memoryMiB,
                     "MiB of locked memory for expanded compressed files (default 256)")
        ->type_name("MIB")
        ->check(CLI::Range(1u, 1u << 20).description(""));
    AddPasswordFile(*mount, options.passwordFile);
    AddNotes(*mount,
             "Shows the box's files in FOLDER, read-only, for the user who mounted it; nothing "
             "deciphered is written to disk. It stays until Ctrl-C, SIGTERM or fusermount3 -u "
             "FOLDER; programs that still hold files there keep them until they close them "
             "(Ctrl-C again ends that too). A file found damaged is named on stderr (in the "
             "system log with --background) and reading it fails.");
    return mount;
}

CLI::App* AddVerify(CLI::App& app, VerifyOptions& options) {
    auto* verify = app.add_subcommand("verify", "Check every tag of a box, writing nothing");
    verify->add_option("BOX", options.box, "The box file")->required();
    AddPasswordFile(*verify, options.passwordFile);
    AddThreads(*verify, options.threads);
    AddQuiet(*verify, options.quiet);
    AddNotes(*verify,
             "Reads the whole box: the header's and the seal's tags, then every file's stored "
             "bytes against its tag. Exit 0 when all of them match; 5 naming each damaged or "
             "missing file, and the box when its seal is missing, cut or does not verify, or when "
             "it is an older box that carries no seal; 1 for a wrong password.");
    return verify;
}

// A first argument that is no command: named, with the command it most likely meant.
void RequireKnownCommand(const CLI::App& app, int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') return;
    const std::string typed = argv[1];
    std::vector<std::string> names;
    for (const CLI::App* command : app.get_subcommands({})) names.push_back(command->get_name());
    if (std::find(names.begin(), names.end(), typed) != names.end()) return;
    const std::string nearest = NearestWord(typed, names);
    throw UsageError("unknown command \"" + typed + "\"" +
                     (nearest.empty() ? "" : ": did you mean " + nearest + "?") +
                     "\nvkx --help lists the commands");
}

}  // namespace

ParsedCommandLine ParseCommandLine(int argc, char** argv) {
    CLI::App app{"vkx " VKO_VERSION_TEXT
                 ": packs a folder tree into one password-encrypted box "
                 "file and back",
                 "vkx"};
    app.formatter(WrappingHelpFormatter());
    app.set_version_flag("--version", "vkx " VKO_VERSION_TEXT);
    app.footer(Footer());
    app.require_subcommand(1);

    CreateOptions create;
    ListOptions list;
    ExtractOptions extract;
    VerifyOptions verify;
    MountOptions mount;
    auto* createCommand = AddCreate(app, create);
    auto* listCommand = AddList(app, list);
    auto* extractCommand = AddExtract(app, extract);
    auto* verifyCommand = AddVerify(app, verify);
    AddMount(app, mount);

    RequireKnownCommand(app, argc, argv);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);  // prints help, version or the error
        return code == 0 ? ExitCode::kDone : ExitCode::kUsage;
    }
    if (createCommand->parsed()) return create;
    if (listCommand->parsed()) return list;
    if (extractCommand->parsed()) return extract;
    if (verifyCommand->parsed()) return verify;
    return mount;
}

}  // namespace vko::cli
