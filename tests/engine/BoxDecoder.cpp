#include "engine/BoxDecoder.h"

#include <cstdio>
#include <stdexcept>

#include "crypto/CCipher.h"
#include "engine/ConvLong.h"
#include "support/TestFiles.h"

namespace vko::test {

namespace {

class Reader {
public:
    explicit Reader(std::string raw) : raw_(std::move(raw)) {}

    std::string Take(size_t count) {
        if (count > raw_.size() - position_) throw std::runtime_error("box ends inside a field");
        std::string bytes = raw_.substr(position_, count);
        position_ += count;
        return bytes;
    }
    [[nodiscard]] size_t Left() const { return raw_.size() - position_; }

private:
    std::string raw_;
    size_t position_ = 0;
};

std::vector<std::string> SplitFolders(const std::string& table) {
    std::vector<std::string> entries;
    size_t start = 0;
    for (size_t end = table.find('\0'); end != std::string::npos; end = table.find('\0', start)) {
        entries.push_back(table.substr(start, end - start));
        start = end + 1;
    }
    if (start != table.size()) throw std::runtime_error("folder table does not end in 0x00");
    return entries;
}

std::vector<DecodedRecord> ParseRecords(const std::string& table, uint8_t version) {
    const size_t fixed = version == 2 ? 10 : 6;
    std::vector<DecodedRecord> records;
    for (size_t p = 0; p < table.size();) {
        const auto length = static_cast<uint8_t>(table[p]);
        if (length < fixed || p + 1 + length > table.size())
            throw std::runtime_error("file record does not fit the table");
        const std::string record = table.substr(p + 1, length);
        DecodedRecord decoded;
        decoded.folder = ConvLong::CharsToWord(record.substr(0, 2));
        decoded.size = ConvLong::CharsToLong(record.substr(2, 4));
        decoded.stored = version == 2 ? ConvLong::CharsToLong(record.substr(6, 4)) : decoded.size;
        decoded.name = record.substr(fixed);
        records.push_back(std::move(decoded));
        p += 1 + length;
    }
    return records;
}

}  // namespace

DecodedBox DecodeBox(const std::string& path, const std::string& password) {
    Reader in(ReadFile(path));
    CCipher cipher;
    DecodedBox box;
    box.version = static_cast<uint8_t>(in.Take(1)[0]);
    cipher.Initilize(password);
    const auto nameLength = static_cast<uint8_t>(cipher.Cipher(in.Take(1))[0]);
    box.name = cipher.Cipher(in.Take(nameLength));
    box.folderTableLength = ConvLong::CharsToLong(cipher.Cipher(in.Take(4)));
    box.folders = SplitFolders(cipher.Cipher(in.Take(static_cast<size_t>(box.folderTableLength))));
    cipher.Initilize(password);
    box.fileTableLength = ConvLong::CharsToLong(cipher.Cipher(in.Take(4)));
    box.records =
        ParseRecords(cipher.Cipher(in.Take(static_cast<size_t>(box.fileTableLength))), box.version);
    box.dataArea = static_cast<int64_t>(in.Left());
    for (const auto& record : box.records) box.storedTotal += record.stored;
    if (box.storedTotal != box.dataArea) return box;  // the caller's check reports it
    for (auto& record : box.records) {
        cipher.Initilize(password);
        record.contents = cipher.Cipher(in.Take(static_cast<size_t>(record.stored)));
    }
    cipher.Clear();
    return box;
}

std::string Hex(const std::string& bytes) {
    std::string text;
    char digits[4];
    for (const char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02X",
                      static_cast<unsigned>(static_cast<uint8_t>(c)));
        if (!text.empty()) text += ' ';
        text += digits;
    }
    return text;
}

}  // namespace vko::test
