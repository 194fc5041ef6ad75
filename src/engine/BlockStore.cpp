// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BlockStore.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "crypto/UnitLabels.h"

namespace vko::BlockStore {

std::string FileLabel(const BlockState& s, const CreatePlan::PlannedFile& file) {
    return crypto::unit_label::File(s.ha, static_cast<uint16_t>(file.folder), file.name);
}

JobPipeline::Interrupt GiveUpWaiting(BlockState& s) {
    return [&s] { return !s.host.KeepWaiting(); };
}

int64_t Throughput(int64_t bytes, int32_t milliseconds) noexcept {
    constexpr double kMax = 1e18;
    const double rate = milliseconds >= 1000
                            ? std::nearbyint(static_cast<double>(bytes) / (milliseconds / 1000.0))
                            : static_cast<double>(bytes);
    return static_cast<int64_t>(std::clamp(rate, 0.0, kMax));
}

void ReportProgress(BlockState& s, int64_t count, int64_t bytesleft, int64_t bytestotal,
                    const std::string& path) {
    s.processedBytes += count;
    s.sinceSample += count;
    const int64_t bps = Throughput(s.sinceSample, s.tick.GetRealElapsedTicks());
    s.tick.StopTick();
    s.Events().CipherProgress(bps, s.processedBytes, s.totalBytes, bytesleft, bytestotal, path);
    s.tick.StartTick();
    s.sinceSample = 0;
}

void PackDataArea(OutputFile& out, std::vector<CreatePlan::PlannedFile>& files, int64_t start) {
    out.Flush();
    int64_t to = start;
    for (CreatePlan::PlannedFile& file : files) {
        out.CopyWithin(file.offset, to, file.stored);
        file.offset = to;
        to += file.stored;
    }
    out.Truncate(to);
}

}  // namespace vko::BlockStore
