// SPDX-License-Identifier: GPL-3.0-or-later
// Compressed contents: the calling thread reads every source once, in pieces of a fixed size,
// and hands each piece with the 32 KiB read before it to worker threads, which compress it (so
// the stream is the same whatever the number of threads, and what is stored is what was read).
// It then joins the pieces into each file's zlib stream, enciphers it in table order on the
// calling thread, one unit per file, and writes it as it comes.
#include <algorithm>
#include <memory>
#include <optional>

#include "compress/BlockDeflater.h"
#include "engine/BlockStore.h"
#include "engine/BoxFormat.h"
#include "engine/JobPipeline.h"
#include "engine/PieceJob.h"
#include "engine/PieceReader.h"
#include "engine/UnitPieces.h"
#include "util/Failure.h"

namespace vko::BlockStore {

namespace {

using BoxFormat::kBlockSize;
using CreatePlan::PlannedFile;

// Pieces read and compressed ahead of the one being stored; bounds memory to a few MiB per
// thread.
size_t PiecesAhead(unsigned threads) {
    return 4 * static_cast<size_t>(threads) + 2;
}

// A stream that would not fit its record's stored-size field.
struct StreamTooLarge {};

// Enciphers and writes one file's stored stream in blocks as it grows, raising the progress of
// each block as it is written. The stored size is known only at the end, so bytesleft and
// bytestotal count the file's plain bytes: what is still to be stored of what was measured.
class StoredStream {
public:
    StoredStream(BlockState& s, OutputFile& out, Writeback& writeback, const PlannedFile& file,
                 crypto::BoxCipher& cipher, const crypto::BoxKeys& keys)
        : s_(s),
          out_(out),
          writeback_(writeback),
          file_(file),
          cipher_(cipher),
          pieces_(FileLabel(s, file), keys) {
        block_.reserve(static_cast<size_t>(kBlockSize));
    }

