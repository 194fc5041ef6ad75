// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SecretLine.h"

#include <sodium.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "cli/CancelSignal.h"
#include "cli/ExitCode.h"
#include "util/Failure.h"

namespace vko::cli {

namespace {

// A chunk buffer that is wiped however the read ends.
struct WipedBuffer {
    std::array<char, 512> bytes{};
    ~WipedBuffer() { sodium_memzero(bytes.data(), bytes.size()); }
};

}  // namespace

crypto::SecretText ReadSecretLine(int fd, const std::string& name) {
    crypto::SecretText line;
    WipedBuffer buffer;
    bool carriageReturn = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.bytes.data(), buffer.bytes.size());
        if (CancelSignal::Raised()) throw Cancelled();
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw FailureFromErrno(errno, name, "password");
        if (n == 0) return line;
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buffer.bytes[static_cast<size_t>(i)];
            if (c == '\n') return line;
            // A "\r" is kept only when more of the line follows it.
            if (carriageReturn) line.push_back('\r');
            carriageReturn = c == '\r';
            if (!carriageReturn) line.push_back(c);
        }
    }
}

}  // namespace vko::cli
