#include "nc_generator.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace tarvelin::bench {
namespace {

// A coordinate with three decimals, as CAM posts print them ("-12.345").
void appendCoordinate(std::string& line, char axis, double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%c%.3f", axis, value);
    line += text;
}

}  // namespace

bool writeNcProgram(const std::string& hostPath, uint64_t bytes, int programNumber, uint32_t seed) {
    std::FILE* file = std::fopen(hostPath.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> step(-0.8, 0.8);
    const char* const tools[] = {"ボールエンドミル Ｒ３", "フラットエンドミル φ１０", "ラジアスエンドミル Ｒ１"};
    std::string block;
    char text[128];
    std::snprintf(text, sizeof text, "%%\r\nO%04d(３Ｄ仕上げ 金型 キャビティ)\r\n", programNumber);
    block += platform::utf8ToCp932(text);
    block += "G90 G54 G17 G40 G49 G80\r\n";
    uint64_t written = 0;
    long n = 10;
    int tool = 1;
    double x = 0;
    double y = 0;
    double z = 5;
    while (written + block.size() < bytes) {
        if (n % 200000 == 10) {
            block +=
                platform::utf8ToCp932(std::string("(工具 T") + std::to_string(tool) + " " + tools[tool % 3] + ")\r\n");
            std::snprintf(text, sizeof text, "N%ld T%d M06\r\nN%ld S%d M03\r\nN%ld G43 H%d Z50. M08\r\n", n, tool,
                          n + 10, 8000 + tool * 500, n + 20, tool);
            block += text;
            n += 30;
            ++tool;
        }
        x += step(random);
        y += step(random);
        z = -std::abs(step(random)) * 5;
        std::string line = "N" + std::to_string(n) + " G01 ";
        appendCoordinate(line, 'X', x);
        line += ' ';
        appendCoordinate(line, 'Y', y);
        line += ' ';
        appendCoordinate(line, 'Z', z);
        if (n % 50 == 0) {
            line += " F1200.";
        }
        line += "\r\n";
        block += line;
        n += 10;
        if (block.size() > (1U << 16)) {
            written += std::fwrite(block.data(), 1, block.size(), file);
            block.clear();
        }
    }
    block += "N" + std::to_string(n) + " M09\r\nG91 G28 Z0\r\nM30\r\n%\r\n";
    written += std::fwrite(block.data(), 1, block.size(), file);
    return std::fclose(file) == 0 && written > 0;
}

std::string realProgramText(const std::string& folder, const std::string& lineBreak) {
    std::vector<std::filesystem::path> sources;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            sources.push_back(entry.path());
        }
    }
    std::sort(sources.begin(), sources.end());
    std::string text;
    for (const auto& source : sources) {
        std::ifstream in(source, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r' || bytes[i] == '\n') {
                text += lineBreak;
                i += bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n' ? 1 : 0;
            } else {
                text += bytes[i];
            }
        }
    }
    return text;
}

bool writeRealProgram(const std::string& hostPath, uint64_t bytes, const std::string& text) {
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    for (uint64_t written = 0; written < bytes && out; written += text.size()) {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    return static_cast<bool>(out);
}

}  // namespace tarvelin::bench
