#include <gtest/gtest.h>
#include <sodium.h>

#include <string>
#include <vector>

#include "crypto/Blake2bBlock.h"
#include "support/TestFiles.h"

namespace {

using vko::crypto::kBlake2bBlockBytes;
using vko::crypto::kBlake2bOutBytes;
std::string Reference(const std::string& block) {
    std::string out(kBlake2bOutBytes, '\0');
    crypto_generichash(reinterpret_cast<unsigned char*>(out.data()), out.size(),
                       reinterpret_cast<const unsigned char*>(block.data()), block.size(), nullptr,
                       0);
    return out;
}

std::string Hash(const std::string& block) {
    std::string out(kBlake2bOutBytes, '\0');
    vko::crypto::Blake2b512(reinterpret_cast<const uint8_t*>(block.data()),
                            reinterpret_cast<uint8_t*>(out.data()));
    return out;
}

// Random blocks and the extremes (all zero bits, all one bits).
TEST(Blake2bBlock, EqualsTheGenericHashOfOneBlock) {
    std::vector<std::string> blocks = {std::string(kBlake2bBlockBytes, '\0'),
                                       std::string(kBlake2bBlockBytes, '\xff')};
    for (uint32_t seed = 1; seed <= 200; ++seed)
        blocks.push_back(vko::test::RandomBytes(kBlake2bBlockBytes, seed));
    for (size_t i = 0; i < blocks.size(); ++i)
        ASSERT_EQ(Hash(blocks[i]), Reference(blocks[i])) << "block " << i;
}

}  // namespace
