// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/CCipher.h"

#include <algorithm>
#include <limits>
#include <new>

#include "crypto/cipherlib.h"
#include "util/Failure.h"

namespace vko {

namespace {

// The length header of SecureString holds three bytes.
constexpr size_t kMaxSecureLength = 16'777'215;
constexpr size_t kHeaderChars = 8;
constexpr size_t kMaxCall = size_t{1} << 30;

int32_t CallLength(size_t length, const char* source) {
    if (length > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw Failure(FailureNumber::kOverflow, "Overflow: text longer than 2 GiB", source);
    return static_cast<int32_t>(length);
}

std::string Encode(const std::string& bytes, size_t length) {
    std::string text(4 * (length / 3 + 1), ' ');
    const int32_t written =
        EncodeText(bytes.data(), CallLength(length, "CCipher.SecureString"), text.data());
    text.resize(static_cast<size_t>(written));
    return text;
}

// Decodes into a buffer of spaces as long as the text; returns the whole buffer and the
// number of bytes decoded.
std::string Decode(const std::string& text, int32_t& decoded) {
    std::string bytes(text.size(), ' ');
    decoded =
        DecodeText(text.data(), CallLength(text.size(), "CCipher.DeSecureString"), bytes.data());
    return bytes;
}

std::string LengthHeader(size_t length) {
    const std::string header{static_cast<char>(length >> 16),
                             static_cast<char>(length >> 8),
                             static_cast<char>(length),
                             '\0',
                             '\0',
                             '\0'};
    return Encode(header, header.size());
}

}  // namespace

void CCipher::Initilize(std::string_view Password, int16_t iVar) {
    InitCipher(Password.empty() ? "" : Password.data(),
               CallLength(Password.size(), "CCipher.Initilize"), iVar);
}

void CCipher::InitilizeRun(std::string_view Password, std::string_view Run) {
    InitCipherRun(Password.empty() ? "" : Password.data(),
                  CallLength(Password.size(), "CCipher.InitilizeRun"),
                  Run.empty() ? "" : Run.data(), CallLength(Run.size(), "CCipher.InitilizeRun"));
}

void CCipher::Clear() {
    InitCipher(" ", 1, 0);
}

std::string CCipher::Cipher(const std::string& msg) {
    std::string dest(msg.size(), ' ');
    const int32_t written =
        CipherBuffer(msg.data(), CallLength(msg.size(), "CCipher.Cipher"), dest.data());
    dest.resize(static_cast<size_t>(written));
    return dest;
}

void CCipher::CipherInPlace(char* data, size_t length) {
    for (size_t done = 0; done < length;) {
        const size_t chunk = std::min(kMaxCall, length - done);
        done += static_cast<size_t>(
            CipherBuffer(data + done, static_cast<int32_t>(chunk), data + done));
    }
}

std::string CCipher::SecureString(const std::string& msg, const std::string& Password) {
    // Checked before keying, so that a refused text leaves no password in the stream.
    if (msg.size() > kMaxSecureLength)
        throw Failure(FailureNumber::kOverflow, "Overflow: text longer than 16,777,215 characters",
                      "CCipher.SecureString");
    Initilize(Password, 0);
    std::string enciphered = Cipher(msg);
    const size_t n = enciphered.size();
    if (n % 3 != 0) enciphered.append(3, ' ');
    std::string result = LengthHeader(msg.size()) + Encode(enciphered, n);
    Clear();
    return result;
}

std::string CCipher::DeSecureString(std::string& msg, const std::string& Password) {
    std::string result;
    try {
        Initilize(Password, 0);
        const std::string head = msg.substr(0, kHeaderChars);
        msg = msg.size() > kHeaderChars ? msg.substr(kHeaderChars) : std::string();
        int32_t headBytes = 0;
        const std::string header = Decode(head, headBytes);
        if (headBytes < 3) {
            result = "ERR";
        } else if (msg.empty()) {
            result = "ERR2";
        } else {
            const auto byte = [&](size_t i) { return static_cast<uint8_t>(header[i]); };
            const size_t length = size_t{byte(0)} << 16 | size_t{byte(1)} << 8 | byte(2);
            int32_t ignored = 0;
            std::string body = Decode(msg, ignored);
            body.resize(std::min(length, body.size()));
            result = Cipher(body);
        }
    } catch (const Failure& failure) {
        result = "VBError: " + failure.Description();
    } catch (const std::bad_alloc&) {
        result = "VBError: Out of memory";
    }
    Clear();
    return result;
}

}  // namespace vko
