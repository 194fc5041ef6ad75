// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vko::cli::StandardStreams {

// Puts /dev/null on each of descriptors 0, 1 and 2 that vkx was started without (`>&-`),
// opened the wrong way round so that using it fails: reading 0, writing 1 or 2. No box or
// extracted file can then take one of those numbers and receive the listing or the summary,
// and output to a closed standard output fails as output to a broken one does.
void Reserve() noexcept;

// Flushes standard output and throws a Failure naming it when anything written there did not
// arrive (a full disk, a closed descriptor): a listing or summary that was lost is no success.
void RequireWritten();

}  // namespace vko::cli::StandardStreams
