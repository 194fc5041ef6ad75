// SPDX-License-Identifier: GPL-3.0-or-later
#include "compress/modCompress.h"

#include <zlib.h>

#include <filesystem>
#include <limits>
#include <new>

#include "compress/CompressErrors.h"
#include "compress/CompressTrailer.h"
#include "compress/StreamExpander.h"
#include "util/Failure.h"
#include "util/File.h"

namespace vko::modCompress {

ByteArray CompressedBuffer;
int32_t CompressedLength = 0;

namespace {

namespace fs = std::filesystem;

constexpr int32_t kSizeFromTrailer = -1;
constexpr int64_t kReadChunk = 1 << 20;

// deflate cannot expand data by more than 1032:1, plus the zlib header and checksum.
int64_t MaxExpansion(size_t streamLength) {
    return 1032 * static_cast<int64_t>(streamLength) + 64;
}

// Runs an operation's body; an unexpected failure is reported at once, its number goes to
// result and the operation fails.
template <class Body>
bool Guarded(const char* operation, int32_t& result, Body body) {
    try {
        return body();
    } catch (const Failure& failure) {
        ReportFailure(failure.Source().empty() ? operation : failure.Source(), failure.Number(),
                      failure.Description());
        result = failure.Number();
    } catch (const std::bad_alloc&) {
        ReportFailure(operation, FailureNumber::kOutOfMemory, "Out of memory");
        result = FailureNumber::kOutOfMemory;
    }
    return false;
}

bool Deflate(const ByteArray& plain, ByteArray& stream, int32_t level, int32_t& result,
             bool addTrailer) {
    const int64_t capacity = CompressCapacity(static_cast<int64_t>(plain.size()));
    ByteArray out(static_cast<size_t>(capacity) + 1);
    auto length = static_cast<uLongf>(capacity);
    result = compress2(out.data(), &length, plain.data(), plain.size(), level);
    if (result != Z_OK) return false;
    out.resize(length);
    if (addTrailer) {
        const std::string trailer = MakeTrailer(static_cast<int64_t>(plain.size()));
        out.insert(out.end(), trailer.begin(), trailer.end());
    }
    stream = std::move(out);
    return true;
}

// Expands source into dest. A stream that does not expand to exactly the plain size is damaged
// data; so is a plain size beyond what the stream could reach, refused before it is allocated.
bool Inflate(ByteArray& source, ByteArray& dest, int32_t& result, int32_t plainSize,
             const std::string& what) {
    if (plainSize == kSizeFromTrailer) {
        if (source.size() < static_cast<size_t>(kTrailerSize))
            throw Failure(FailureNumber::kInvalidArgument,
                          "Too short to hold a length trailer: " + what);
        const auto recorded = ReadTrailer(source.data() + source.size() - kTrailerSize, what);
        if (!recorded) {
            result = kResultBadTrailer;
            return false;
        }
        source.resize(source.size() - kTrailerSize);
        plainSize = *recorded;
    } else if (plainSize < 0) {
        throw Failure(FailureNumber::kInvalidArgument, "Invalid plain size: " + what);
    }
    if (plainSize > MaxExpansion(source.size())) {
        result = Z_DATA_ERROR;
        return false;
    }
    ByteArray out(static_cast<size_t>(plainSize));
    auto outLength = static_cast<uLongf>(out.size());
    auto inLength = static_cast<uLong>(source.size());
    result = uncompress2(out.data(), &outLength, source.data(), &inLength);
    if (result == Z_OK && (outLength != out.size() || inLength != source.size()))
        result = Z_DATA_ERROR;
    if (result != Z_OK) return false;
    dest = std::move(out);
    return true;
}

bool IsFile(const std::string& path) {
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

ByteArray ReadWholeFile(const std::string& path, const char* verb) {
    InputFile file(path);
    if (file.Length() == 0)
        throw Failure(FailureNumber::kInvalidArgument,
                      std::string("Cannot ") + verb + " an empty file: " + path);
    if (file.Length() > std::numeric_limits<int32_t>::max())
        throw Failure(FailureNumber::kOverflow, "Overflow: larger than 2 GiB: " + path);
    ByteArray bytes(static_cast<size_t>(file.Length()));
    file.ReadExactly(reinterpret_cast<char*>(bytes.data()), bytes.size());
    return bytes;
}

// Streams source through the expander into out; throws the failures it reports.
bool ExpandFile(InputFile& source, OutputFile& out, int32_t& result) {
    StreamExpander expander(out, source.Path());
    ByteArray chunk(static_cast<size_t>(std::min<int64_t>(source.Length(), kReadChunk)));
    while (const size_t got = source.Read(reinterpret_cast<char*>(chunk.data()), chunk.size()))
        expander.Feed(chunk.data(), got);
    StreamExpander::Outcome outcome = expander.Finish();
    result = outcome.result;
    if (outcome.failure) throw *outcome.failure;
    return outcome.expanded;
}

void ReleaseCompressed() {
    ByteArray().swap(CompressedBuffer);
    CompressedLength = 0;
}

}  // namespace

bool CompressData(const ByteArray& Source, ByteArray& Dest, int32_t Level, int32_t& Result,
                  bool AddTrailer) {
    Result = 0;
    if (Source.empty()) return true;
    return Guarded("modCompress.CompressData", Result,
                   [&] { return Deflate(Source, Dest, Level, Result, AddTrailer); });
}

bool DecompressData(ByteArray& Source, ByteArray& Dest, int32_t& Result, int32_t PlainSize) {
    Result = 0;
    if (Source.empty()) return true;
    return Guarded("modCompress.DecompressData", Result,
                   [&] { return Inflate(Source, Dest, Result, PlainSize, "compressed data"); });
}

bool CompressToStream(const ByteArray& plain, ByteArray& stream, int32_t level) {
    int32_t result = 0;
    return Guarded("modCompress.CompressToStream", result,
                   [&] { return Deflate(plain, stream, level, result, true); });
}

bool CompressFile(const std::string& FileName, int32_t Level, int32_t& Result) {
    Result = 0;
    ReleaseCompressed();
    if (FileName.empty() || !IsFile(FileName)) return false;
    const bool done = Guarded("modCompress.CompressFile", Result, [&] {
        const ByteArray plain = ReadWholeFile(FileName, "compress");
        if (!Deflate(plain, CompressedBuffer, Level, Result, true)) return false;
        if (CompressedBuffer.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
            throw Failure(FailureNumber::kOverflow,
                          "Overflow: compressed larger than 2 GiB: " + FileName);
        return true;
    });
    if (!done) ReleaseCompressed();
    CompressedLength = static_cast<int32_t>(CompressedBuffer.size());
    return done;
}

bool DecompressFile(const std::string& SourceFile, const std::string& DestFile, int32_t& Result,
                    bool Overwrite) {
    Result = 0;
    if (SourceFile.empty() || DestFile.empty() || !IsFile(SourceFile)) return false;
    std::error_code ignored;
    const auto destStatus = fs::symlink_status(DestFile, ignored);
    if (fs::exists(destStatus)) {
        if (!Overwrite) return false;
        if (!fs::is_directory(destStatus)) fs::remove(DestFile, ignored);
    }
    return Guarded("modCompress.DecompressFile", Result, [&] {
        InputFile source(SourceFile);
        if (source.Length() == 0)
            throw Failure(FailureNumber::kInvalidArgument,
                          "Cannot expand an empty file: " + SourceFile);
        if (source.Length() > std::numeric_limits<int32_t>::max())
            throw Failure(FailureNumber::kOverflow, "Overflow: larger than 2 GiB: " + SourceFile);
        bool expanded = false;
        try {
            OutputFile out(DestFile);
            expanded = ExpandFile(source, out, Result);
            if (expanded) out.Close();
        } catch (...) {
            fs::remove(DestFile, ignored);
            throw;
        }
        if (!expanded) fs::remove(DestFile, ignored);
        return expanded;
    });
}

}  // namespace vko::modCompress
