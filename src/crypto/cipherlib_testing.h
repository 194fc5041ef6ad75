// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Settings and probes for tests only, in the library vko_crypto_testing that only test programs
// link; the shipped programs contain none of it.
namespace cipherlib_testing {

// Lowers the key-derivation cost to its minimum so that tests can key thousands of times.
void UseFastKeyDerivation(bool fast);

// True while a key derived from a password other than the constant clearing key is held.
[[nodiscard]] bool HoldsPasswordKey();

// Number of key derivations run in this process (to check that keys are cached).
[[nodiscard]] long KeyDerivations();

}  // namespace cipherlib_testing
