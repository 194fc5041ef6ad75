// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a box header from arbitrary bytes: the reader must answer 0 or 1, never crash, never
// read past the end of the file and never allocate more than the file could describe.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "engine/CCipherBlock.h"
#include "util/Failure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vko::fuzz::Prepare();
    const std::string box = vko::fuzz::WriteBox(data, size);
    vko::QuietHost host;
    vko::CCipherBlock engine(host);
    if (engine.ViewBlock(box, vko::fuzz::kPassword) != vko::BlockResult::kReadOk) return 0;
    // A header that passed the check must describe itself consistently.
    int64_t stored = 0;
    for (int32_t i = 0; i < static_cast<int32_t>(engine.Files().size()); ++i) {
        const vko::FileRecord record = engine.Record(i);
        if (record.Name.empty() || record.Stored < 0) __builtin_trap();
        stored += record.Stored;
        std::string name, folder;
        int32_t size32 = 0;
        engine.ParseBlockInfo(i, name, folder, size32);
    }
    // A data area that does not match the stored sizes is a damaged box, and says so.
    if (stored != engine.DataByteCount() && engine.Problems().empty()) __builtin_trap();
    return 0;
}
