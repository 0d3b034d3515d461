#pragma once
// Text: an owned, zero-ended byte string in the system ANSI code page.
// An absent text and an empty one read alike: c_str() of either is "".
#include <cstddef>
#include <initializer_list>

struct Text {
    char* bytes = nullptr;

    Text() = default;
    Text(Text&& other) noexcept : bytes(other.bytes) { other.bytes = nullptr; }
    Text& operator=(Text&& other) noexcept;
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    ~Text();

    const char* c_str() const { return bytes ? bytes : ""; }
    std::size_t size() const;
    bool empty() const { return !bytes || !bytes[0]; }
};

// Memory for texts and lists. A request that cannot be met is a fault
// ("分配 %d 字节内存失败!") and does not return.
void* AllocateBytes(std::size_t count);
void ReleaseBytes(void* memory);

// A new text holding the first `count` bytes of `bytes`.
Text CopyText(const char* bytes, std::size_t count);
// A new text holding a zero-ended string; null gives an empty text.
Text CopyText(const char* string);
// A new text holding the given strings in order, made with one allocation;
// a null part counts as empty.
Text JoinTexts(std::initializer_list<const char*> parts);
// Signed decimal, no leading zeros or spaces.
Text DecimalText(int value);

// Byte-for-byte, case-sensitive; null equals "".
bool TextsEqual(const char* a, const char* b);
