#pragma once
// Bytes as upper-case hex, for matching code-page-936 texts in child output.
#include <string>

inline std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char byte : bytes) {
        out += kDigits[byte >> 4];
        out += kDigits[byte & 15];
    }
    return out;
}

// What the recording box prints for one box.
inline std::string BoxLine(unsigned style, const std::string& caption, const std::string& text) {
    return "BOX style=" + std::to_string(style) + " caption=" + Hex(caption) + " text=" + Hex(text) + " END";
}
