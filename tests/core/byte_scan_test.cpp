#include "core/byte_scan.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tarvelin::core {
namespace {

// The masks of 64 bytes have bit j set exactly where byte j is one of the bytes asked for, on texts of few
// distinct bytes so that every bit position is hit, and the lowest of them is where a forward scan stops.
TEST(ByteScan, MasksMarkEveryByteAskedFor) {
    std::mt19937 random(5);
    const std::string alphabet = std::string("\r\n%\0\x83", 5);
    for (int round = 0; round < 200; ++round) {
        std::string block(64, ' ');
        for (char& c : block) {
            c = alphabet[random() % alphabet.size()];
        }
        const char a = alphabet[random() % alphabet.size()];
        const char b = alphabet[random() % alphabet.size()];
        uint64_t ofA = 0;
        uint64_t ofEither = 0;
        for (size_t j = 0; j < 64; ++j) {
            ofA |= uint64_t{block[j] == a} << j;
            ofEither |= uint64_t{block[j] == a || block[j] == b} << j;
        }
        ASSERT_EQ(maskOf64(block.data(), a), ofA) << "round " << round;
        ASSERT_EQ(maskOfEither64(block.data(), a, b), ofEither) << "round " << round;
        ASSERT_EQ(popcount64(ofEither), static_cast<size_t>(std::count(block.begin(), block.end(), a) +
                                                            (a == b ? 0 : std::count(block.begin(), block.end(), b))));
        if (ofA != 0) {
            ASSERT_EQ(lowestBit(ofA), block.find(a));
        }
    }
}

// Every scan the program may choose gives the masks of the definition, on texts of few distinct bytes so
// that candidates are dense, for search strings of one to twenty bytes.
TEST(CandidateScan, EveryScanGivesTheMasksOfItsDefinition) {
    std::vector<CandidateScan> scans = {&scanCandidates16, fastestCandidateScan()};
    if (scanCandidates32 != nullptr && __builtin_cpu_supports("avx2")) {
        scans.push_back(scanCandidates32);
    }
    std::mt19937 random(7);
    const std::string alphabet = "Gg01\r\n\x83";
    for (int round = 0; round < 200; ++round) {
        const size_t blocks = 1 + random() % 5;
        const CandidateBytes bytes{alphabet[random() % alphabet.size()], alphabet[random() % alphabet.size()],
                                   alphabet[random() % alphabet.size()], alphabet[random() % alphabet.size()],
                                   random() % 20};
        std::string text(64 * blocks + bytes.lastOffset, ' ');
        for (char& c : text) {
            c = alphabet[random() % alphabet.size()];
        }
        std::vector<uint64_t> expected(blocks);
        for (size_t at = 0; at < 64 * blocks; ++at) {
            const char first = text[at];
            const char last = text[at + bytes.lastOffset];
            if ((first == bytes.firstA || first == bytes.firstB) && (last == bytes.lastA || last == bytes.lastB)) {
                expected[at / 64] |= uint64_t{1} << (at % 64);
            }
        }
        for (const CandidateScan scan : scans) {
            std::vector<uint64_t> masks(blocks);
            scan(text.data(), blocks, bytes, masks.data());
            ASSERT_EQ(masks, expected) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace tarvelin::core
