#pragma once

namespace vko {

// What the jobs need from the main window beyond its status outputs.
class JobWindow {
public:
    virtual ~JobWindow() = default;

    virtual void FocusMainWindow() = 0;
    // Ends the program the one way it ends (asking first while a batch runs).
    virtual void CloseProgram() = 0;
};

}  // namespace vko
