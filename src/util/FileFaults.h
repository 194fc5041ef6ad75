#pragma once

#include <cstddef>
#include <cstdint>

// The file layer's side of the fault seam declared in File.h.
namespace vko::FileFaults {

// How many of count bytes may pass before the armed fault strikes; count when none is armed.
[[nodiscard]] size_t AllowWrite(size_t count) noexcept;
[[nodiscard]] size_t AllowRead(size_t count) noexcept;

}  // namespace vko::FileFaults
