#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/BlockEvents.h"
#include "engine/BlockHost.h"

namespace vko::test {

// A host that records every message and question, answers questions from a script (Yes when
// the script is empty) and can raise the cancel flag at the n-th poll.
class FakeHost : public BlockHost {
public:
    struct Message {
        std::string text;
        Icon icon;
    };

    bool CancelRequested() override;
    void PumpMessages() override;
    void ShowMessage(const std::string& text, Icon icon) override;
    bool AskYesNo(const std::string& text) override;

    // Cancel from the n-th call of CancelRequested on (1 = the first poll); 0 never.
    void CancelAtPoll(int n) { cancelAtPoll = n; }
    void QueueAnswer(bool yes) { answers.push_back(yes); }

    int polls = 0;
    int pumps = 0;
    int cancelAtPoll = 0;
    bool cancelled = false;
    std::deque<bool> answers;
    std::vector<Message> messages;
    std::vector<std::string> questions;
    std::function<void()> onPump;  // runs inside PumpMessages, like a window message would
};

// Records every engine event as one line of text, e.g. "CipherProgress 131072 300000 ..."
// so that tests can compare whole sequences.
class EventRecorder : public BlockEvents {
public:
    void RemoveDirectory() override;
    void ShredFile(int32_t FileNum, int32_t TotalFiles, const std::string& Filename,
                   int32_t bytesleft, int32_t filesize) override;
    void CreatingFileBlock() override;
    void BuildingHeader(int32_t FileNum, int32_t TotalFiles) override;
    void AddingToBlock(const std::string& Filename) override;
    void CreatingBlock() override;
    void CipherProgress(int32_t bps, int32_t BytesRead, int32_t TotalBlockBytes, int32_t bytesleft,
                        int32_t bytestotal, const std::string& Path) override;
    void CompressingFile(const std::string& Filename) override;
    void DecompressingFile(const std::string& Filename) override;

    // Events whose line starts with the given name.
    [[nodiscard]] std::vector<std::string> Named(const std::string& name) const;

    std::vector<std::string> lines;
    std::function<void(const std::string& line)> onEvent;  // runs after each event is recorded

private:
    void Add(std::string line);
};

}  // namespace vko::test
