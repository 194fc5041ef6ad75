// Placeholder until the folder scan lands; replaced as a whole by its implementation.
#include "engine/BlockScan.h"

#include "util/Failure.h"

namespace vko::BlockScan {
namespace {
[[noreturn]] void NotBuilt() { throw Failure(FailureNumber::kInvalidArgument, "not built yet"); }
}  // namespace
std::vector<std::string> GetAllFiles(BlockState&, const std::string&, const std::string&, bool) { NotBuilt(); }
void AddDir(BlockState&, const std::string&, bool) { NotBuilt(); }
int32_t GetPathNumber(const BlockState&, const std::string&) { NotBuilt(); }
std::string GetPathFromFile(const std::string&) { NotBuilt(); }
void CreateAllFolders(const std::string&) { NotBuilt(); }
std::vector<std::string> GetDirectories(const std::string&, int32_t, bool) { NotBuilt(); }
}  // namespace vko::BlockScan
