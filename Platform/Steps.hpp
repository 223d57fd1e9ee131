#pragma once
// Named steps of the work that leaves something on disk or reads it back (a file written, flushed
// or renamed into place, a child process started, a batch's own steps), a seam for crash tests.
// Without the two variables below a step does nothing but look at the environment.
//   AMBERLOOM_STEP_LOG=<file>        each step's name is appended to the file as a line;
//   AMBERLOOM_KILL_AT_STEP=<n>[:<p>] on its n-th step (counted from 1; only steps whose names
//                                    begin with <p>, when given) the process kills itself with
//                                    SIGKILL, as `kill -9` or a power cut would end it.
// The count is the process's own, kept for its whole life like the environment it follows. Any
// thread.

#include <string_view>

namespace amberloom::platform {

// The step "<what>" or "<what> <detail>".
void step(std::string_view what, std::string_view detail = {});

}  // namespace amberloom::platform
