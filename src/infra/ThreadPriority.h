#pragma once

// Thread priorities (nice values, which Linux keeps per thread). A new thread starts with its creator's
// nice value, so a raised thread would hand its priority to every thread a library starts on its calls
// (the media engine's input, decoder and output threads), and those would then starve the user-interface
// thread and the X server. NormalPriorityScope lowers the thread for such calls.

#include <string>

// Raises the calling thread as far as this process may (nice -20 with the capability, else what
// RLIMIT_NICE allows) and remembers its level before. False (with the reason in error) when the thread
// keeps its priority.
bool RaiseThreadPriority(std::string& error);

// While it lives, the calling thread runs at the level it had before RaiseThreadPriority, so threads
// started meanwhile start at normal priority; the raised level returns when it goes. Does nothing on a
// thread that was not raised.
class NormalPriorityScope {
public:
    NormalPriorityScope();
    ~NormalPriorityScope();
    NormalPriorityScope(const NormalPriorityScope&) = delete;
    NormalPriorityScope& operator=(const NormalPriorityScope&) = delete;

private:
    bool m_lowered = false;
    int m_raisedLevel = 0;
};
