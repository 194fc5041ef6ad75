// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProgressDisplay.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

#include "util/PathParts.h"

namespace vko {

namespace {

const QString kBuildingHeader = QStringLiteral(" Building Header...");
const QString kStreamSuffix = QStringLiteral(".zlib");
constexpr int kNameLimit = 35;

int64_t SteadyMilliseconds() {
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

}  // namespace

QString ShortFileName(const std::string& path, int limit) {
    const QString name = QString::fromStdString(GetFilePart(path));
    if (name.size() <= limit) return name;
    return name.left(limit) + QStringLiteral("...");
}

ProgressDisplay::ProgressDisplay(ShellView& view, AppState& state, BlockHost& host,
                                 StatusWriter setStatus, QLocale locale, Clock clock)
    : view_(view),
      state_(state),
      host_(host),
      setStatus_(std::move(setStatus)),
      locale_(std::move(locale)),
      clock_(clock ? std::move(clock) : Clock(SteadyMilliseconds)) {}

void ProgressDisplay::BeginJob(JobProgress kind, int64_t filesTotal, int64_t bytesOfEachFile) {
    kind_ = kind;
    figures_ = ProgressFigures{};
    figures_.filesTotal = filesTotal;
    bytesOfEachFile_ = bytesOfEachFile;
    filesFinished_ = 0;
    started_ = -1;
    lastDone_.clear();
    current_.clear();
    plainSizes_.clear();
    plainDone_ = 0;
    plainCurrent_ = 0;
    view_.ShowProgress(0);
}

int64_t ProgressDisplay::PlainDone(int64_t bytesleft, int64_t bytestotal) const {
    const double share =
        bytestotal > 0
            ? std::clamp(1.0 - static_cast<double>(bytesleft) / static_cast<double>(bytestotal),
                         0.0, 1.0)
            : 1.0;
    return plainDone_ + static_cast<int64_t>(share * static_cast<double>(plainCurrent_));
}

QString ProgressDisplay::ShownName(const std::string& path, int limit) const {
    // The user knows the file by its own name, not by the temporary one it is expanded from.
    QString file = QString::fromStdString(path);
    if (kind_ == JobProgress::CompressedExtract && file.endsWith(kStreamSuffix))
        file.chop(kStreamSuffix.size());
    return ShortFileName(file.toStdString(), limit);
}

void ProgressDisplay::ShowPercent(int percent) {
    // One percentage: the indicator's text and the bar's length say the same.
    view_.ShowBusyText(QString::number(percent) + QStringLiteral("%"));
    view_.ShowProgress(percent);
}

void ProgressDisplay::ShowFigures() {
    // The figures first, where a narrow window still shows them; the file's name after them.
    QStringList parts;
    if (started_ >= 0) parts << ProgressText(figures_, locale_);
    if (!current_.isEmpty()) parts << current_;
    view_.ShowStatus(QLatin1Char(' ') + parts.join(QStringLiteral(" · ")));
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
    if (view_.StatusText() != kBuildingHeader) view_.ShowStatus(kBuildingHeader);
    ShowPercent(Percent(FileNum, TotalFiles));
}

void ProgressDisplay::CipherProgress(int64_t, int64_t BytesRead, int64_t TotalBlockBytes,
                                     int64_t bytesleft, int64_t bytestotal,
                                     const std::string& Path) {
    const int64_t now = clock_();
    if (started_ < 0) started_ = now;
    figures_.milliseconds = now - started_;
    if (bytesOfEachFile_ > 0) {
        figures_.total = bytesOfEachFile_;
        figures_.done = std::min(filesFinished_ + BytesRead, bytesOfEachFile_);
    } else {
        figures_.total = TotalBlockBytes;
        figures_.done = kind_ == JobProgress::CompressedCreate
                            ? std::min<int64_t>(PlainDone(bytesleft, bytestotal), TotalBlockBytes)
                            : BytesRead;
    }
    if (figures_.filesTotal == 0) figures_.filesTotal = state_.FilesInBox;
    if (bytesleft == 0 && Path != lastDone_) {
        lastDone_ = Path;
        ++figures_.filesDone;
        filesFinished_ += TotalBlockBytes;
    }
    // Files without bytes pass without an event: all bytes done is all files done.
    if (figures_.total > 0 && figures_.done >= figures_.total)
        figures_.filesDone = std::max(figures_.filesDone, figures_.filesTotal);
    current_ = ShownName(Path, kNameLimit);
    ShowFigures();
    ShowPercent(Percent(figures_.done, figures_.total));
    host_.PumpMessages();
}

void ProgressDisplay::CompressingFile(const std::string& Filename) {
    plainDone_ += plainCurrent_;
    const auto size = plainSizes_.find(Filename);
    plainCurrent_ = size == plainSizes_.end() ? 0 : size->second;
    current_ = ShownName(Filename, kNameLimit) + QStringLiteral(" (compressing)");
    ShowFigures();
}

void ProgressDisplay::DecompressingFile(const std::string& Filename) {
    current_ = ShownName(Filename, kNameLimit) + QStringLiteral(" (decompressing)");
    ShowFigures();
}

void ProgressDisplay::CreatingBlock() {
    setStatus_(QStringLiteral("Creating Box..."));
}

}  // namespace vko
