// The floor a text reader is measured against: the file read into memory in one piece, and every
// number in it converted with std::from_chars (integers as int, other numbers as double). Items
// are the runs of characters between blanks, tabs, commas and line ends; items that are no
// number (type names, headings, keywords) are passed over.
#pragma once

#include <charconv>
#include <cstdio>
#include <string>

namespace tvk_bench {

// The whole file; empty when it cannot be read.
inline std::string slurp(const std::string& path) {
    std::string text;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return text;
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    if (n > 0) {
        text.resize(static_cast<std::size_t>(n));
        text.resize(std::fread(text.data(), 1, text.size(), f));
    }
    std::fclose(f);
    return text;
}

struct FloorResult {
    long long numbers = 0;
    double sum = 0.0;
};

// Reads the file and converts every number in it.
inline FloorResult parse_floor(const std::string& path) {
    const std::string text = slurp(path);
    FloorResult r;
    const char* p = text.data();
    const char* const end = p + text.size();
    const auto sep = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == '\n' || c == '\r'; };
    while (p < end) {
        while (p < end && sep(*p)) ++p;
        const char* b = p;
        bool real = false;
        while (p < end && !sep(*p)) {
            real |= *p == '.' || *p == 'e' || *p == 'E';
            ++p;
        }
        if (b == p) break;
        if (*b == '+') ++b;
        if (real) {
            double x = 0.0;
            if (std::from_chars(b, p, x).ptr == p) ++r.numbers, r.sum += x;
        } else {
            int x = 0;
            if (std::from_chars(b, p, x).ptr == p) ++r.numbers, r.sum += x;
        }
    }
    return r;
}

}  // namespace tvk_bench
