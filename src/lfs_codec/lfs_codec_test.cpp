#include "lfs_codec/lfs_codec.h"

#include <gtest/gtest.h>

#include "lfs_codec/codepage.h"
#include "lfs_codec/name_key.h"

namespace {

TEST(lfs_codec, config_and_replay_keys_of_the_same_letters_match) {
    const name_key config = make_config_name_key("J\xC3\x9CRGEN");
    const name_key replay = make_name_key("\x6A\xFC\x72\x67\x65\x6E");
    EXPECT_EQ(config.match, replay.match);
    EXPECT_EQ(config.display, "J\xC3\x9CRGEN");
    EXPECT_EQ(replay.display, "j\xC3\xBCrgen");
}

TEST(lfs_codec, decode_drops_colour_codes_and_unescapes) {
    std::string out;
    lfs_codec::decode("^1Fast^7Eddie", out);
    EXPECT_EQ(out, "FastEddie");
    lfs_codec::decode("a^vb^^c", out);
    EXPECT_EQ(out, "a|b^c");
}

}  // namespace
