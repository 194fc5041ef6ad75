// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/RunNames.h"

#include <sodium.h>

#include "engine/BoxFormat.h"
#include "engine/ConvLong.h"

namespace vko::RunNames {

namespace {

constexpr std::string_view kRunBLabel = "vko run B";
constexpr std::string_view kFileLabel = "vko file";

std::string_view Text(const RunADigest& digest) {
    return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}

}  // namespace

RunADigest OfRunA(std::string_view boxName, std::string_view folderTable) {
    const std::string runA =
        std::string(1, static_cast<char>(boxName.size())) + std::string(boxName) +
        ConvLong::LongToChars(static_cast<int32_t>(folderTable.size()), BoxFormat::kVersionPlain) +
        std::string(folderTable);
    RunADigest digest{};
    crypto_generichash(digest.data(), digest.size(),
                       reinterpret_cast<const unsigned char*>(runA.data()), runA.size(), nullptr,
                       0);
    return digest;
}

std::string RunB(const RunADigest& runA) {
    return std::string(kRunBLabel) + std::string(Text(runA));
}

std::string File(const RunADigest& runA, std::string_view folderNumber, std::string_view fileName) {
    return std::string(kFileLabel) + std::string(Text(runA)) + std::string(folderNumber) +
           std::string(fileName);
}

}  // namespace vko::RunNames
