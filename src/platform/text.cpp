#include "platform/text.h"

#include <windows.h>

#include <cstring>

#include "fault/fault_path.h"
#include "platform/test_points.h"

Text& Text::operator=(Text&& other) noexcept {
    if (this != &other) {
        ReleaseBytes(bytes);
        bytes = other.bytes;
        other.bytes = nullptr;
    }
    return *this;
}

Text::~Text() { ReleaseBytes(bytes); }

std::size_t Text::size() const { return bytes ? std::strlen(bytes) : 0; }

void* AllocateBytes(std::size_t count) {
    void* memory = TestPointValue("alloc-fail", -1) == static_cast<int>(count)
                       ? nullptr
                       : HeapAlloc(GetProcessHeap(), 0, count ? count : 1);
    if (!memory) RaiseMemoryFault(count);
    return memory;
}

void ReleaseBytes(void* memory) {
    if (memory) HeapFree(GetProcessHeap(), 0, memory);
}

Text CopyText(const char* bytes, std::size_t count) {
    Text text;
    text.bytes = static_cast<char*>(AllocateBytes(count + 1));
    if (count) std::memcpy(text.bytes, bytes, count);
    text.bytes[count] = '\0';
    return text;
}

Text CopyText(const char* string) {
    return string ? CopyText(string, std::strlen(string)) : CopyText("", 0);
}

Text JoinTexts(std::initializer_list<const char*> parts) {
    std::size_t total = 0;
    for (const char* part : parts) total += part ? std::strlen(part) : 0;
    Text text;
    text.bytes = static_cast<char*>(AllocateBytes(total + 1));
    char* end = text.bytes;
    for (const char* part : parts) {
        const std::size_t length = part ? std::strlen(part) : 0;
        std::memcpy(end, part, length);
        end += length;
    }
    *end = '\0';
    return text;
}

Text DecimalText(int value) {
    char digits[16];
    wsprintfA(digits, "%d", value);
    return CopyText(digits);
}

bool TextsEqual(const char* a, const char* b) {
    return std::strcmp(a ? a : "", b ? b : "") == 0;
}
