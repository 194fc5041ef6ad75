// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace vko {

// Progress of the box engine, raised synchronously from inside its operations. Every method
// defaults to doing nothing; an observer overrides what it shows.
class BlockEvents {
public:
    virtual ~BlockEvents() = default;

    // After shredding, before the boxed folders are removed.
    virtual void RemoveDirectory() {}
    // After each 1 MiB written over a source file while shredding.
    virtual void ShredFile(int32_t /*FileNum*/, int32_t /*TotalFiles*/,
                           const std::string& /*Filename*/, int32_t /*bytesleft*/,
                           int32_t /*filesize*/) {}
    // After the first pass over the file table, before the first file's contents.
    virtual void CreatingFileBlock() {}
    // After each file-table record of the first pass; FileNum counts from 1.
    virtual void BuildingHeader(int32_t /*FileNum*/, int32_t /*TotalFiles*/) {}
    // For each file found by the folder scan (full path).
    virtual void AddingToBlock(const std::string& /*Filename*/) {}
    // Once, when the folder scan has finished.
    virtual void CreatingBlock() {}
    // After each chunk enciphered or deciphered; bytesleft and bytestotal concern the file
    // named by Path (when extracting, the file being written; for a compressed file they count
    // stored bytes). Every figure is 64-bit: a box holds any number of files below 2 GiB each.
    virtual void CipherProgress(int64_t /*bps*/, int64_t /*BytesRead*/, int64_t /*TotalBlockBytes*/,
                                int64_t /*bytesleft*/, int64_t /*bytestotal*/,
                                const std::string& /*Path*/) {}
    // Before each file is compressed (full path).
    virtual void CompressingFile(const std::string& /*Filename*/) {}
    // Before a stored zlib stream is checked, once it has been expanded into the file being
    // written (the path of that file).
    virtual void DecompressingFile(const std::string& /*Filename*/) {}
};

}  // namespace vko
