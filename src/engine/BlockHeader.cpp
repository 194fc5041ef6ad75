// Placeholder until header reading lands; replaced as a whole by its implementation.
#include "engine/BlockHeader.h"

#include "util/Failure.h"

namespace vko::BlockHeader {
namespace {
[[noreturn]] void NotBuilt() { throw Failure(FailureNumber::kInvalidArgument, "not built yet"); }
}  // namespace
int16_t ViewBlock(BlockState&, const std::string&, const std::string&) { NotBuilt(); }
int16_t ProcessBlock(BlockState&, const std::string&, const std::string&) { NotBuilt(); }
void ParseDirBlock(BlockState&, const std::string&) { NotBuilt(); }
void ParseFileBlock(BlockState&, const std::string&) { NotBuilt(); }
void ParseBlockInfo(BlockState&, int32_t, std::string&, std::string&, int32_t&) { NotBuilt(); }
FileRecord Record(const BlockState&, int32_t) { NotBuilt(); }
}  // namespace vko::BlockHeader
