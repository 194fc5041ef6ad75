#include "engine/FakeHost.h"

namespace vko::test {

bool FakeHost::CancelRequested() {
    ++polls;
    if (cancelAtPoll > 0 && polls >= cancelAtPoll) cancelled = true;
    return cancelled;
}

void FakeHost::PumpMessages() {
    ++pumps;
    if (onPump) onPump();
}

void FakeHost::ShowMessage(const std::string& text, Icon icon) { messages.push_back({text, icon}); }

bool FakeHost::AskYesNo(const std::string& text) {
    questions.push_back(text);
    if (answers.empty()) return true;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
}

void EventRecorder::Add(std::string line) {
    lines.push_back(line);
    if (onEvent) onEvent(line);
}

void EventRecorder::RemoveDirectory() { Add("RemoveDirectory"); }

void EventRecorder::ShredFile(int32_t FileNum, int32_t TotalFiles, const std::string& Filename,
                              int32_t bytesleft, int32_t filesize) {
    Add("ShredFile " + std::to_string(FileNum) + " " + std::to_string(TotalFiles) + " " +
        Filename + " " + std::to_string(bytesleft) + " " + std::to_string(filesize));
}

void EventRecorder::CreatingFileBlock() { Add("CreatingFileBlock"); }

void EventRecorder::BuildingHeader(int32_t FileNum, int32_t TotalFiles) {
    Add("BuildingHeader " + std::to_string(FileNum) + " " + std::to_string(TotalFiles));
}

void EventRecorder::AddingToBlock(const std::string& Filename) { Add("AddingToBlock " + Filename); }

void EventRecorder::CreatingBlock() { Add("CreatingBlock"); }

// bps depends on timing, so it is left out of the line.
void EventRecorder::CipherProgress(int32_t /*bps*/, int32_t BytesRead, int32_t TotalBlockBytes,
                                   int32_t bytesleft, int32_t bytestotal,
                                   const std::string& Path) {
    Add("CipherProgress " + std::to_string(BytesRead) + " " + std::to_string(TotalBlockBytes) +
        " " + std::to_string(bytesleft) + " " + std::to_string(bytestotal) + " " + Path);
}

void EventRecorder::CompressingFile(const std::string& Filename) {
    Add("CompressingFile " + Filename);
}

void EventRecorder::DecompressingFile(const std::string& Filename) {
    Add("DecompressingFile " + Filename);
}

std::vector<std::string> EventRecorder::Named(const std::string& name) const {
    std::vector<std::string> found;
    for (const auto& line : lines)
        if (line == name || line.rfind(name + " ", 0) == 0) found.push_back(line);
    return found;
}

}  // namespace vko::test
