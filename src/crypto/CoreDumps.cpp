// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/CoreDumps.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace vko::crypto {

void DisableCoreDumps() noexcept {
    const rlimit none{0, 0};
    // Both are best effort: neither can fail for a process lowering its own limits.
    (void)setrlimit(RLIMIT_CORE, &none);
    (void)prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

bool CoreDumpsDisabled() noexcept {
    rlimit limit{};
    return getrlimit(RLIMIT_CORE, &limit) == 0 && limit.rlim_cur == 0 &&
           prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 0;
}

}  // namespace vko::crypto
