#pragma once

// The program's version, "MAJOR.MINOR.PATCH" (the CMake project's version).
extern const char program_version[];

// The git commit the program was built from ("git describe" of the checkout: the abbreviated
// commit, with "-dirty" when tracked files had changes), or "" when it was not built from a
// checkout. Written at build time by cmake/version_info.cmake.
extern const char source_commit[];
