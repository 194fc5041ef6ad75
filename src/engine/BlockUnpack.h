#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/BlockState.h"
#include "util/File.h"

// What whole and single-file extraction share: deciphering a file's stored bytes out of the
// open box, the throughput figure, and expanding a compressed entry.
namespace vko::BlockUnpack {

// A compressed entry is deciphered into the destination's name with this appended.
inline constexpr char kZlibSuffix[] = ".zlib";

// Bytes per second for a chunk of bytes that took milliseconds (halves round to even); the
// byte count itself when the chunk took less than a second.
[[nodiscard]] int32_t Throughput(int32_t bytes, int32_t milliseconds);

// Called after each chunk with its throughput figure and the bytes still to come.
using ChunkDone = std::function<void(int32_t bps, int32_t remaining)>;

// Deciphers count bytes from the box slot's position into out in chunks of the block size,
// polling the cancel flag before each chunk. False when a cancel stopped it early.
[[nodiscard]] bool UnpackStored(BlockState& s, OutputFile& out, int32_t count,
                                const ChunkDone& done);

// The same into destination, which is replaced only when every byte was written.
[[nodiscard]] bool UnpackToFile(BlockState& s, const std::string& destination, int32_t count,
                                const ChunkDone& done);

// Expands the stream held in zlibPath into destination. An existing destination is replaced
// only on success, never lost to a damaged stream.
[[nodiscard]] bool ExpandOver(const std::string& zlibPath, const std::string& destination);

// The extraction folder with its separator. An empty path is refused: it would otherwise
// become the file-system root.
[[nodiscard]] std::string ExtractionFolder(const std::string& path);

// The native folder of a file record below base (which ends in a separator): base itself for
// the boxed folder, base plus the table entry otherwise.
[[nodiscard]] std::string TargetFolder(const BlockState& s, const std::string& base,
                                       int32_t folderNumber);

}  // namespace vko::BlockUnpack
