#pragma once

// The whole program run, given main's arguments (read through the console module): --help and
// --version print their text; a usage error is reported with the usage; otherwise the run over
// the championship folder (the given folder, made the working directory first, or the working
// directory): the global configuration, every event folder, the series standings and the summary
// pages. Returns the exit code: 0 done (warnings included), 1 after a fatal error, 2 after a
// usage error (both reported and acknowledged), 3 instead of 0 under --strict when anything was
// written to the error stream.
int run(int argc, char** argv);
