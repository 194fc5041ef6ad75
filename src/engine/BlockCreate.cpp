// Placeholder until box creation lands; replaced as a whole by its implementation.
#include "engine/BlockCreate.h"

#include "util/Failure.h"

namespace vko::BlockCreate {
int16_t CreateBlock(BlockState&, const std::string&, const std::string&, const std::string&,
                    const std::string&, int16_t, int16_t) {
    throw Failure(FailureNumber::kInvalidArgument, "not built yet");
}
}  // namespace vko::BlockCreate
