// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "util/Failure.h"
#include "util/File.h"

struct z_stream_s;

namespace vko::modCompress {

// Expands a compressed stream with its length trailer, fed in pieces of any size, into a file,
// with the checks of DecompressFile: a valid zlib stream that ends exactly where the trailer
// starts and expands to exactly the length the trailer records. Nothing is held beyond a
// buffer, whatever the stream's size. Failures writing the file are thrown from Feed.
class StreamExpander {
public:
    // what names the stream in failure reports.
    StreamExpander(OutputFile& out, std::string what);
    ~StreamExpander();
    StreamExpander(const StreamExpander&) = delete;
    StreamExpander& operator=(const StreamExpander&) = delete;

    void Feed(const uint8_t* data, size_t length);

    struct Outcome {
        bool expanded = false;
        int32_t result = 0;              // zlib's code, -1 for a trailer that is none, or the
                                         // failure's number
        std::optional<Failure> failure;  // to be reported to the user (ReportFailure)
        std::string why;                 // what went wrong, in words, without the stream's name
    };
    // Ends the stream and tells whether it expanded completely.
    [[nodiscard]] Outcome Finish();

private:
    void Inflate(const uint8_t* data, size_t length);

    OutputFile& out_;
    std::string what_;
    z_stream_s* stream_ = nullptr;
    std::string tail_;  // the last bytes fed, which may be the trailer
    int64_t fed_ = 0;
    int64_t expanded_ = 0;
    int code_ = 0;  // the first zlib error, or Z_STREAM_END once the stream ended
    std::string buffer_;
};

}  // namespace vko::modCompress
