#pragma once

#include <cstdint>
#include <string>

namespace tarvelin::bench {

// Writes a realistic NC program of about `bytes` bytes, as CAM output for 3D milling looks: a "%" line, an
// O number with a Shift-JIS comment, N-numbered blocks of G01 moves with X/Y/Z and feeds, tool changes
// with Shift-JIS comment lines, coolant and spindle M codes, M30 and a closing "%", every line ending with
// CR LF. The same seed gives the same program. Returns false when the file cannot be written.
bool writeNcProgram(const std::string& hostPath, uint64_t bytes, int programNumber, uint32_t seed);

// The text of the real NC programs in a folder, one after another in name order, with every line break
// (CR LF, CR or LF) made `lineBreak`.
std::string realProgramText(const std::string& folder, const std::string& lineBreak);

// Writes a program of about `bytes` bytes: `text` over and over. Returns false when it cannot be written.
bool writeRealProgram(const std::string& hostPath, uint64_t bytes, const std::string& text);

}  // namespace tarvelin::bench
