// SPDX-License-Identifier: GPL-3.0-or-later
#include "compress/CompressErrors.h"

#include <algorithm>
#include <iostream>

#include "compress/modCompress.h"

namespace vko::modCompress {

namespace {

void WriteToStandardError(const std::string& title, const std::string& text) {
    std::string lines = text;
    std::replace(lines.begin(), lines.end(), '\r', '\n');
    std::cerr << title << '\n' << lines << '\n';
}

ErrorReporter& Reporter() {
    static ErrorReporter reporter = WriteToStandardError;
    return reporter;
}

}  // namespace

void SetErrorReporter(ErrorReporter reporter) {
    Reporter() = reporter ? std::move(reporter) : ErrorReporter(WriteToStandardError);
}

void ReportFailure(const std::string& source, int32_t number, const std::string& description) {
    Reporter()("  Error  -  " + description,
               source + " caused the following error :\r\rError Number = " +
                   std::to_string(number) + "\rError Description = " + description);
}

}  // namespace vko::modCompress
