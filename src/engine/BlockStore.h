#pragma once

#include <cstdint>
#include <string>

#include "compress/modCompress.h"
#include "engine/BlockState.h"
#include "util/File.h"

// Filling the data area of a box being created. Each routine appends at the box's current
// position through the cipher run its caller keyed, in blocks of 131,072 bytes, and raises
// CipherProgress after every block. A source that cannot be read is reported to the user and
// the box goes on with what was stored; a failure writing the box itself leaves as Failure.
namespace vko::BlockStore {

// Bytes per second of a sample: bytes / (milliseconds / 1000), rounded half to even, when the
// sample lasted at least a second; otherwise the byte count itself.
[[nodiscard]] int32_t Throughput(int64_t bytes, int32_t milliseconds) noexcept;

// Advances the progress counters by count and raises CipherProgress with the throughput of
// the bytes since the stopwatch was last started; then starts the next sample.
void ReportProgress(BlockState& s, int32_t count, int32_t bytesleft, int32_t bytestotal,
                    const std::string& path);

// Appends the bytes of FileName, at most limit of them. Returns the number stored.
[[nodiscard]] int32_t StoreFileContents(BlockState& s, const std::string& FileName,
                                        OutputFile& OutFile, int64_t limit);

// Appends the first Size bytes of Data; FileName only names them in progress events.
[[nodiscard]] int32_t StoreCompressedContents(BlockState& s, const std::string& FileName,
                                              const modCompress::ByteArray& Data, int32_t Size,
                                              OutputFile& OutFile);

struct Compressed {
    int32_t bytes = 0;   // bytes taken from the source
    int32_t stored = 0;  // bytes appended: the zlib stream and its trailer, 0 on failure
};

// Compresses at most limit bytes of FileName (an empty file gives a stream of nothing) and
// appends the stream. A file that cannot be read or compressed is reported as
// "Error compressing " + path and stores nothing.
[[nodiscard]] Compressed StoreCompressedFile(BlockState& s, const std::string& FileName,
                                             OutputFile& OutFile, int64_t limit);

}  // namespace vko::BlockStore
