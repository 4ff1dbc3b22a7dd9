// The system's three value types: TextValue (GBK bytes), TextArray and ByteSet.
//
// Each is a plain RAII value: storing a new value releases the old one and a temporary
// dies at its scope's end, so the "release" steps of the system are scope ends here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumeno {

// An 8-bit GBK text. The absent text and the present empty text compare equal and
// behave alike everywhere; only the internet port tells them apart (null pointer versus
// pointer to a NUL byte), which is why the distinction is kept at all.
class TextValue {
public:
    TextValue() = default;  // absent
    // A null pointer gives the absent text; any other pointer a present text.
    TextValue(const char* s) : present_(s != nullptr), bytes_(s ? s : "") {}  // NOLINT
    TextValue(std::string_view s) : present_(true), bytes_(s) {}              // NOLINT
    TextValue(std::string s) : present_(true), bytes_(std::move(s)) {}        // NOLINT

    // A text produced by a primitive: absent when empty.
    static TextValue OrAbsent(std::string s) {
        return s.empty() ? TextValue() : TextValue(std::move(s));
    }

    [[nodiscard]] bool IsPresent() const { return present_; }
    [[nodiscard]] bool IsEmpty() const { return bytes_.empty(); }
    [[nodiscard]] std::int32_t Length() const { return static_cast<std::int32_t>(bytes_.size()); }
    [[nodiscard]] std::string_view View() const { return bytes_; }
    [[nodiscard]] const std::string& Bytes() const { return bytes_; }
    // The bytes as a NUL-terminated string (never null).
    [[nodiscard]] const char* CStr() const { return bytes_.c_str(); }
    // The form a library function receives: null for the absent text.
    [[nodiscard]] const char* CStrOrNull() const { return present_ ? bytes_.c_str() : nullptr; }
    // Writable storage for a library that fills a text in place (the header buffer).
    [[nodiscard]] char* MutableData() { return bytes_.data(); }

    // Byte-for-byte equality; absent equals empty.
    friend bool operator==(const TextValue& a, const TextValue& b) { return a.bytes_ == b.bytes_; }

private:
    bool present_ = false;
    std::string bytes_;
};

// A byte buffer that may hold zero bytes. The absent byte set is the empty one.
class ByteSet {
public:
    ByteSet() = default;
    explicit ByteSet(std::string bytes) : bytes_(std::move(bytes)) {}

    [[nodiscard]] std::int32_t Length() const { return static_cast<std::int32_t>(bytes_.size()); }
    [[nodiscard]] bool IsEmpty() const { return bytes_.empty(); }
    [[nodiscard]] std::string_view View() const { return bytes_; }
    [[nodiscard]] char* MutableData() { return bytes_.data(); }

    friend bool operator==(const ByteSet& a, const ByteSet& b) { return a.bytes_ == b.bytes_; }

private:
    std::string bytes_;
};

// A one-dimensional array of texts, members 1 to Count(). An index outside that range
// ends the program through FatalRuntimeError, as every array access of the system does.
class TextArray {
public:
    TextArray() = default;
    explicit TextArray(std::vector<TextValue> members) : members_(std::move(members)) {}

    [[nodiscard]] std::int32_t Count() const { return static_cast<std::int32_t>(members_.size()); }
    [[nodiscard]] const TextValue& Member(std::int32_t index) const;
    // Grows through the allocation-failure stop, like every other result of the system.
    void Append(TextValue member);

private:
    std::vector<TextValue> members_;
};

}  // namespace lumeno
