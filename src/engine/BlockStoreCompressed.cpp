// Compressed contents: worker threads compress the pieces of every file (a large file is cut
// into pieces of a fixed size, so the stream is the same whatever the number of threads); the
// calling thread joins them into each file's zlib stream, enciphers it in table order under
// the process-wide cipher, one named run per file, and writes it as it comes.
#include <algorithm>
#include <memory>
#include <optional>

#include "compress/BlockDeflater.h"
#include "engine/BlockStore.h"
#include "engine/BoxFormat.h"
#include "engine/JobPipeline.h"
#include "util/Failure.h"

namespace vko::BlockStore {

namespace {

using BoxFormat::kBlockSize;
using CreatePlan::PlannedFile;
using modCompress::kDictionaryBytes;
using modCompress::kPieceBytes;

// Pieces compressed ahead of the one being stored; bounds memory to a few MiB per thread.
size_t PiecesAhead(unsigned threads) {
    return 4 * static_cast<size_t>(threads) + 2;
}

size_t PieceCount(const PlannedFile& file) {
    const auto size = static_cast<size_t>(std::max<int64_t>(file.size, 0));
    return std::max<size_t>(1, (size + kPieceBytes - 1) / kPieceBytes);
}

// One piece of one file, compressed in a single step.
class PieceJob final : public StepJob {
public:
    PieceJob(const PlannedFile& file, size_t piece)
        : path_(file.path), limit_(file.size), piece_(piece) {}

    std::optional<int64_t> Step(WorkerTools& tools) override {
        if (done_) return std::nullopt;
        done_ = true;
        try {
            Compress(tools);
        } catch (const Failure& failure) {
            failure_ = failure;
        }
        return 1;
    }

    [[nodiscard]] const std::optional<Failure>& ReadFailure() const noexcept { return failure_; }
    // The file ended before this piece: it holds nothing.
    [[nodiscard]] bool Empty() const noexcept { return empty_; }
    [[nodiscard]] bool Last() const noexcept { return last_; }
    [[nodiscard]] const modCompress::ByteArray& Stream() const noexcept { return stream_; }
    [[nodiscard]] uint32_t Adler() const noexcept { return adler_; }
    [[nodiscard]] int64_t PlainBytes() const noexcept { return plainBytes_; }

private:
    void Compress(WorkerTools& tools) {
        InputFile source(path_);
        const int64_t end = std::min(source.Length(), limit_);
        const auto start = static_cast<int64_t>(piece_ * kPieceBytes);
        const int64_t wanted =
            std::clamp<int64_t>(end - start, 0, static_cast<int64_t>(kPieceBytes));
        if (piece_ > 0 && wanted == 0) {
            empty_ = true;
            return;
        }
        const int64_t from = std::max<int64_t>(0, start - static_cast<int64_t>(kDictionaryBytes));
        const auto primer = static_cast<size_t>(start - from);
        tools.buffer.resize(primer + static_cast<size_t>(wanted));
        source.Seek(from);
        const size_t got = source.Read(tools.buffer.data(), tools.buffer.size());
        if (got < primer) {  // shrank below this piece since it was measured
            empty_ = piece_ > 0;
            if (empty_) return;
        }
        const size_t length = got > primer ? got - primer : 0;
        last_ = start + static_cast<int64_t>(length) >= end || length < static_cast<size_t>(wanted);
        const auto* bytes = reinterpret_cast<const uint8_t*>(tools.buffer.data());
        if (!tools.deflater) tools.deflater = std::make_unique<modCompress::BlockDeflater>();
        tools.deflater->Compress(bytes, primer, bytes + primer, length, last_, stream_);
        adler_ = modCompress::Adler32(bytes + primer, length);
        plainBytes_ = static_cast<int64_t>(length);
    }

    const std::string path_;
    const int64_t limit_;
    const size_t piece_;
    bool done_ = false;
    bool empty_ = false;
    bool last_ = false;
    std::optional<Failure> failure_;
    modCompress::ByteArray stream_;
    uint32_t adler_ = 1;
    int64_t plainBytes_ = 0;
};

// Enciphers and writes one file's stored stream in blocks as it grows. The progress of each
// block is raised once the file is complete, since it names the bytes left of the whole
// stored size; the cancel flag and window messages keep their place before every block.
class StoredStream {
public:
    StoredStream(BlockState& s, OutputFile& out, Writeback& writeback, const std::string& path)
        : s_(s), out_(out), writeback_(writeback), path_(path) {
        block_.reserve(static_cast<size_t>(kBlockSize));
    }

