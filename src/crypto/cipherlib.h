// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The cipher library: one keyed byte-stream transform for the whole process.
//
// - InitCipher keys the stream from a password (mode 0 is the only mode) and restarts it.
// - InitCipherRun does the same and starts the run named run: runs under one password that
//   have different names never share keystream.
// - CipherBuffer and CipherByte transform bytes; a run gives the same output however it is
//   split into calls, and the transform is its own inverse (enciphering again from the same
//   keyed state restores the input).
// - EncodeText and DecodeText turn three bytes into four printable characters and back; they
//   do not touch the stream.
//
// The stream is process-wide and not synchronised: one caller at a time.

void InitCipher(const char* key, int32_t keyLength, int32_t mode);
void InitCipherRun(const char* key, int32_t keyLength, const char* run, int32_t runLength);
int32_t CipherBuffer(const char* source, int32_t length, char* dest);
uint8_t CipherByte(uint8_t value);
int32_t EncodeText(const char* source, int32_t length, char* dest);
int32_t DecodeText(const char* source, int32_t length, char* dest);
