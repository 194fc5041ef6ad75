// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vko::crypto {

// Keeps the cached key of the password in use across the cipher's Clear for as long as it
// lives. Clear still re-keys the stream with the constant, so no run of the password can be
// continued, but the next keying with the same password needs no new derivation. A front end
// holds one while it keeps a password: the desktop while the password is memorized, vkx for the
// length of a command; so that a job or command derives its key once, however many operations
// it runs. A box's subkeys (BoxKeys) are derived from the same cached key. When the last hold
// goes, the key is wiped.
//
// Without any hold, Clear wipes the key at once.
class KeyHold {
public:
    KeyHold();
    ~KeyHold();
    KeyHold(const KeyHold&) = delete;
    KeyHold& operator=(const KeyHold&) = delete;
};

}  // namespace vko::crypto
