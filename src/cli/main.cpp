// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <new>
#include <stdexcept>
#include <variant>

#include "cli/CancelSignal.h"
#include "cli/CommandLine.h"
#include "cli/CreateCommand.h"
#include "cli/ExtractCommand.h"
#include "cli/ListCommand.h"
#include "cli/MountCommand.h"
#include "cli/StandardStreams.h"
#include "cli/VerifyCommand.h"
#include "cli/TerminalHost.h"
#include "crypto/CoreDumps.h"
#include "util/Failure.h"

namespace {

using vko::cli::ExitCode;

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};

ExitCode Run(const vko::cli::ParsedCommandLine& parsed) {
    return std::visit(Overloaded{[](const vko::cli::CreateOptions& o) { return RunCreate(o); },
                                 [](const vko::cli::ListOptions& o) { return RunList(o); },
                                 [](const vko::cli::ExtractOptions& o) { return RunExtract(o); },
                                 [](const vko::cli::MountOptions& o) { return RunMount(o); },
                                 [](const vko::cli::VerifyOptions& o) { return RunVerify(o); },
                                 [](ExitCode settled) { return settled; }},
                      parsed);
}

// Every failure ends here, as a message on stderr and an exit code a script can test.
ExitCode RunReportingFailures(int argc, char** argv) {
    using vko::cli::PrintError;
    try {
        const ExitCode code = Run(vko::cli::ParseCommandLine(argc, argv));
        if (code == ExitCode::kDone || code == ExitCode::kDoneInPart)
            vko::cli::StandardStreams::RequireWritten();
        return code;
    } catch (const vko::cli::CommandError& e) {
        if (e.Code() != ExitCode::kCancelled && *e.what() != 0) PrintError(e.what());
        return e.Code();
    } catch (const vko::Failure& e) {
        PrintError(e.Description());
        return ExitCode::kFileSystem;
    } catch (const std::filesystem::filesystem_error& e) {
        PrintError(e.code().message() + ": " + e.path1().string());
        return ExitCode::kFileSystem;
    } catch (const std::bad_alloc&) {
        PrintError("out of memory");
        return ExitCode::kFileSystem;
    } catch (const std::exception& e) {
        PrintError(e.what());
        return ExitCode::kFileSystem;
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Every command may hold a password; none of it may reach a core file.
    vko::crypto::DisableCoreDumps();
    vko::cli::StandardStreams::Reserve();
    vko::cli::CancelSignal::Install();
    ExitCode code = RunReportingFailures(argc, argv);
    if (code == ExitCode::kCancelled) vko::cli::PrintError("cancelled");
    return static_cast<int>(code);
}
