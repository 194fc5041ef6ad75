// SPDX-License-Identifier: GPL-3.0-or-later
#include "mount/OpenBoxSource.h"

#include "mount/BoxReaderSource.h"
#include "mount/RunBoxSource.h"

namespace vko::mount {

std::unique_ptr<MountSource> OpenBoxSource(const std::string& box, const std::string& password) {
    auto reader = BoxReader::Open(box, password);
    if (!reader) return nullptr;
    if (reader->Format() == BoxFormat::Format::kSealed)
        return std::make_unique<BoxReaderSource>(std::move(reader));
    // An older box's file can only be deciphered from its start: it is read in one pass.
    reader.reset();
    return RunBoxSource::Open(box, password);
}

}  // namespace vko::mount
