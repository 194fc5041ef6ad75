// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EngineHost.h"

#include <QCoreApplication>

namespace vko {

EngineHost::EngineHost(const AppState& state, Messages& messages, Pump pump)
    : state_(state), messages_(messages), pump_(std::move(pump)) {
    if (!pump_) pump_ = [] { QCoreApplication::processEvents(); };
}

bool EngineHost::CancelRequested() {
    return state_.CancelProcess || state_.CancelJob;
}

void EngineHost::PumpMessages() {
    pump_();
}

void EngineHost::ShowMessage(const std::string& text, Icon icon) {
    messages_.Inform(QString::fromStdString(text), icon);
}

bool EngineHost::AskYesNo(const std::string& text) {
    return messages_.AskYesNo(QString::fromStdString(text));
}

ExistingAnswer EngineHost::AskExistingFiles(const std::vector<std::string>& existing) {
    return existing_ ? existing_(existing) : ExistingAnswer::kCancel;
}

}  // namespace vko
