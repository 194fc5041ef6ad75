#pragma once

#include <string>
#include <vector>

#include "compress/modCompress.h"

namespace vko::test {

// Installs a reporter that records the module's failure reports for the life of the object.
class ReportRecorder {
public:
    struct Report {
        std::string title;
        std::string text;
    };

    ReportRecorder() {
        modCompress::SetErrorReporter([this](const std::string& title, const std::string& text) {
            reports.push_back({title, text});
        });
    }
    ~ReportRecorder() { modCompress::SetErrorReporter(nullptr); }
    ReportRecorder(const ReportRecorder&) = delete;
    ReportRecorder& operator=(const ReportRecorder&) = delete;

    std::vector<Report> reports;
};

}  // namespace vko::test