    // Appends stream bytes that stand for plain bytes of the file; false when a cancel stopped
    // it.
    [[nodiscard]] bool Append(const uint8_t* data, size_t length, int64_t plain = 0) {
        const int64_t plainBefore = plain_;
        const size_t total = length;
        while (length > 0) {
            const size_t take = std::min(static_cast<size_t>(kBlockSize) - block_.size(), length);
            block_.append(reinterpret_cast<const char*>(data), take);
            data += take;
            length -= take;
            // The plain bytes of a block are told in proportion to the stream bytes it holds.
            plain_ = plainBefore +
                     plain * static_cast<int64_t>(total - length) / static_cast<int64_t>(total);
            if (block_.size() == static_cast<size_t>(kBlockSize) && !WriteBlock()) return false;
        }
        plain_ = plainBefore + plain;
        return true;
    }
    [[nodiscard]] bool Append(const std::string& bytes) {
        return Append(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }

    // Writes what is left; false after a cancel.
    [[nodiscard]] bool Finish() {
        finished_ = true;
        if (!block_.empty() && !WriteBlock()) return false;
        pieces_.Finish(cipher_, Emit());
        return true;
    }

    [[nodiscard]] int32_t Stored() const noexcept { return static_cast<int32_t>(stored_); }
    [[nodiscard]] const crypto::SealHash& Hash() const noexcept { return pieces_.Hash(); }

private:
    UnitPieces::Writer::Emit Emit() {
        return [this](const uint8_t* bytes, size_t length) {
            out_.Write(reinterpret_cast<const char*>(bytes), length);
        };
    }

    bool WriteBlock() {
        if (s_.host.CancelRequested()) return false;
        s_.host.PumpMessages();
        // The stored size is a long field; an incompressible file near 2 GiB can pass it.
        const auto count = static_cast<int64_t>(block_.size());
        if (stored_ + count > BoxFormat::kMaxLong) throw StreamTooLarge{};
        pieces_.Add(cipher_, reinterpret_cast<const uint8_t*>(block_.data()), block_.size(),
                    Emit());
        writeback_.Wrote(count);
        stored_ += count;
        block_.clear();
        const int64_t total = file_.size;
        const int64_t left = finished_ ? 0 : std::clamp<int64_t>(total - plain_, 0, total);
        ReportProgress(s_, count, left, total, file_.path);
        return true;
    }

    BlockState& s_;
    OutputFile& out_;
    Writeback& writeback_;
    const PlannedFile& file_;
    crypto::BoxCipher& cipher_;
    UnitPieces::Writer pieces_;
    std::string block_;
    int64_t stored_ = 0;
    int64_t plain_ = 0;  // plain bytes of the file the stream appended so far stands for
    bool finished_ = false;
};

enum class Outcome { kStored, kLeftOut, kCancelled };

// Joins the pieces of file index into its stored stream: zlib header, the pieces, the adler32
// of what was read and the length trailer.
Outcome StoreFile(PieceReader& reader, JobPipeline& pipeline, size_t index, PlannedFile& file,
                  StoredStream& stored, std::string& reason) {
    if (!stored.Append(modCompress::kZlibHeader, sizeof modCompress::kZlibHeader))
        return Outcome::kCancelled;
    uint32_t adler = modCompress::Adler32(nullptr, 0);
    int64_t plain = 0;
    bool changed = false;
    for (size_t number = 0;; ++number) {
        const std::optional<size_t> piece = reader.Piece(index, number);
        if (!piece) break;
        (void)pipeline.NextStep(*piece);
        const auto& job = static_cast<const PieceJob&>(pipeline.Job(*piece));
        if (job.ReadFailure()) {
            reason = ProblemReason::Unreadable(job.ReadFailure()->Description(), file.path);
            return Outcome::kLeftOut;
        }
        changed = changed || job.Changed();
        if (job.CompressFailure()) {
            reason = ProblemReason::NotCompressed(job.CompressFailure()->Description());
            return Outcome::kLeftOut;
        }
        if (!stored.Append(job.Stream().data(), job.Stream().size(), job.PlainBytes()))
            return Outcome::kCancelled;
        adler = modCompress::Adler32Combine(adler, job.Adler(), job.PlainBytes());
        plain += job.PlainBytes();
        // Released at once: a file of more pieces than the window needs the window to move.
        pipeline.Release(*piece);
    }
    const PieceReader::Source& source = reader.State(index);
    if (source.failure) {
        reason = ProblemReason::Unreadable(source.failure->Description(), file.path);
        return Outcome::kLeftOut;
    }
    const bool closed = stored.Append(modCompress::ChecksumBytes(adler)) &&
                        stored.Append(modCompress::MakeTrailer(plain)) && stored.Finish();
    if (!closed) return Outcome::kCancelled;
    file.bytes = static_cast<int32_t>(plain);
    file.changed = changed || source.changed;
    return Outcome::kStored;
}

// Settles what became of file i; false when a cancel stopped it.
bool StoreOne(BlockState& s, OutputFile& out, PieceReader& reader, JobPipeline& pipeline,
              Writeback& writeback, size_t i, PlannedFile& file, crypto::BoxCipher& cipher,
              const crypto::BoxKeys& keys) {
    s.Events().CompressingFile(file.path);
    s.host.PumpMessages();
    file.offset = out.Position();
    StoredStream stored(s, out, writeback, file, cipher, keys);
    std::string reason;
    Outcome outcome = Outcome::kLeftOut;
    try {
        outcome = StoreFile(reader, pipeline, i, file, stored, reason);
    } catch (const StreamTooLarge&) {
        reason = ProblemReason::StreamTooLarge();  // the rest of its pieces go with Forget
    }
    reader.Forget(i);
    if (outcome == Outcome::kCancelled) return false;
    if (outcome == Outcome::kLeftOut) {
        out.Seek(file.offset);  // the next file's stream takes the place of what was written
        file.leftOut = true;
        s.problems.push_back({file.path, reason});
        return true;
    }
    file.stored = stored.Stored();
    file.seal = stored.Hash();
    s.storedSizes.push_back(file.stored);
    if (file.changed) s.problems.push_back({file.path, ProblemReason::ChangedSize(file.bytes)});
    return true;
}

}  // namespace

bool StoreCompressedFiles(BlockState& s, OutputFile& out, std::vector<PlannedFile>& files,
                          const crypto::BoxKeys& keys) {
    JobPipeline pipeline(s.workerThreads, PiecesAhead(s.workerThreads), GiveUpWaiting(s));
    PieceReader reader(files, pipeline, PiecesAhead(s.workerThreads), s.workerThreads,
                       GiveUpWaiting(s));
    Writeback writeback(out);
    crypto::BoxCipher cipher(keys);
    try {
        for (size_t i = 0; i < files.size(); ++i) {
            if (s.host.CancelRequested()) return false;
            if (!StoreOne(s, out, reader, pipeline, writeback, i, files[i], cipher, keys))
                return false;
        }
    } catch (const PipelineInterrupted&) {
        return false;
    }
    return true;
}

}  // namespace vko::BlockStore
