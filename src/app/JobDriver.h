// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "app/JobContext.h"
#include "engine/FileProblem.h"

namespace vko {

// What the jobs of a batch that succeeded moved, and where to.
struct BatchAmount {
    int64_t files = 0;
    int64_t bytes = 0;
    QStringList places;   // the box file or the folder of each job, by name
    int64_t boxSize = -1;  // the one box made, in bytes; -1 for none or several
    int64_t stoppedFiles = 0;  // files an extraction wrote before it was stopped
    QString stoppedIn;         // ... and the folder it wrote them in
    HiddenCount hidden;        // hidden files and folders the batch's boxes left out
    int64_t skipped = 0;       // files extractions left as they were there, as asked
    QString cancelledIn;       // the folder of an extraction cancelled before it wrote anything
    int64_t unsealed = 0;      // boxes extracted whose files could not be verified: older ones
};

// Runs the queued jobs on ticks of the driver timer: every create job, then every extract
// job, one at a time, and one result line for the batch.
class JobDriver {
public:
    explicit JobDriver(JobContext& context) : c_(context) {}

    void Timer_Timer();
    void RunCreateJob(const QString& item);
    // 0 done (or header unreadable), 2 not asked for, otherwise the engine's result.
    int16_t RunExtractJob(const QString& item);

private:
    void RunBatch();
    void ShowJobCaption(const char* kind);
    // The status line and indicator of a job whose engine call starts now.
    void ShowJobStarting(const QString& status);
    void FinishBatch(int creates, int extracts);
    // Adds the files of the box the engine extracted last into folder to the batch's amount,
    // less those skipped as they were there.
    void CountBox(const CCipherBlock& engine, const QString& folder);
    // A tick that found the engine taken comes back once it is free, if work is still queued.
    void Resume();
    // The job stopwatch, paused while dialogs are up. Whether it runs is remembered, so that a
    // job that ends early never adds the same stretch of time twice.
    void StartClock();
    void PauseClock();
    void ResumeClock();

    JobContext& c_;
    bool clockRunning_ = false;
    int jobsWarned_ = 0;  // jobs of the batch done with files named in a message
    BatchAmount amount_;
};

// "; 1 box not verified: older boxes carry no seal", or nothing for none.
[[nodiscard]] QString UnsealedText(int64_t boxes, const QLocale& locale);

// A stopwatch figure in seconds with two decimals and the locale's grouping.
[[nodiscard]] QString SecondsText(int32_t milliseconds, const QLocale& locale);

// The batch's status line, or a null text when it leaves the status line alone: "Created in
// 2.50 seconds: 8 files, 1.56 GB into Big.vkx (1.20 MB); 3 hidden files left out", "Extracted in
// 0.20 seconds: 5 files, 1.20 MB into Photos; 3 existing files skipped". Jobs done with warnings
// (files named in a message) say so and claim no counts; an extraction stopped after writing
// files says how many, never that the box was not extracted.
[[nodiscard]] QString BatchResultLine(int creates, int extracts, int32_t jobsDone,
                                      const QString& seconds, int jobsWarned,
                                      const BatchAmount& amount, const QLocale& locale);

}  // namespace vko
