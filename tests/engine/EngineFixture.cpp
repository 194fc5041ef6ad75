#include "engine/EngineFixture.h"

#include <filesystem>

#include "compress/modCompress.h"
#include "crypto/CCipher.h"
#include "engine/BoxBuilder.h"

namespace fs = std::filesystem;

namespace vko::test {

std::vector<StoredFile> ReadStored(const std::string& path, const std::string& password) {
    QuietHost quiet;
    CCipherBlock reader(quiet);
    std::vector<StoredFile> files;
    if (reader.ViewBlock(path, password) != 0 || !reader.Problems().empty()) {
        ADD_FAILURE() << path << " does not read back whole";
        return files;
    }
    const std::string raw = ReadFile(path);
    const std::string runA = RunADigest(ReadRunA(raw, password));
    size_t at = static_cast<size_t>(reader.HeaderEnd());
    CCipher cipher;
    for (int32_t i = 0; i < static_cast<int32_t>(reader.Files().size()); ++i) {
        const FileRecord record = reader.Record(i);
        cipher.InitilizeRun(password, FileRunName(runA, reader.Files()[static_cast<size_t>(i)],
                                                  static_cast<uint8_t>(reader.BlockVersion())));
        files.push_back(
            {record, cipher.Cipher(raw.substr(at, static_cast<size_t>(record.Stored)))});
        at += static_cast<size_t>(record.Stored);
    }
    cipher.Clear();
    return files;
}

std::string Expand(const std::string& stored) {
    modCompress::ByteArray source(stored.begin(), stored.end());
    modCompress::ByteArray plain;
    int32_t result = 0;
    if (!modCompress::DecompressData(source, plain, result, -1)) return "<damaged>";
    return std::string(plain.begin(), plain.end());
}

Tree Listing(const std::string& root) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        tree[entry.is_directory() ? relative + "/" : relative] =
            entry.is_directory() ? "" : ReadFile(entry.path().string());
    }
    return tree;
}

std::vector<std::string> Leftovers(const std::string& root) {
    std::vector<std::string> found;
    if (!fs::exists(root)) return found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(AtomicFile::kTempSuffix) || name.ends_with(".zlib"))
            found.push_back(entry.path().string());
    }
    return found;
}

}  // namespace vko::test
