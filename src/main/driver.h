#pragma once

// The whole run in the championship folder (the working directory): the global configuration,
// every event folder, the series standings and the summary pages. Returns the exit code: 0 after a
// normal run, 1 after a fatal error (which has been reported and acknowledged).
int run();
