// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/Messages.h"

namespace vko {

// Shows the compression module's failure reports as message boxes for as long as it lives;
// without it they go to the error stream. A report raised on a worker thread waits while the
// box is shown on the application's thread.
class CompressionReports {
public:
    explicit CompressionReports(Messages& messages);
    ~CompressionReports();
    CompressionReports(const CompressionReports&) = delete;
    CompressionReports& operator=(const CompressionReports&) = delete;
};

}  // namespace vko
