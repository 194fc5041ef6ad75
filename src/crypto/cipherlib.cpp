#include "crypto/cipherlib.h"

#include <limits>

#include "crypto/CipherStream.h"
#include "crypto/KeyCache.h"
#include "crypto/RunKey.h"
#include "crypto/TextCodec.h"
#include "crypto/cipherlib_testing.h"

namespace {

using vko::Failure;
namespace FailureNumber = vko::FailureNumber;

// The one stream of the process and the keys it is keyed with.
struct CipherLibrary {
    vko::crypto::KeyCache keys;
    vko::crypto::CipherStream stream;
};

CipherLibrary& Library() {
    static CipherLibrary library;
    return library;
}

// A stream used before any keying runs under the clearing key, as after Clear.
vko::crypto::CipherStream& KeyedStream() {
    CipherLibrary& library = Library();
    if (!library.stream.IsKeyed())
        library.stream.Key(library.keys.KeyFor(vko::crypto::kClearingKey));
    return library.stream;
}

const uint8_t* Bytes(const char* p) {
    return reinterpret_cast<const uint8_t*>(p);
}
uint8_t* Bytes(char* p) {
    return reinterpret_cast<uint8_t*>(p);
}

}  // namespace

void InitCipher(const char* key, int32_t keyLength, int32_t /*mode: 0 is the only mode*/) {
    if (keyLength < 0 || (keyLength > 0 && !key))
        throw Failure(FailureNumber::kInvalidArgument, "Invalid key length",
                      "cipherlib.InitCipher");
    CipherLibrary& library = Library();
    const std::string_view password(key ? key : "", static_cast<size_t>(keyLength));
    if (password == vko::crypto::kClearingKey) {
        // The clearing key costs a whole derivation, and most programs that clear never use
        // the stream again: drop the password now, key with the constant on first use.
        library.keys.ForgetPassword();
        library.stream.Reset();
        return;
    }
    try {
        library.stream.Key(library.keys.KeyFor(password));
    } catch (...) {
        // Never leave the previous password's run usable after a failed keying.
        library.stream.Reset();
        throw;
    }
}

int32_t CipherBuffer(const char* source, int32_t length, char* dest) {
    if (length <= 0) return 0;
    KeyedStream().Transform(Bytes(source), Bytes(dest), static_cast<size_t>(length));
    return length;
}

uint8_t CipherByte(uint8_t value) {
    return KeyedStream().Transform(value);
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

vko::crypto::RunKey::RunKey(std::string_view password) {
    *key_ = Library().keys.KeyFor(password);
}

void vko::crypto::PrepareKey(std::string_view password) {
    static_cast<void>(Library().keys.KeyFor(password));
}

namespace cipherlib_testing {

void UseFastKeyDerivation(bool fast) {
    Library().keys.SetFastDerivation(fast);
}

bool HoldsPasswordKey() {
    return Library().keys.HoldsPasswordKey();
}

long KeyDerivations() {
    return Library().keys.Derivations();
}

}  // namespace cipherlib_testing
