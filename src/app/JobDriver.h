#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

#include "app/JobContext.h"
#include "engine/FileProblem.h"

namespace vko {

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
    HiddenCount hidden_;  // hidden files and folders the batch's boxes left out
};

// A stopwatch figure in seconds with two decimals and the locale's grouping.
[[nodiscard]] QString SecondsText(int32_t milliseconds, const QLocale& locale);

// The batch's status line, or a null text when it leaves the status line alone. Jobs done with
// warnings (files named in a message) say so, and so do hidden files left out of the boxes made
// ("Created in 1.50 seconds; 3 hidden files left out").
[[nodiscard]] QString BatchResultLine(int creates, int extracts, int32_t jobsDone,
                                      const QString& seconds, int jobsWarned = 0,
                                      const HiddenCount& hidden = {});

}  // namespace vko
