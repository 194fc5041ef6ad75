#include "app/ProgressDisplay.h"

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

void ProgressDisplay::BeginJob(bool expandsStreams) {
    HeaderPercentShown = 0;
    previousPercent_.reset();
    expandsStreams_ = expandsStreams;
    view_.ShowProgress(0);
}

QString ProgressDisplay::ShownName(const std::string& path, int limit, bool ellipsis) const {
    // The user knows the file by its own name, not by the temporary one it is expanded from.
    QString file = QString::fromStdString(path);
    if (expandsStreams_ && file.endsWith(kStreamSuffix)) file.chop(kStreamSuffix.size());
    return ShortFileName(file.toStdString(), limit, ellipsis);
}

void ProgressDisplay::AddingToBlock(const std::string&) {
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
    view_.ShowProgress(HeaderPercent);
    if (HeaderPercent == HeaderPercentShown && HeaderPercentShown != 0) return;
    view_.ShowBusyText(QString::number(HeaderPercent) + QStringLiteral("%"));
    HeaderPercentShown = HeaderPercent;
}

void ProgressDisplay::CipherProgress(int32_t, int32_t BytesRead, int32_t TotalBlockBytes, int32_t,
                                     int32_t, const std::string& Path) {
    const int current = Percent(BytesRead, TotalBlockBytes);
    view_.ShowStatus(QStringLiteral(" ") + ShownName(Path, 35, true));
    view_.ShowBusyText(QString::number(previousPercent_.value_or(0)) + QStringLiteral("%"));
    view_.ShowProgress(current);
    previousPercent_ = current;
    host_.PumpMessages();
}

void ProgressDisplay::CompressingFile(const std::string& Filename) {
    view_.ShowStatus(QStringLiteral(" ") + ShortFileName(Filename, 20, false) +
                     QStringLiteral(" (compressing)"));
}

void ProgressDisplay::DecompressingFile(const std::string& Filename) {
    view_.ShowStatus(QStringLiteral(" ") + ShownName(Filename, 20, false) +
                     QStringLiteral(" (decompressing)"));
}

void ProgressDisplay::CreatingBlock() {
    setStatus_(QStringLiteral("Creating Box..."));
    view_.ShowProgress(0);
}

}  // namespace vko
