// Extracts arbitrary bytes as a box into a fresh folder: the extractor must finish with a
// result code or a vko::Failure, never crash, and never create anything outside that folder.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "engine/CCipherBlock.h"
#include "util/Failure.h"

namespace fs = std::filesystem;

namespace {

// True when folder holds exactly the given names.
bool HoldsOnly(const std::string& folder, std::initializer_list<std::string> names) {
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        ++count;
        if (std::find(names.begin(), names.end(), entry.path().filename().string()) == names.end())
            return false;
    }
    return count <= names.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vko::fuzz::Prepare();
    const std::string box = vko::fuzz::WriteBox(data, size);
    const std::string run = vko::fuzz::Scratch() + "run/";
    fs::create_directories(run);
    vko::QuietHost host;
    vko::CCipherBlock engine(host);
    try {
        (void)engine.ExtractBlock(box, run + "target", vko::fuzz::kPassword);
    } catch (const vko::Failure&) {
        // A clean error is an acceptable answer to a damaged box.
    }
    if (!HoldsOnly(run, {"target"}) || !HoldsOnly(vko::fuzz::Scratch(), {"input.vkx", "run"}))
        __builtin_trap();  // something was written outside the target folder
    vko::fuzz::RemoveTree(run);
    return 0;
}
