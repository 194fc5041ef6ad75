// SPDX-License-Identifier: GPL-3.0-or-later
// HCTR2 against its authors' AES-256 vectors with every POLYVAL kernel, in place both ways; and
// against values pinned from a separate implementation of the construction for messages that
// span several rounds of XCTR's counter blocks, up to the largest piece of a box.
#include <gtest/gtest.h>

#include <sodium.h>

#include "crypto/Hctr2.h"
#include "crypto/VectorFile.h"
#include "util/Failure.h"

namespace vko::crypto {

namespace {

using test::Bytes;
using test::ToHex;

TEST(Hctr2Test, PublishedVectorsEncipherAndDecipherInPlace) {
    const auto vectors = test::ReadVectors("hctr2_aes256.txt", 4);
    for (PolyvalKernel kernel : kPolyvalKernels) {
        if (!PolyvalKernelRuns(kernel)) continue;
        for (const auto& v : vectors) {
            const Bytes &key = v[0], &tweak = v[1], &plain = v[2], &cipher = v[3];
            Hctr2 hctr2(key.data(), kernel);
            ASSERT_EQ(hctr2.Kernel(), kernel);
            Bytes bytes = plain;
            hctr2.Encipher(tweak, bytes);
            const auto where = testing::Message() << "kernel " << static_cast<int>(kernel) << ", "
                                                  << plain.size() << " bytes, tweak "
                                                  << tweak.size();
            EXPECT_EQ(ToHex(bytes.data(), bytes.size()), ToHex(cipher.data(), cipher.size()))
                << where;
            hctr2.Decipher(tweak, bytes);
            EXPECT_EQ(bytes, plain) << where;
        }
    }
}

TEST(Hctr2Test, LongMessagesMatchPinnedDigests) {
    struct Case {
        size_t length;
        const char* digest;  // BLAKE2b-256 of the ciphertext
    };
    const Case cases[] = {
        {8208, "65dab4f85c95894724415f01db104b9b61a373f2bae9d951d01e4f254e272e5b"},
        {8209, "af60a3b827b16234537db8afd32564859e1e1fbfe942cc1d8bbe2f11e9a628a1"},
        {65551, "d46668c22bb768006533756b9ad11298f9f0962e9c0bbca315b0cd7adb5c9af8"},
    };
    uint8_t key[32];
    for (int i = 0; i < 32; ++i) key[i] = static_cast<uint8_t>(i);
    const Bytes tweak(32, 0x5a);
    Hctr2 hctr2(key);
    for (const Case& c : cases) {
        Bytes message(c.length);
        for (size_t i = 0; i < c.length; ++i) message[i] = static_cast<uint8_t>(i * 7 + 3);
        const Bytes plain = message;
        hctr2.Encipher(tweak, message);
        uint8_t digest[32];
        crypto_generichash(digest, sizeof digest, message.data(), message.size(), nullptr, 0);
        EXPECT_EQ(ToHex(digest, 32), c.digest) << c.length;
        hctr2.Decipher(tweak, message);
        EXPECT_EQ(message, plain) << c.length;
    }
    Bytes tooShort(15);
    EXPECT_THROW(hctr2.Encipher(tweak, tooShort), Failure);
}

}  // namespace

}  // namespace vko::crypto
