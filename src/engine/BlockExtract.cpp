// Placeholder until extraction lands; replaced as a whole by its implementation.
#include "engine/BlockExtract.h"

#include "util/Failure.h"

namespace vko::BlockExtract {
namespace {
[[noreturn]] void NotBuilt() { throw Failure(FailureNumber::kInvalidArgument, "not built yet"); }
}  // namespace
int16_t ExtractBlock(BlockState&, const std::string&, const std::string&, const std::string&) { NotBuilt(); }
void ExtractToFile(BlockState&, const std::string&, int32_t) { NotBuilt(); }
int16_t DynamicExtractBlock(BlockState&, const std::string&, const std::string&, const std::string&) { NotBuilt(); }
void DynamicExtractToFile(BlockState&, int32_t, const std::string&) { NotBuilt(); }
void DynamicClose(BlockState&) { NotBuilt(); }
}  // namespace vko::BlockExtract
