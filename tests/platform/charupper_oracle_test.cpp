// The upper-casing of code page 932 against vectors recorded from a reference implementation of the
// desktop's CharUpperBuffA (Wine 8, code page 932), read from the shared folder beside the repository.
// Single bytes and the trail bytes of double-byte characters must come out as the reference gives them.
// The reference also folds full-width letters and, by a round trip through Unicode, turns undefined and
// duplicate byte pairs into other characters; the program never changes a byte pair (on Windows the system's
// CharUpperBuffA gets only the runs of single-byte characters).
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include "platform/mbcs.h"

#include "support/hex.h"
#include "support/temp_tree.h"

namespace tarvelin::platform {
namespace {

using nlohmann::json;
using test::fromHex;

class CharUpperOracle : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = test::sharedDataFolder() + "/oracle/charupper-cp932.json";
        if (test::sharedDataFolder().empty() || !std::filesystem::exists(path)) {
            GTEST_SKIP() << "the shared oracle vectors are not beside the repository";
        }
        std::ifstream in(path);
        vectors = json::parse(in);
    }

    json vectors;
};

TEST_F(CharUpperOracle, SingleBytesAgree) {
    for (const auto& v : vectors["single_bytes"]) {
        EXPECT_EQ(upper(fromHex(v["in_hex"])), fromHex(v["out_hex"])) << v["name"];
    }
}

// Within a string, the single-byte characters agree with the reference and the double-byte ones stay. A
// lead byte takes the next byte with it as the reference reads it, even one that is no trail byte (the
// reference then turns the two into another character; here they stay).
TEST_F(CharUpperOracle, StringsAgreeOnSingleBytesAndKeepEveryPair) {
    for (const auto& list : {vectors["strings"], vectors["pairs_grid"]}) {
        for (const auto& v : list) {
            const std::string in = fromHex(v["in_hex"]);
            const std::string reference = fromHex(v["out_hex"]);
            const std::string ours = upper(in);
            ASSERT_EQ(ours.size(), in.size());
            for (size_t i = 0; i < in.size();) {
                const size_t length =
                    isLeadByte(static_cast<unsigned char>(in[i])) ? std::min<size_t>(2, in.size() - i) : 1;
                if (isLeadByte(static_cast<unsigned char>(in[i]))) {
                    EXPECT_EQ(ours.substr(i, length), in.substr(i, length)) << v["name"] << " at " << i;
                } else {
                    EXPECT_EQ(ours[i], reference[i]) << v["name"] << " at " << i;
                }
                i += length;
            }
        }
    }
}

TEST_F(CharUpperOracle, NoBytePairIsEverTurnedIntoAnother) {
    size_t referenceChanged = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLeadByte(static_cast<unsigned char>(lead))) {
            continue;
        }
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (!isTrailByte(static_cast<unsigned char>(trail))) {
                continue;
            }
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            ASSERT_EQ(upper(pair), pair);
        }
    }
    for (const auto& v : vectors["all_pairs_scan"]["changed"]) {
        const std::string in = fromHex(v["in_hex"]);
        EXPECT_EQ(upper(in), in);
        ++referenceChanged;
    }
    EXPECT_GT(referenceChanged, 1000U);  // the reference's changes that are not copied
}

}  // namespace
}  // namespace tarvelin::platform
