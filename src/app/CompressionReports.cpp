// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CompressionReports.h"

#include <QCoreApplication>
#include <QThread>

#include "compress/modCompress.h"

namespace vko {

namespace {

// The module separates lines with carriage returns alone, which a message box does not break.
QString Lines(const std::string& text) {
    return QString::fromStdString(text).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

}  // namespace

CompressionReports::CompressionReports(Messages& messages) {
    modCompress::SetErrorReporter([&messages](const std::string& title, const std::string& text) {
        const auto show = [&] {
            messages.Report(Lines(title), Lines(text), Messages::Icon::Exclamation);
        };
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || QThread::currentThread() == app->thread())
            show();
        else
            QMetaObject::invokeMethod(app, show, Qt::BlockingQueuedConnection);
    });
}

CompressionReports::~CompressionReports() {
    modCompress::SetErrorReporter(nullptr);
}

}  // namespace vko
