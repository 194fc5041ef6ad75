// SPDX-License-Identifier: GPL-3.0-or-later
// Extracts arbitrary bytes as a box into a fresh folder, once whole and once file by file: the
// extractor must finish with a result code or a vko::Failure, never crash, and never create
// anything outside the folder it was given.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "engine/CCipherBlock.h"
#include "util/Failure.h"

namespace fs = std::filesystem;

namespace {

// True when folder holds nothing but the given names.
bool HoldsOnly(const std::string& folder, std::initializer_list<std::string> names) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (std::find(names.begin(), names.end(), entry.path().filename().string()) == names.end())
            return false;
    }
    return true;
}

void ExtractWhole(vko::CCipherBlock& engine, const std::string& box, const std::string& target) {
    try {
        (void)engine.ExtractBlock(box, target, vko::fuzz::kPassword);
    } catch (const vko::Failure&) {
        // A clean error is an acceptable answer to a damaged box.
    }
}

// Every file of the box, one at a time, the way a caller picks files from a listing.
void ExtractEachFile(vko::CCipherBlock& engine, const std::string& box, const std::string& target) {
    try {
        if (engine.DynamicExtractBlock(box, target, vko::fuzz::kPassword) == 0) {
            const auto count = static_cast<int32_t>(engine.Files().size());
            for (int32_t number = 1; number <= count && number <= 64; ++number)
                engine.DynamicExtractToFile(number, target);
        }
    } catch (const vko::Failure&) {
    }
    engine.DynamicClose();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vko::fuzz::Prepare();
    const std::string box = vko::fuzz::WriteBox(data, size);
    const std::string run = vko::fuzz::Scratch() + "run/";
    fs::create_directories(run);
    vko::QuietHost host;
    vko::CCipherBlock engine(host);
    ExtractWhole(engine, box, run + "whole");
    ExtractEachFile(engine, box, run + "single");
    if (!HoldsOnly(run, {"whole", "single"}) ||
        !HoldsOnly(vko::fuzz::Scratch(), {"input.vkx", "run"}))
        __builtin_trap();  // something was written outside the target folders
    vko::fuzz::RemoveTree(run);
    return 0;
}
