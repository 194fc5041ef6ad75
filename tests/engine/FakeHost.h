// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/BlockEvents.h"
#include "engine/BlockHost.h"

namespace vko::test {

// A host that records every message and question, answers questions from a queue (Yes when it
// is empty) and the one about files already there with existingAnswer, and raises the cancel
// flag from the n-th poll on. With asksAboutDamage false it stands for a host nobody watches.
class FakeHost : public BlockHost {
public:
    struct Message {
        std::string text;
        Icon icon;
    };

    bool CancelRequested() override { return ++polls >= cancelAtPoll && cancelAtPoll > 0; }
    void PumpMessages() override {
        if (onPump) onPump();
    }
    // Neither a poll nor a pump, so that their counts do not depend on how long workers take.
    bool KeepWaiting() override {
        return !(giveUpWaiting && giveUpWaiting()) && !(cancelAtPoll > 0 && polls >= cancelAtPoll);
    }
    void ShowMessage(const std::string& text, Icon icon) override {
        messages.push_back({text, icon});
    }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        if (answers.empty()) return true;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    bool AsksAboutDamage() override { return asksAboutDamage; }
    ExistingAnswer AskExistingFiles(const std::vector<std::string>& existing) override {
        existingAsked.push_back(existing);
        return existingAnswer;
    }

    // Cancel from the n-th call of CancelRequested on (1 = the first poll); 0 never.
    void CancelAtPoll(int n) { cancelAtPoll = n; }
    void QueueAnswer(bool yes) { answers.push_back(yes); }

    int polls = 0;
    int cancelAtPoll = 0;
    std::deque<bool> answers;
    std::vector<Message> messages;
    std::vector<std::string> questions;
    bool asksAboutDamage = true;
    ExistingAnswer existingAnswer = ExistingAnswer::kCancel;
    std::vector<std::vector<std::string>> existingAsked;
    std::function<void()> onPump;         // runs inside PumpMessages, like a window message would
    std::function<bool()> giveUpWaiting;  // a cancel that comes while the engine waits
};

// Records every engine event as one line, its name and arguments joined by spaces
// ("CipherProgress 131072 300003 168928 300000 /path"), so that tests compare whole sequences.
class EventRecorder : public BlockEvents {
public:
    void RemoveDirectory() override { Add("RemoveDirectory"); }
    void ShredFile(int32_t num, int32_t total, const std::string& name, int32_t left,
                   int32_t size) override {
        Add("ShredFile", num, total, name, left, size);
    }
    void CreatingFileBlock() override { Add("CreatingFileBlock"); }
    void BuildingHeader(int32_t num, int32_t total) override { Add("BuildingHeader", num, total); }
    void AddingToBlock(const std::string& name) override { Add("AddingToBlock", name); }
    void CreatingBlock() override { Add("CreatingBlock"); }
    // bps depends on timing, so it is left out of the line.
    void CipherProgress(int64_t /*bps*/, int64_t read, int64_t total, int64_t left,
                        int64_t fileTotal, const std::string& path) override {
        Add("CipherProgress", read, total, left, fileTotal, path);
    }
    void CompressingFile(const std::string& name) override { Add("CompressingFile", name); }
    void DecompressingFile(const std::string& name) override { Add("DecompressingFile", name); }

    // Events whose line starts with the given name.
    [[nodiscard]] std::vector<std::string> Named(const std::string& name) const {
        std::vector<std::string> found;
        for (const auto& line : lines)
            if (line == name || line.rfind(name + " ", 0) == 0) found.push_back(line);
        return found;
    }

    std::vector<std::string> lines;
    std::function<void(const std::string& line)> onEvent;  // runs after each event is recorded

private:
    template <class... Args>
    void Add(const char* name, const Args&... args) {
        std::ostringstream line;
        line << name;
        ((line << ' ' << args), ...);
        lines.push_back(line.str());
        if (onEvent) onEvent(lines.back());
    }
};

}  // namespace vko::test
