#include "engine/BoxDecoder.h"

#include <cstdio>
#include <stdexcept>

#include "compress/modCompress.h"
#include "crypto/CCipher.h"
#include "engine/ConvLong.h"
#include "support/TestFiles.h"

namespace vko::test {

DecodedBox DecodeBox(const std::string& path, const std::string& password) {
    const std::string raw = ReadFile(path);
    size_t at = 0;
    CCipher cipher;
    const auto take = [&](size_t count) {
        if (count > raw.size() - at) throw std::runtime_error("box ends inside a field");
        at += count;
        return cipher.Cipher(raw.substr(at - count, count));
    };
    DecodedBox box;
    box.version = static_cast<uint8_t>(raw.at(at++));
    cipher.Initilize(password);
    box.name = take(static_cast<uint8_t>(take(1)[0]));
    box.folderTableLength = ConvLong::CharsToLong(take(4));
    const std::string folders = take(static_cast<size_t>(box.folderTableLength));
    for (size_t start = 0, end; (end = folders.find('\0', start)) != std::string::npos;
         start = end + 1)
        box.folders.push_back(folders.substr(start, end - start));
    cipher.Initilize(password);
    box.fileTableLength = ConvLong::CharsToLong(take(4));
    const std::string table = take(static_cast<size_t>(box.fileTableLength));
    const size_t fixed = box.version == 2 ? 10 : 6;
    for (size_t p = 0; p < table.size(); p += 1 + static_cast<uint8_t>(table[p])) {
        const std::string record = table.substr(p + 1, static_cast<uint8_t>(table[p]));
        if (record.size() < fixed) throw std::runtime_error("file record too short");
        DecodedRecord r{ConvLong::CharsToWord(record),
                        ConvLong::CharsToLong(record.substr(2)),
                        0,
                        record.substr(fixed),
                        {}};
        r.stored = box.version == 2 ? ConvLong::CharsToLong(record.substr(6)) : r.size;
        box.storedTotal += r.stored;
        box.records.push_back(std::move(r));
    }
    box.dataArea = static_cast<int64_t>(raw.size() - at);
    if (box.storedTotal != box.dataArea) return box;  // the caller's check reports it
    for (auto& record : box.records) {
        cipher.Initilize(password);
        record.contents = take(static_cast<size_t>(record.stored));
    }
    cipher.Clear();
    return box;
}

std::string ExpandStored(const std::string& stored) {
    modCompress::ByteArray source(stored.begin(), stored.end());
    modCompress::ByteArray plain;
    int32_t result = 0;
    if (!modCompress::DecompressData(source, plain, result, -1)) return "<damaged>";
    return std::string(plain.begin(), plain.end());
}

std::string Hex(const std::string& bytes) {
    std::string text;
    char digits[4];
    for (const char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02X",
                      static_cast<unsigned>(static_cast<uint8_t>(c)));
        text += (text.empty() ? "" : " ") + std::string(digits);
    }
    return text;
}

}  // namespace vko::test