    // False when a cancel stopped it.
    [[nodiscard]] bool Append(const uint8_t* data, size_t length) {
        while (length > 0) {
            const size_t room = static_cast<size_t>(kBlockSize) - block_.size();
            const size_t take = std::min(room, length);
            block_.append(reinterpret_cast<const char*>(data), take);
            data += take;
            length -= take;
            if (block_.size() == static_cast<size_t>(kBlockSize) && !WriteBlock()) return false;
        }
        return true;
    }
    [[nodiscard]] bool Append(const std::string& bytes) {
        return Append(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }

    // Writes what is left and raises the progress of every block; false after a cancel.
    [[nodiscard]] bool Finish() {
        if (!block_.empty() && !WriteBlock()) return false;
        int32_t left = stored_;
        for (const int32_t count : blocks_) {
            left -= count;
            ReportProgress(s_, count, left, stored_, path_);
        }
        return true;
    }

    // Forgets what was appended and not yet written (only ever the stream's header).
    void Drop() noexcept { block_.clear(); }
    [[nodiscard]] int32_t Stored() const noexcept { return stored_; }

private:
    bool WriteBlock() {
        if (s_.host.CancelRequested()) return false;
        s_.host.PumpMessages();
        // The data area's length is a long field too; incompressible files can pass it.
        if (static_cast<int64_t>(s_.processedBytes) + stored_ +
                static_cast<int64_t>(block_.size()) >
            BoxFormat::kMaxLong)
            throw CreatePlan::TooLarge("The compressed contents pass 2 gigabytes at " + path_ +
                                       ".");
        s_.cipher.CipherInPlace(block_.data(), block_.size());
        out_.Write(block_);
        writeback_.Wrote(static_cast<int64_t>(block_.size()));
        stored_ += static_cast<int32_t>(block_.size());
        blocks_.push_back(static_cast<int32_t>(block_.size()));
        block_.clear();
        return true;
    }

    BlockState& s_;
    OutputFile& out_;
    Writeback& writeback_;
    const std::string& path_;
    std::string block_;
    int32_t stored_ = 0;
    std::vector<int32_t> blocks_;
};

enum class Outcome { kStored, kFailed, kCancelled };

// Joins the pieces first..first+count of one file into its stored stream.
Outcome StoreFile(JobPipeline& pipeline, size_t first, size_t count, PlannedFile& file,
                  StoredStream& stored) {
    if (!stored.Append(modCompress::kZlibHeader, sizeof modCompress::kZlibHeader))
        return Outcome::kCancelled;
    uint32_t adler = modCompress::Adler32(nullptr, 0);
    int64_t plain = 0;
    bool ended = false;
    bool failed = false;
    for (size_t i = first; i < first + count && !ended; ++i) {
        (void)pipeline.NextStep(i);
        const auto& piece = static_cast<const PieceJob&>(pipeline.Job(i));
        if (piece.ReadFailure()) {
            failed = true;
            break;
        }
        if (piece.Empty()) break;
        if (!stored.Append(piece.Stream().data(), piece.Stream().size()))
            return Outcome::kCancelled;
        adler = modCompress::Adler32Combine(adler, piece.Adler(), piece.PlainBytes());
        plain += piece.PlainBytes();
        ended = piece.Last();
        // Released at once: a file of more pieces than the window needs the window to move.
        pipeline.Release(i);
    }
    if (failed && plain == 0) {
        stored.Drop();  // nothing of the file was read: it stores nothing, as before
        file.bytes = static_cast<int32_t>(file.size);
        return Outcome::kFailed;
    }
    const bool closed = (ended || stored.Append(modCompress::kEmptyFinalBlock,
                                                sizeof modCompress::kEmptyFinalBlock)) &&
                        stored.Append(modCompress::ChecksumBytes(adler)) &&
                        stored.Append(modCompress::MakeTrailer(plain)) && stored.Finish();
    if (!closed) return Outcome::kCancelled;
    file.bytes = static_cast<int32_t>(plain);
    return failed ? Outcome::kFailed : Outcome::kStored;
}

}  // namespace

bool StoreCompressedFiles(BlockState& s, OutputFile& out, std::vector<PlannedFile>& files,
                          const std::string& Password) {
    JobPipeline pipeline(s.workerThreads, PiecesAhead(s.workerThreads));
    Writeback writeback(out);
    std::vector<size_t> firstPiece;
    firstPiece.reserve(files.size());
    for (const PlannedFile& file : files) {
        firstPiece.push_back(pipeline.Add(std::make_unique<PieceJob>(file, 0)));
        for (size_t piece = 1; piece < PieceCount(file); ++piece)
            pipeline.Add(std::make_unique<PieceJob>(file, piece));
    }
    for (size_t i = 0; i < files.size(); ++i) {
        PlannedFile& file = files[i];
        if (s.host.CancelRequested()) return false;
        s.cipher.InitilizeRun(Password, FileRun(s, file));
        s.Events().CompressingFile(file.path);
        s.host.PumpMessages();
        StoredStream stored(s, out, writeback, file.path);
        const size_t count = PieceCount(file);
        const Outcome outcome = StoreFile(pipeline, firstPiece[i], count, file, stored);
        for (size_t piece = firstPiece[i]; piece < firstPiece[i] + count; ++piece)
            pipeline.Release(piece);
        if (outcome == Outcome::kCancelled) return false;
        file.stored = stored.Stored();
        s.storedSizes.push_back(file.stored);
        if (outcome == Outcome::kFailed)
            s.host.ShowMessage("Error compressing " + file.path, BlockHost::Icon::None);
    }
    return true;
}

}  // namespace vko::BlockStore
