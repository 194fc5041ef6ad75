#include "mount/OpenBoxSource.h"

#include "mount/RunBoxSource.h"

namespace vko::mount {

std::unique_ptr<MountSource> OpenBoxSource(const std::string& box, const std::string& password) {
    return RunBoxSource::Open(box, password);
}

}  // namespace vko::mount
