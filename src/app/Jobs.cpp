// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Jobs.h"

#include <QCoreApplication>

namespace vko {

Jobs::Jobs(AppShell& shell, ShellView& view, JobDialogs& dialogs, JobWindow& window, QTimer& Timer,
           QTimer& AppTimer, JobContext::Pump pump, QLocale locale)
    : gate_(shell.State()),
      context_{shell,
               view,
               dialogs,
               window,
               gate_,
               list_,
               Timer,
               AppTimer,
               pump ? std::move(pump) : [] { QCoreApplication::processEvents(); },
               std::move(locale)},
      driver_(context_),
      commands_(context_),
      work_(context_, commands_) {
    gate_.OnBusyChanged([&view](bool busy) { view.EnableWindowCommands(!busy); });
    QObject::connect(&Timer, &QTimer::timeout, &gate_, [this] { driver_.Timer_Timer(); });
    QObject::connect(&AppTimer, &QTimer::timeout, &gate_, [this] { work_.AppTimer_Timer(); });
}

}  // namespace vko
