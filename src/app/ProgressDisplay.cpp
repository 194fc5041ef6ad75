#include "app/ProgressDisplay.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "util/PathParts.h"

namespace vko {

namespace {
const QString kBuildingHeader = QStringLiteral(" Building Header...");
const QString kStreamSuffix = QStringLiteral(".zlib");
}  // namespace

int Percent(int32_t part, int32_t total) {
    if (total <= 0) return 0;
    return static_cast<int>(std::floor(static_cast<double>(part) / total * 100.0));
}

QString ShortFileName(const std::string& path, int limit, bool ellipsis) {
    const QString name = QString::fromStdString(GetFilePart(path));
    if (name.size() <= limit) return name;
    return name.left(limit) + (ellipsis ? QStringLiteral("...") : QString());
}

ProgressDisplay::ProgressDisplay(ShellView& view, AppState& state, BlockHost& host,
                                 StatusWriter setStatus, QLocale locale)
    : view_(view),
      state_(state),
      host_(host),
      setStatus_(std::move(setStatus)),
      locale_(std::move(locale)) {}

void ProgressDisplay::BeginJob(JobProgress kind) {
    HeaderPercentShown = 0;
    previousPercent_.reset();
    kind_ = kind;
    plainSizes_.clear();
    plainDone_ = 0;
    plainCurrent_ = 0;
    view_.ShowProgress(0);
}

int ProgressDisplay::Done(int32_t BytesRead, int32_t TotalBlockBytes, int32_t bytesleft,
                          int32_t bytestotal) const {
    if (kind_ != JobProgress::CompressedCreate) return Percent(BytesRead, TotalBlockBytes);
    if (TotalBlockBytes <= 0) return 0;
    const double share =
        bytestotal > 0 ? std::clamp(1.0 - static_cast<double>(bytesleft) / bytestotal, 0.0, 1.0)
                       : 1.0;
    const double plain =
        static_cast<double>(plainDone_) + share * static_cast<double>(plainCurrent_);
    return std::min(100, static_cast<int>(std::floor(plain / TotalBlockBytes * 100.0)));
}

QString ProgressDisplay::ShownName(const std::string& path, int limit, bool ellipsis) const {
    // The user knows the file by its own name, not by the temporary one it is expanded from.
    QString file = QString::fromStdString(path);
    if (kind_ == JobProgress::CompressedExtract && file.endsWith(kStreamSuffix))
        file.chop(kStreamSuffix.size());
    return ShortFileName(file.toStdString(), limit, ellipsis);
}

void ProgressDisplay::AddingToBlock(const std::string& Filename) {
    if (kind_ == JobProgress::CompressedCreate)
        plainSizes_[Filename] = QFileInfo(QString::fromStdString(Filename)).size();
    if (state_.FilesInBox == 0) {
        view_.ShowBusyText(QStringLiteral("SCAN"));
        view_.ShowProgress(-1);
    }
    ++state_.FilesInBox;
    view_.ShowStatus(QStringLiteral(" Files in Box: ") + locale_.toString(state_.FilesInBox));
}

void ProgressDisplay::BuildingHeader(int32_t FileNum, int32_t TotalFiles) {
    const auto HeaderPercent = static_cast<int16_t>(Percent(FileNum, TotalFiles));
    if (view_.StatusText() != kBuildingHeader) view_.ShowStatus(kBuildingHeader);
    if (HeaderPercent == HeaderPercentShown && HeaderPercentShown != 0) return;
    view_.ShowBusyText(QString::number(HeaderPercent) + QStringLiteral("%"));
    HeaderPercentShown = HeaderPercent;
}

void ProgressDisplay::CipherProgress(int32_t, int32_t BytesRead, int32_t TotalBlockBytes,
                                     int32_t bytesleft, int32_t bytestotal,
                                     const std::string& Path) {
    const int current = Done(BytesRead, TotalBlockBytes, bytesleft, bytestotal);
    view_.ShowStatus(QStringLiteral(" ") + ShownName(Path, 35, true));
    view_.ShowBusyText(QString::number(previousPercent_.value_or(0)) + QStringLiteral("%"));
    view_.ShowProgress(current);
    previousPercent_ = current;
    host_.PumpMessages();
}

void ProgressDisplay::CompressingFile(const std::string& Filename) {
    plainDone_ += plainCurrent_;
    const auto size = plainSizes_.find(Filename);
    plainCurrent_ = size == plainSizes_.end() ? 0 : size->second;
    view_.ShowStatus(QStringLiteral(" ") + ShortFileName(Filename, 20, false) +
                     QStringLiteral(" (compressing)"));
}

void ProgressDisplay::DecompressingFile(const std::string& Filename) {
    view_.ShowStatus(QStringLiteral(" ") + ShownName(Filename, 20, false) +
                     QStringLiteral(" (decompressing)"));
}

void ProgressDisplay::CreatingBlock() {
    setStatus_(QStringLiteral("Creating Box..."));
}

}  // namespace vko
