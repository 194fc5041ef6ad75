// SPDX-License-Identifier: GPL-3.0-or-later
#include "mount/FileContents.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "mount/Inflater.h"
#include "mount/ReadAhead.h"
#include "util/Failure.h"

namespace vko::mount {

namespace {

enum class Tag { kUnchecked, kGood, kBad };

}  // namespace

// Reads one file forward: through an Inflater when compressed, else its stored bytes as they
// come. The last kWindow bytes stay in a locked ring, so that reads the kernel sends out of
// order (read-ahead on several threads) are served from it; only a read behind the ring starts
// the file again from its first byte.
class FileContents::Forward {
public:
    static constexpr uint64_t kWindow = uint64_t{2} << 20;

    Forward(MountSource& source, size_t index, const MountEntry& entry)
        : ring_(LockedBuffer::Make(kWindow)) {
        if (!ring_)
            throw Failure(FailureNumber::kOutOfMemory,
                          "no memory can be locked to read it (see ulimit -l)");
        if (entry.compressed)
            inflater_ = std::make_unique<Inflater>(source.Stream(index), entry);
        else
            stored_ = source.Stream(index);
    }

    // The first byte a read can still start at.
    [[nodiscard]] uint64_t Start() const noexcept {
        return position_ > kWindow ? position_ - kWindow : 0;
    }
    [[nodiscard]] bool Ended(uint64_t size) const noexcept {
        return position_ == size && (!inflater_ || inflater_->Ended());
    }

    // Fills out with the bytes from offset (not before Start()); fewer only at the end.
    size_t ReadAt(uint64_t offset, std::span<uint8_t> out) {
        size_t filled = 0;
        while (filled < out.size()) {
            const uint64_t at = offset + filled;
            if (at < position_) {
                const uint64_t ringAt = at % kWindow;
                const auto n = static_cast<size_t>(
                    std::min({uint64_t{out.size() - filled}, position_ - at, kWindow - ringAt}));
                std::memcpy(out.data() + filled, ring_->Data() + ringAt, n);
                filled += n;
                continue;
            }
            // What is overwritten lies before at: everything from at on is still to come.
            const uint64_t ringAt = position_ % kWindow;
            const auto room = static_cast<size_t>(std::min<uint64_t>(kWindow - ringAt, kChunk));
            const std::span<uint8_t> chunk = ring_->Span().subspan(static_cast<size_t>(ringAt), room);
            const size_t n = inflater_ ? inflater_->Read(chunk) : stored_->Read(chunk);
            if (n == 0) break;
            position_ += n;
        }
        return filled;
    }

private:
    static constexpr uint64_t kChunk = 256 * 1024;

