// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/cipherlib.h"

#include <limits>
#include <string_view>

#include "crypto/CipherLibrary.h"
#include "crypto/TextCodec.h"
#include "util/Failure.h"

namespace {

using vko::Failure;
using vko::crypto::CipherLibrary;
namespace FailureNumber = vko::FailureNumber;

std::string_view Text(const char* text, int32_t length, const char* what) {
    if (length < 0 || (length > 0 && !text))
        throw Failure(FailureNumber::kInvalidArgument, std::string("Invalid ") + what + " length",
                      "cipherlib");
    return {text ? text : "", static_cast<size_t>(length)};
}

const uint8_t* Bytes(const char* p) {
    return reinterpret_cast<const uint8_t*>(p);
}
uint8_t* Bytes(char* p) {
    return reinterpret_cast<uint8_t*>(p);
}

}  // namespace

void InitCipher(const char* key, int32_t keyLength, int32_t /*mode: 0 is the only mode*/) {
    const std::string_view password = Text(key, keyLength, "key");
    if (password == vko::crypto::kClearingKey) {
        // The clearing key costs a whole derivation, and most programs that clear never use
        // the stream again: drop the password now, key with the constant on first use.
        CipherLibrary::Instance().Clear();
        return;
    }
    CipherLibrary::Instance().Key(password);
}

void InitCipherRun(const char* key, int32_t keyLength, const char* run, int32_t runLength) {
    CipherLibrary::Instance().Key(Text(key, keyLength, "key"), Text(run, runLength, "run name"));
}

int32_t CipherBuffer(const char* source, int32_t length, char* dest) {
    if (length <= 0) return 0;
    CipherLibrary::Instance().KeyedStream().Transform(Bytes(source), Bytes(dest),
                                                      static_cast<size_t>(length));
    return length;
}

uint8_t CipherByte(uint8_t value) {
    return CipherLibrary::Instance().KeyedStream().Transform(value);
}

int32_t EncodeText(const char* source, int32_t length, char* dest) {
    if (length <= 0) return 0;
    if (length > std::numeric_limits<int32_t>::max() / 4 * 3)
        throw Failure(FailureNumber::kOverflow, "Overflow: text too long to encode",
                      "cipherlib.EncodeText");
    return static_cast<int32_t>(
        vko::crypto::EncodeBase64(Bytes(source), static_cast<size_t>(length), dest));
}

int32_t DecodeText(const char* source, int32_t length, char* dest) {
    if (length <= 0) return 0;
    return static_cast<int32_t>(
        vko::crypto::DecodeBase64(source, static_cast<size_t>(length), Bytes(dest)));
}
