// SPDX-License-Identifier: GPL-3.0-or-later
#include "crypto/KeyDerivation.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "crypto/CipherLibrary.h"
#include "crypto/SecretText.h"

namespace vko::crypto {

// What the derivation thread owns: shared, so that it outlives a KeyDerivation that gave up.
struct KeyDerivation::State {
    State(std::string_view text, const KeyCost& c) : password(text), cost(c) {}
    ~State() { key.Wipe(); }

    const SecretText password;
    const KeyCost cost;
    SecureBox<CipherKey> key;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    bool derived = false;
};

KeyDerivation::KeyDerivation(std::string_view password) : password_(password) {
    CipherLibrary& library = CipherLibrary::Instance();
    if (library.Holds(password)) return;
    state_ = std::make_shared<State>(password, library.Cost());
    thread_ = std::thread([state = state_] {
        const bool derived = DeriveKey(state->password.View(), state->cost, *state->key);
        const std::lock_guard lock(state->mutex);
        state->derived = derived;
        state->done = true;
        state->ended.notify_all();
    });
}

KeyDerivation::~KeyDerivation() {
    if (!thread_.joinable()) return;
    if (state_) {
        thread_.detach();  // still deriving: it ends on its own and wipes what it made
        return;
    }
    thread_.join();  // done: only its last instructions are left
}

bool KeyDerivation::Wait(const std::function<bool()>& stop) {
    if (!state_) return true;
    std::unique_lock lock(state_->mutex);
    while (!state_->done) {
        if (state_->ended.wait_for(lock, std::chrono::milliseconds(50),
                                   [this] { return state_->done; }))
            break;
        lock.unlock();
        const bool giveUp = stop && stop();
        lock.lock();
        if (giveUp && !state_->done) return false;
    }
    lock.unlock();
    const std::shared_ptr<State> state = std::move(state_);
    thread_.join();
    if (!state->derived) throw DerivationFailure();
    CipherLibrary::Instance().Adopt(password_, *state->key);
    return true;
}

}  // namespace vko::crypto