    std::unique_ptr<LockedBuffer> ring_;
    std::unique_ptr<Inflater> inflater_;
    std::unique_ptr<StoredStream> stored_;
    uint64_t position_ = 0;  // bytes of the file produced so far
};

struct FileContents::State {
    std::mutex mutex;  // one expansion or forward read of the file at a time
    std::shared_ptr<LockedBuffer> whole;  // under heldMutex_
    std::list<size_t>::iterator lru;      // valid while whole is set
    std::unique_ptr<Forward> forward;
    std::vector<bool> seen;  // pieces read, for a file read piece by piece
    uint64_t unseen = 0;
    std::atomic<Tag> tag{Tag::kUnchecked};
    std::atomic<bool> sound{false};  // read whole: its tag held and its stream ended
    bool damaged = false;
    // Under mutex: a forward reader's helper, where the last read ended, and the opens.
    std::shared_ptr<ReadAhead> ahead;
    uint64_t next = 0;
    unsigned opens = 0;
};

FileContents::FileContents(MountSource& source, uint64_t cap, Damaged damaged)
    : source_(source), entries_(source.Entries()), cap_(cap), damaged_(std::move(damaged)) {
    states_.reserve(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) states_.push_back(std::make_unique<State>());
}

FileContents::~FileContents() {
    Clear();
}

bool FileContents::Verified(size_t index) const {
    return states_.at(index)->sound;
}

uint64_t FileContents::Held() const {
    std::lock_guard lock(heldMutex_);
    return held_;
}

void FileContents::Clear() {
    for (auto& state : states_) {
        std::lock_guard file(state->mutex);
        state->forward.reset();
        state->ahead.reset();
    }
    std::lock_guard lock(heldMutex_);
    for (size_t index : lru_) states_[index]->whole.reset();
    lru_.clear();
    held_ = 0;
}

long FileContents::Fail(size_t index, const std::string& why) {
    State& state = *states_[index];
    bool first = false;
    {
        std::lock_guard lock(heldMutex_);
        first = !state.damaged;
        state.damaged = true;
    }
    if (first && damaged_) damaged_(entries_[index].path, why);
    return -EIO;
}

bool FileContents::TagHolds(size_t index) {
    State& state = *states_[index];
    if (state.tag == Tag::kUnchecked) state.tag = source_.CheckTag(index) ? Tag::kGood : Tag::kBad;
    return state.tag == Tag::kGood;
}

long FileContents::Read(size_t index, uint64_t offset, std::span<uint8_t> out) {
    const MountEntry& entry = entries_.at(index);
    {
        std::lock_guard lock(heldMutex_);
        if (states_[index]->damaged) return -EIO;
    }
    if (offset >= entry.size) return 0;
    out = out.first(static_cast<size_t>(std::min<uint64_t>(out.size(), entry.size - offset)));
    try {
        if (!entry.compressed && source_.RandomAccess()) return ReadPieces(index, offset, out);
        if (entry.size <= cap_) {
            if (auto whole = Hold(index)) {
                std::memcpy(out.data(), whole->Data() + offset, out.size());
                return static_cast<long>(out.size());
            }
        }
        return ReadForward(index, offset, out);
    } catch (const DamagedFile& damage) {
        return Fail(index, damage.what());
    } catch (const std::exception& failure) {
        if (damaged_) damaged_(entry.path, failure.what());
        return -EIO;
    }
}

void FileContents::Opened(size_t index) {
    State& state = *states_.at(index);
    std::lock_guard lock(state.mutex);
    ++state.opens;
}

void FileContents::Closed(size_t index) {
    State& state = *states_.at(index);
    std::shared_ptr<ReadAhead> gone;  // its thread is joined outside the lock
    std::lock_guard lock(state.mutex);
    if (state.opens > 0 && --state.opens == 0) gone = std::move(state.ahead);
}

std::shared_ptr<ReadAhead> FileContents::StartAhead(size_t index, uint64_t from) {
    if (aheads_.fetch_add(1) >= ReadAhead::kMaxRunning) {
        --aheads_;
        return nullptr;
    }
    std::unique_ptr<ReadAhead> ahead = ReadAhead::Start(source_, index, entries_[index].size, from);
    if (!ahead) {
        --aheads_;
        return nullptr;
    }
    return {ahead.release(), [this](ReadAhead* gone) {
                delete gone;
                --aheads_;
            }};
}

void FileContents::ReadPlain(size_t index, uint64_t offset, std::span<uint8_t> out) {
    State& state = *states_[index];
    const uint64_t size = entries_[index].size;
    std::shared_ptr<ReadAhead> ahead;
    {
        std::lock_guard lock(state.mutex);
        const bool forward = offset == state.next;
        state.next = offset + out.size();
        // Worth a thread only for a file longer than the reads the kernel sends at once.
        if (!state.ahead && forward && state.tag != Tag::kBad && size > ReadAhead::kRingBytes)
            state.ahead = StartAhead(index, offset);
        ahead = state.ahead;
    }
    if (ahead) {
        const ReadAhead::Got got = ahead->Read(offset, out);
        if (got == ReadAhead::Got::kServed) return;
        if (got == ReadAhead::Got::kJumped) {
            std::lock_guard lock(state.mutex);
            if (state.ahead == ahead) state.ahead.reset();
        }
    }
    source_.ReadPlain(index, offset, out);
}

long FileContents::ReadPieces(size_t index, uint64_t offset, std::span<uint8_t> out) {
    ReadPlain(index, offset, out);
    State& state = *states_[index];
    std::lock_guard lock(state.mutex);
    if (state.tag == Tag::kGood || out.empty()) return static_cast<long>(out.size());
    const uint64_t piece = source_.PieceBytes();
    const uint64_t size = entries_[index].size;
    if (state.seen.empty()) {
        state.seen.assign((size + piece - 1) / piece, false);
        state.unseen = state.seen.size();
    }
    // Coverage in spans of PieceBytes from the file's start, whatever the pieces' exact cut.
    const uint64_t last = std::min<uint64_t>((offset + out.size() - 1) / piece, state.seen.size() - 1);
    for (uint64_t p = std::min<uint64_t>(offset / piece, last); p <= last; ++p) {
        if (state.seen[p]) continue;
        state.seen[p] = true;
        --state.unseen;
    }
    if (state.unseen == 0 && state.tag == Tag::kUnchecked && state.ahead) {
        // The ReadAhead that read the file from its first byte checked its tag on the way.
        if (const auto held = state.ahead->TagResult()) state.tag = *held ? Tag::kGood : Tag::kBad;
    }
    if (state.unseen == 0 && !TagHolds(index))
        throw DamagedFile("its stored bytes do not match its tag");
    state.sound = state.unseen == 0;
    return static_cast<long>(out.size());
}

long FileContents::ReadForward(size_t index, uint64_t offset, std::span<uint8_t> out) {
    State& state = *states_[index];
    std::lock_guard lock(state.mutex);
    // Read forward, a file would hand out the bytes before its damage: its tag is over its
    // stored bytes, so it is checked (one pass, nothing deciphered) before the first of them.
    if (!TagHolds(index)) throw DamagedFile("its stored bytes do not match its tag");
    if (!state.forward || offset < state.forward->Start())
        state.forward = std::make_unique<Forward>(source_, index, entries_[index]);
    const size_t n = state.forward->ReadAt(offset, out);
    if (n < out.size()) throw DamagedFile("its stored bytes end early");
    state.sound = state.sound || state.forward->Ended(entries_[index].size);
    return static_cast<long>(n);
}

std::shared_ptr<LockedBuffer> FileContents::Hold(size_t index) {
    State& state = *states_[index];
    const auto held = [&]() -> std::shared_ptr<LockedBuffer> {
        std::lock_guard lock(heldMutex_);
        if (!state.whole) return nullptr;
        lru_.splice(lru_.begin(), lru_, state.lru);
        return state.whole;
    };
    if (auto whole = held()) return whole;
    std::lock_guard file(state.mutex);
    if (auto whole = held()) return whole;  // another reader expanded it meanwhile
    return Expand(index);
}

void FileContents::MakeRoom(uint64_t bytes) {
    while (held_ + bytes > cap_ && !lru_.empty()) {
        const size_t victim = lru_.back();
        lru_.pop_back();
        held_ -= entries_[victim].size;
        states_[victim]->whole.reset();  // wiped once the last reader lets go of it
    }
}

std::shared_ptr<LockedBuffer> FileContents::Expand(size_t index) {
    const MountEntry& entry = entries_[index];
    {
        std::lock_guard lock(heldMutex_);
        MakeRoom(entry.size);
        held_ += entry.size;  // reserved while it expands
    }
    std::shared_ptr<LockedBuffer> whole;
    try {
        whole = LockedBuffer::Make(entry.size);
        if (whole) {
            Forward forward(source_, index, entry);
            if (forward.ReadAt(0, whole->Span()) < entry.size || !forward.Ended(entry.size))
                throw DamagedFile("its stored bytes end early");
            if (!TagHolds(index)) throw DamagedFile("its stored bytes do not match its tag");
            states_[index]->sound = true;
        }
    } catch (...) {
        std::lock_guard lock(heldMutex_);
        held_ -= entry.size;
        throw;
    }
    std::lock_guard lock(heldMutex_);
    if (!whole) {  // no memory could be locked: read it forward instead
        held_ -= entry.size;
        return nullptr;
    }
    State& state = *states_[index];
    state.whole = whole;
    lru_.push_front(index);
    state.lru = lru_.begin();
    return whole;
}

}  // namespace vko::mount
