// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vko {

// What the jobs need from the main window beyond its status outputs.
class JobWindow {
public:
    virtual ~JobWindow() = default;

    virtual void FocusMainWindow() = 0;
    // Ends the program the one way it ends (asking first while a batch runs).
    virtual void CloseProgram() = 0;
    // Shows folder in the user's file manager, or tells the user that none could be started.
    virtual void ShowFolder(const QString& folder) = 0;
};

}  // namespace vko
