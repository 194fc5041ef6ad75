#include "engine/BlockExtract.h"

#include <filesystem>

#include "engine/BlockHeader.h"
#include "engine/BlockScan.h"
#include "engine/BlockUnpack.h"
#include "engine/BoxPath.h"

namespace vko::BlockExtract {

namespace {

enum class Step { Next, Cancelled, Abandoned };

// Ends a whole extraction on every way out, errors included: the box slot is closed and no
// password state is left in the cipher.
class ExtractionScope {
public:
    explicit ExtractionScope(BlockState& s) : s_(s) {}
    ~ExtractionScope() {
        s_.tick.StopTick();
        s_.box.reset();
        try {
            s_.cipher.Clear();
        } catch (...) {
            // Nothing to report from here; the next keying replaces the state anyway.
        }
    }
    ExtractionScope(const ExtractionScope&) = delete;
    ExtractionScope& operator=(const ExtractionScope&) = delete;

private:
    BlockState& s_;
};

// The extraction folder and every folder of the table below it. Entry 1 names the boxed
// folder itself, whose contents land directly in the extraction folder.
void CreateFolders(const BlockState& s) {
    BlockScan::CreateAllFolders(s.rootPath);
    const auto& entries = s.folders.Entries();
    for (size_t i = 1; i < entries.size(); ++i) {
        if (!entries[i].empty())
            BlockScan::CreateAllFolders(s.rootPath + BoxPath::ToNativeFolder(entries[i]));
    }
}

bool CopyOut(BlockState& s, const std::string& destination, int32_t count) {
    return BlockUnpack::UnpackToFile(s, destination, count, [&](int32_t bps, int32_t remaining) {
        s.Events().CipherProgress(bps, s.processedBytes, s.dataByteCount, remaining, count,
                                  destination);
    });
}

// A compressed entry: its stream goes to destination + ".zlib" first and is expanded from
// there; the ".zlib" file stays behind for the user when the stream cannot be expanded.
Step ExtractCompressed(BlockState& s, const std::string& destination, int32_t stored) {
    const std::string zlibPath = destination + BlockUnpack::kZlibSuffix;
    if (!CopyOut(s, zlibPath, stored)) return Step::Cancelled;
    s.Events().DecompressingFile(zlibPath);
    s.host.PumpMessages();
    if (BlockUnpack::ExpandOver(zlibPath, destination)) {
        std::error_code ignored;
        std::filesystem::remove(zlibPath, ignored);
        return Step::Next;
    }
    const bool abort = s.host.AskYesNo("Error Decompression " + zlibPath + "\r\n\r\n" + "Abort?");
    return abort ? Step::Abandoned : Step::Next;
}

Step ExtractRecord(BlockState& s, int32_t index, const std::string& password) {
    const FileRecord record = BlockHeader::Record(s, index);
    const bool compressed = s.compressed == 1;
    // A compressed record without stored bytes has nothing to expand. A plain record of size 0
    // is an empty file and is recreated as one.
    if (compressed && record.Stored < 1) return Step::Next;
    s.cipher.Initilize(password);
    const std::string destination =
        BlockUnpack::TargetFolder(s, s.rootPath, record.FolderNumber) + record.Name;
    if (compressed) return ExtractCompressed(s, destination, record.Stored);
    return CopyOut(s, destination, record.Size) ? Step::Next : Step::Cancelled;
}

}  // namespace

int16_t ExtractBlock(BlockState& s, const std::string& BlockFile, const std::string& Path,
                     const std::string& Password) {
    const std::string folder = BlockUnpack::ExtractionFolder(Path);
    s.cipher.Initilize(Password);
    const int16_t read = BlockHeader::ProcessBlock(s, BlockFile, Password);
    s.rootPath = folder;
    if (read != BlockResult::kReadOk) {
        s.host.ShowMessage(kHeaderDamagedMessage, BlockHost::Icon::Information);
        s.box.reset();
        return BlockResult::kExtractNotABox;
    }

    const ExtractionScope scope(s);
    CreateFolders(s);
    s.processedBytes = 0;
    s.sinceSample = 0;
    s.tick.StartTick();
    const auto count = static_cast<int32_t>(s.files.size());
    for (int32_t i = 0; i < count; ++i) {
        if (s.host.CancelRequested()) break;
        const Step step = ExtractRecord(s, i, Password);
        if (step == Step::Abandoned) return BlockResult::kExtractAbandoned;
        if (step == Step::Cancelled) break;
    }
    return s.host.CancelRequested() ? BlockResult::kExtractCancelled : BlockResult::kExtractDone;
}

void ExtractToFile(BlockState& s, const std::string& destination, int32_t count) {
    // A cancelled copy leaves the destination as it was; there is nothing else to report.
    static_cast<void>(CopyOut(s, destination, count));
}

}  // namespace vko::BlockExtract
