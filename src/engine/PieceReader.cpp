// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PieceReader.h"

#include <algorithm>

#include "compress/BlockDeflater.h"
#include "engine/PieceJob.h"

namespace vko {

using CreatePlan::PlannedFile;
using modCompress::kDictionaryBytes;
using modCompress::kPieceBytes;

namespace {

using SharedSource = std::shared_ptr<std::unique_ptr<SourceFile>>;

// One piece of a large source, read after the bytes before it (the reading pipeline runs its
// jobs one at a time, in order): the first piece opens the file. The piece comes out behind the
// dictionary it is given. A read that reaches the measured end looks one byte further, to see
// whether the file grew.
class PieceRead final : public StepJob {
public:
    PieceRead(SharedSource source, std::string path, std::string dictionary, size_t wanted,
              bool toTheEnd)
        : source_(std::move(source)),
          path_(std::move(path)),
          bytes_(dictionary.begin(), dictionary.end()),
          wanted_(wanted),
          toTheEnd_(toTheEnd) {}

    std::optional<int64_t> Step(WorkerTools& tools) override {
        if (done_) return std::nullopt;
        done_ = true;
        try {
            tools.Blocking([&] { Read(tools.folders); });
        } catch (const Failure& failure) {
            failure_ = failure;
        }
        return 1;
    }

    [[nodiscard]] const std::optional<Failure>& ReadFailure() const noexcept { return failure_; }
    // The file's length when this piece opened it, else -1.
    [[nodiscard]] int64_t OpenedLength() const noexcept { return openedLength_; }
    [[nodiscard]] size_t Got() const noexcept { return got_; }
    [[nodiscard]] bool Grew() const noexcept { return grew_; }
    [[nodiscard]] std::vector<char> TakeBytes() noexcept { return std::move(bytes_); }

private:
    void Read(FolderCache& folders) {
        std::unique_ptr<SourceFile>& file = *source_;
        if (!file) {
            file = std::make_unique<SourceFile>(path_, folders);
            openedLength_ = file->Length();
        }
        const size_t primer = bytes_.size();
        bytes_.resize(primer + wanted_);
        got_ = file->Read(bytes_.data() + primer, wanted_);
        bytes_.resize(primer + got_);
        char probe = 0;
        if (toTheEnd_ && got_ == wanted_) grew_ = file->Read(&probe, 1) > 0;
    }

    SharedSource source_;
    const std::string path_;
    std::vector<char> bytes_;
    const size_t wanted_;
    const bool toTheEnd_;
    bool done_ = false;
    int64_t openedLength_ = -1;
    size_t got_ = 0;
    bool grew_ = false;
    std::optional<Failure> failure_;
};

}  // namespace

PieceReader::PieceReader(const std::vector<PlannedFile>& files, JobPipeline& pipeline, size_t ahead,
                         unsigned threads, JobPipeline::Interrupt interrupt)
    : files_(files),
      pipeline_(pipeline),
      ahead_(ahead),
      reads_(threads > 0 ? 1 : 0, 1, std::move(interrupt)),
      sources_(files.size()) {}

std::optional<size_t> PieceReader::Piece(size_t index, size_t number) {
    const Source& source = sources_.at(index);
    while (source.pieces.size() <= number && !source.complete) ReadNext();
    if (source.pieces.size() <= number) return std::nullopt;
    const size_t piece = source.pieces[number];
    while (queued_ < piece + 1 + ahead_ && reading_ < files_.size()) ReadNext();
    return piece;
}

void PieceReader::Forget(size_t index) {
    Source& source = sources_.at(index);
    for (const size_t piece : source.pieces) pipeline_.Release(piece);
    source.pieces.clear();
    if (reading_ == index && !source.complete) Close(source);
}

// One piece of the file being read; a failure to open or read it ends the file.
void PieceReader::ReadNext() {
    Source& source = sources_[reading_];
    const PlannedFile& file = files_[reading_];
    if (file.size <= static_cast<int64_t>(kPieceBytes)) {  // read on a worker, with its piece
        source.pieces.push_back(pipeline_.Add(std::make_unique<PieceJob>(file.path, file.size)));
        ++queued_;
        Close(source);
        return;
    }
    try {
        QueuePiece(source, file);
    } catch (const Failure& failure) {
        source.failure = failure;
        Close(source);
    }
}

void PieceReader::QueuePiece(Source& source, const PlannedFile& file) {
    if (!input_) input_ = std::make_shared<std::unique_ptr<SourceFile>>();
    const auto wanted = static_cast<size_t>(
        std::min<int64_t>(static_cast<int64_t>(kPieceBytes), file.size - read_));
    const bool toTheEnd = read_ + static_cast<int64_t>(wanted) == file.size;
    const size_t job =
        reads_.Add(std::make_unique<PieceRead>(input_, file.path, tail_, wanted, toTheEnd));
    (void)reads_.NextStep(job);
    auto& read = static_cast<PieceRead&>(reads_.Job(job));
    const std::optional<Failure> failure = read.ReadFailure();
    if (read.OpenedLength() >= 0) source.changed = read.OpenedLength() != file.size;
    const size_t got = read.Got();
    const bool grew = read.Grew();
    std::vector<char> bytes = read.TakeBytes();
    reads_.Release(job);
    if (failure) throw *failure;

    const bool last = got < wanted || toTheEnd;
    if (got < wanted) source.changed = true;  // shrank while it was read
    if (last && !source.changed) source.changed = grew;
    const size_t keep = std::min(bytes.size(), kDictionaryBytes);
    tail_.assign(bytes.end() - static_cast<std::ptrdiff_t>(keep), bytes.end());
    const size_t primer = bytes.size() - got;
    source.pieces.push_back(
        pipeline_.Add(std::make_unique<PieceJob>(std::move(bytes), primer, last)));
    ++queued_;
    read_ += static_cast<int64_t>(got);
    if (last) Close(source);
}

void PieceReader::Close(Source& source) {
    source.complete = true;
    input_.reset();
    tail_.clear();
    read_ = 0;
    ++reading_;
}

}  // namespace vko
