// make_replay DESCRIPTION OUTPUT: writes one ".mpr" replay file from its readable description
// (the format is documented in tests/support/replay_writer.h).
#include <exception>
#include <iostream>

#include "support/replay_writer.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_replay DESCRIPTION OUTPUT\n";
        return 2;
    }
    try {
        write_replay_file(argv[2], parse_replay_description(read_file(argv[1])));
    } catch (const std::exception& e) {
        std::cerr << argv[1] << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
