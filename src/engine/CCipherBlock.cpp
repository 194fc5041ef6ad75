// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CCipherBlock.h"

#include "engine/BlockCreate.h"
#include "engine/BlockExtract.h"
#include "engine/BlockHeader.h"
#include "engine/BlockScan.h"
#include "engine/BlockState.h"
#include "engine/BlockVerify.h"

namespace vko {

CCipherBlock::CCipherBlock(BlockHost& host) : s_(std::make_unique<BlockState>(host)) {}

CCipherBlock::~CCipherBlock() = default;

void CCipherBlock::SetEvents(BlockEvents* events) noexcept {
    s_->observer = events;
}

void CCipherBlock::SetWorkerThreads(unsigned threads) noexcept {
    s_->workerThreads = threads;
}

void CCipherBlock::SetHiddenFiles(bool box) noexcept {
    s_->boxHidden = box;
}

int16_t CCipherBlock::CreateBlock(const std::string& BlockFile, const std::string& BlockName,
                                  const std::string& Password, const std::string& Path,
                                  int16_t Shread, int16_t CompressionLevel) {
    return BlockCreate::CreateBlock(*s_, BlockFile, BlockName, Password, Path, Shread,
                                    CompressionLevel);
}

int16_t CCipherBlock::ViewBlock(const std::string& BlockFile, const std::string& Password) {
    return BlockHeader::ViewBlock(*s_, BlockFile, Password);
}

int16_t CCipherBlock::ProcessBlock(const std::string& BlockFile, const std::string& Password) {
    return BlockHeader::ProcessBlock(*s_, BlockFile, Password);
}

void CCipherBlock::SetExistingFiles(ExistingFiles policy) noexcept {
    s_->existingFiles = policy;
}

int16_t CCipherBlock::ExtractBlock(const std::string& BlockFile, const std::string& Path,
                                   const std::string& Password) {
    return BlockExtract::ExtractBlock(*s_, BlockFile, Path, Password);
}

void CCipherBlock::SetKeepDamaged(bool keep) noexcept {
    s_->keepDamaged = keep;
}

int16_t CCipherBlock::VerifyBlock(const std::string& BlockFile, const std::string& Password) {
    return BlockVerify::VerifyBlock(*s_, BlockFile, Password);
}

int16_t CCipherBlock::DynamicExtractBlock(const std::string& BlockFile, const std::string& Path,
                                          const std::string& Password) {
    return BlockExtract::DynamicExtractBlock(*s_, BlockFile, Path, Password);
}

bool CCipherBlock::PrepareEntries(const std::vector<int32_t>& fileNumbers,
                                  const std::string& Path) {
    return BlockExtract::PrepareEntries(*s_, fileNumbers, Path);
}

void CCipherBlock::DynamicExtractToFile(int32_t FileNumber, const std::string& Path) {
    BlockExtract::DynamicExtractToFile(*s_, FileNumber, Path);
}

// Closing ends the single-file extraction: no password-derived key stays in the cipher.
void CCipherBlock::DynamicClose() {
    BlockExtract::DynamicClose(*s_);
    s_->cipher.Clear();
}

void CCipherBlock::ParseDirBlock(const std::string& block) {
    BlockHeader::ParseDirBlock(*s_, block);
}

void CCipherBlock::ParseFileBlock(const std::string& block) {
    BlockHeader::ParseFileBlock(*s_, block);
}

void CCipherBlock::ParseBlockInfo(int32_t Index, std::string& BlockFile, std::string& FilePath,
                                  int32_t& filesize) {
    BlockHeader::ParseBlockInfo(*s_, Index, BlockFile, FilePath, filesize);
}

std::vector<std::string> CCipherBlock::GetAllFiles(const std::string& Path,
                                                   const std::string& filespec, bool RecurseDirs) {
    return BlockScan::GetAllFiles(*s_, Path, filespec, RecurseDirs);
}

void CCipherBlock::AddDir(const std::string& Path, bool bForceAdd) {
    BlockScan::AddDir(*s_, Path, bForceAdd);
}

int32_t CCipherBlock::GetPathNumber(const std::string& Path) const {
    return BlockScan::GetPathNumber(*s_, Path);
}

std::string CCipherBlock::GetPathFromFile(const std::string& Pathname) {
    return BlockScan::GetPathFromFile(Pathname);
}

void CCipherBlock::CreateAllFolders(const std::string& mPathToCheck) {
    BlockScan::CreateAllFolders(mPathToCheck);
}

std::vector<std::string> CCipherBlock::GetDirectories(const std::string& Path, int32_t Attributes,
                                                      bool IncludePath) {
    return BlockScan::GetDirectories(Path, Attributes, IncludePath);
}

void CCipherBlock::CleanUp() {
    s_->folders.Clear();
}

const std::vector<FileProblem>& CCipherBlock::Problems() const noexcept {
    return s_->problems;
}

const std::vector<std::string>& CCipherBlock::Unverified() const noexcept {
    return s_->unverified;
}

const std::vector<std::string>& CCipherBlock::Skipped() const noexcept {
    return s_->skipped;
}

HiddenCount CCipherBlock::HiddenLeftOut() const noexcept {
    return s_->hiddenLeftOut;
}

uint8_t CCipherBlock::BlockVersion() const noexcept {
    return s_->blockVersion;
}
int16_t CCipherBlock::Compressed() const noexcept {
    return s_->compressed;
}
const std::string& CCipherBlock::RootPath() const noexcept {
    return s_->rootPath;
}
const std::string& CCipherBlock::BlockName() const noexcept {
    return s_->blockName;
}
const std::vector<std::string>& CCipherBlock::Directories() const noexcept {
    return s_->folders.Entries();
}

std::string CCipherBlock::Directory(int32_t number) const {
    const auto& entries = s_->folders.Entries();
    if (number < 1 || number > static_cast<int32_t>(entries.size())) return {};
    return entries[static_cast<size_t>(number) - 1];
}

const std::vector<std::string>& CCipherBlock::Files() const noexcept {
    return s_->files;
}
FileRecord CCipherBlock::Record(int32_t index) const {
    return BlockHeader::Record(*s_, index);
}
BoxFormat::Format CCipherBlock::Format() const noexcept {
    return s_->format;
}
bool CCipherBlock::Sealed() const noexcept {
    return s_->sealed;
}
const std::string& CCipherBlock::SealDamage() const noexcept {
    return s_->sealDamage;
}
int64_t CCipherBlock::DataByteCount() const noexcept {
    return s_->dataByteCount;
}
int64_t CCipherBlock::HeaderEnd() const noexcept {
    return s_->headerEnd;
}

}  // namespace vko
