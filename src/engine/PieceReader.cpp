#include "engine/PieceReader.h"

#include <algorithm>

#include "compress/BlockDeflater.h"
#include "engine/PieceJob.h"

namespace vko {

using CreatePlan::PlannedFile;
using modCompress::kDictionaryBytes;
using modCompress::kPieceBytes;

PieceReader::PieceReader(const std::vector<PlannedFile>& files, JobPipeline& pipeline, size_t ahead)
    : files_(files), pipeline_(pipeline), ahead_(ahead), sources_(files.size()) {}

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
        if (!input_) Open(source, file);
        QueuePiece(source, file);
    } catch (const Failure& failure) {
        source.failure = failure;
        Close(source);
    }
}

void PieceReader::Open(Source& source, const PlannedFile& file) {
    input_ = std::make_unique<InputFile>(file.path);
    source.changed = input_->Length() != file.size;
    read_ = 0;
    tail_.clear();
}

void PieceReader::QueuePiece(Source& source, const PlannedFile& file) {
    const auto wanted = static_cast<size_t>(
        std::min<int64_t>(static_cast<int64_t>(kPieceBytes), file.size - read_));
    std::vector<char> bytes(tail_.size() + wanted);
    std::copy(tail_.begin(), tail_.end(), bytes.begin());
    const size_t got = input_->Read(bytes.data() + tail_.size(), wanted);
    bytes.resize(tail_.size() + got);
    const bool last = got < wanted || read_ + static_cast<int64_t>(got) == file.size;
    if (got < wanted) source.changed = true;  // shrank while it was read
    char probe = 0;
    if (last && !source.changed) source.changed = input_->Read(&probe, 1) > 0;  // grew
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
