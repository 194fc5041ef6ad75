// SPDX-License-Identifier: GPL-3.0-or-later
#include "compress/StreamExpander.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "compress/CompressTrailer.h"
#include "compress/modCompress.h"

namespace vko::modCompress {

namespace {

constexpr size_t kTrailer = static_cast<size_t>(kTrailerSize);
constexpr size_t kOutputBuffer = 256 * 1024;
// No stored file expands beyond a long field.
constexpr int64_t kMaxExpanded = std::numeric_limits<int32_t>::max();

}  // namespace

StreamExpander::StreamExpander(OutputFile& out, std::string what)
    : out_(out), what_(std::move(what)), stream_(new z_stream{}) {
    if (inflateInit(stream_) != Z_OK) {
        delete stream_;
        throw Failure(FailureNumber::kOutOfMemory, "Out of memory", "modCompress");
    }
    buffer_.resize(kOutputBuffer);
}

StreamExpander::~StreamExpander() {
    inflateEnd(stream_);
    delete stream_;
}

void StreamExpander::Feed(const uint8_t* data, size_t length) {
    fed_ += static_cast<int64_t>(length);
    const size_t total = tail_.size() + length;
    if (total <= kTrailer) {
        tail_.append(reinterpret_cast<const char*>(data), length);
        return;
    }
    // Everything but the last kTrailer bytes is stream.
    const size_t safe = total - kTrailer;
    const size_t fromTail = std::min(safe, tail_.size());
    Inflate(reinterpret_cast<const uint8_t*>(tail_.data()), fromTail);
    const size_t fromData = safe - fromTail;
    Inflate(data, fromData);
    tail_.erase(0, fromTail);
    tail_.append(reinterpret_cast<const char*>(data) + fromData, length - fromData);
}

void StreamExpander::Inflate(const uint8_t* data, size_t length) {
    if (length == 0 || (code_ != Z_OK && code_ != Z_STREAM_END)) return;
    if (code_ == Z_STREAM_END) {  // bytes between the stream's end and the trailer
        code_ = Z_DATA_ERROR;
        return;
    }
    stream_->next_in = const_cast<Bytef*>(data);
    stream_->avail_in = static_cast<uInt>(length);
    while (true) {
        stream_->next_out = reinterpret_cast<Bytef*>(buffer_.data());
        stream_->avail_out = static_cast<uInt>(buffer_.size());
        const int code = inflate(stream_, Z_NO_FLUSH);
        const size_t produced = buffer_.size() - stream_->avail_out;
        expanded_ += static_cast<int64_t>(produced);
        if (expanded_ > kMaxExpanded) {
            code_ = Z_DATA_ERROR;
            return;
        }
        out_.Write(buffer_.data(), produced);
        if (code == Z_STREAM_END) {
            code_ = stream_->avail_in > 0 ? Z_DATA_ERROR : Z_STREAM_END;
            return;
        }
        if (code == Z_BUF_ERROR) return;  // no progress without more input
        if (code != Z_OK) {
            code_ = code == Z_NEED_DICT ? Z_DATA_ERROR : code;
            return;
        }
        if (stream_->avail_in == 0 && stream_->avail_out > 0) return;
    }
}

StreamExpander::Outcome StreamExpander::Finish() {
    Outcome outcome;
    auto fail = [&](Failure failure) {
        outcome.result = failure.Number();
        outcome.why = failure.Description();
        const std::string named = ": " + what_;
        if (outcome.why.ends_with(named)) outcome.why.resize(outcome.why.size() - named.size());
        outcome.failure = std::move(failure);
        return outcome;
    };
    auto zlibFails = [&](int code, const char* why) {
        outcome.result = code;
        outcome.why = why;
        return outcome;
    };
    if (fed_ == 0)
        return fail(
            Failure(FailureNumber::kInvalidArgument, "Cannot expand an empty file: " + what_));
    if (fed_ < static_cast<int64_t>(kTrailer))
        return fail(Failure(FailureNumber::kInvalidArgument,
                            "Too short to hold a length trailer: " + what_));
    std::optional<int32_t> recorded;
    try {
        recorded = ReadTrailer(reinterpret_cast<const uint8_t*>(tail_.data()), what_);
    } catch (const Failure& failure) {
        return fail(failure);
    }
    if (!recorded) return zlibFails(kResultBadTrailer, "no length trailer");
    if (code_ != Z_STREAM_END)
        return zlibFails(code_ == Z_OK ? Z_DATA_ERROR : code_,
                         code_ == Z_OK ? "the stream ends early" : zError(code_));
    if (expanded_ != *recorded)
        return zlibFails(Z_DATA_ERROR, "it expands to another length than recorded");
    outcome.expanded = true;
    return outcome;
}

}  // namespace vko::modCompress
