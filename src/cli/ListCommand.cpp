#include "cli/ListCommand.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/BoxListing.h"
#include "cli/DisplayText.h"
#include "cli/PasswordSource.h"
#include "cli/ProblemReport.h"

namespace vko::cli {

namespace {

// Long paths would push every size far to the right; beyond this they just stick out.
constexpr size_t kMaxPathColumn = 60;

void PrintText(const BoxListing& listing) {
    std::printf("Box:         %s\n", ForDisplay(listing.name).c_str());
    std::printf("Root folder: %s\n", ForDisplay(listing.root).c_str());
    std::printf("Version:     %d\n", listing.version);
    std::printf("Compressed:  %s\n", listing.compressed ? "yes" : "no");
    size_t pathWidth = 0;
    for (const auto& file : listing.files) pathWidth = std::max(pathWidth, file.path.size());
    pathWidth = std::min(pathWidth, kMaxPathColumn);
    int numberWidth = static_cast<int>(std::to_string(listing.files.size()).size());
    for (const auto& file : listing.files)
        std::printf("%*d  %-*s  %12lld\n", numberWidth, file.number, static_cast<int>(pathWidth),
                    ForDisplay(file.path).c_str(), static_cast<long long>(file.size));
    std::printf("%zu file%s, %lld bytes\n", listing.files.size(),
                listing.files.size() == 1 ? "" : "s", static_cast<long long>(listing.totalSize));
}

void PrintJson(const BoxListing& listing, const std::vector<FileProblem>& problems) {
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const auto& file : listing.files)
        files.push_back({{"index", file.number},
                         {"path", file.path},
                         {"size", file.size},
                         {"stored", file.stored}});
    nlohmann::ordered_json damage = nlohmann::ordered_json::array();
    for (const auto& problem : problems)
        damage.push_back({{"path", problem.path}, {"reason", problem.reason}});
    nlohmann::ordered_json out = {
        {"name", listing.name},         {"root", listing.root},
        {"version", listing.version},   {"compressed", listing.compressed},
        {"files", std::move(files)},    {"totalSize", listing.totalSize},
        {"problems", std::move(damage)}};
    // Names are bytes as the file system gave them; bytes that are not UTF-8 become U+FFFD
    // instead of aborting the whole listing.
    std::string text = out.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::printf("%s\n", text.c_str());
}

}  // namespace

ExitCode RunList(const ListOptions& options) {
    RequireReadableBox(options.box);
    Password password = ReadPassword(options.passwordFile, PasswordUse::kOpen);
    TerminalHost host;
    CCipherBlock engine(host);
    auto listing = ReadListing(engine, host, options.box, password.Text());
    if (!listing) return ExitCode::kBadHeader;
    if (options.json)
        PrintJson(*listing, engine.Problems());
    else
        PrintText(*listing);
    std::fflush(stdout);  // the listing first, then what is wrong with it
    return ReportProblems(engine.Problems());
}

}  // namespace vko::cli
