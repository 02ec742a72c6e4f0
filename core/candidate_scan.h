#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvelin::core {

// The first sieve of the replacement search: where a search string may start, told by its first and last
// bytes, 64 positions at a time.
struct CandidateBytes {
    char firstA, firstB;  // the two forms of the first byte (both cases of a letter, else the byte twice)
    char lastA, lastB;    // the same of the last byte
    size_t lastOffset;    // the last byte's place in the search string
};

// Fills masks[k], for k < blocks, with the positions p + 64k + j (bit j) that hold either form of the first
// byte and whose position + lastOffset holds either form of the last byte. Reads p[0, 64 * blocks +
// lastOffset).
using CandidateScan = void (*)(const char* p, size_t blocks, const CandidateBytes& bytes, uint64_t* masks);

// The scan of 16 bytes at a time that every x86-64 processor can run, and the one of 32 at a time for
// processors with AVX2 (null where the program is built without it).
void scanCandidates16(const char* p, size_t blocks, const CandidateBytes& bytes, uint64_t* masks);
extern const CandidateScan scanCandidates32;

// The fastest scan this processor runs.
CandidateScan fastestCandidateScan();

}  // namespace tarvelin::core
