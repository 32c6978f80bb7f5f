#pragma once
// The library's owned, growable ANSI string. `length` is authoritative: the
// buffer is NUL-terminated only on demand (cStr, number parsing). Capacity
// grows in steps of 16 and never shrinks.
#include <cstdint>

inline constexpr char VSTRING_FILE[] = "VString";
// Fixed line numbers of the throw sites, so a reported message keeps pointing
// at the same check whatever later edits do to the source.
inline constexpr int VSTRING_LINE_NO_MEMORY = 38;
inline constexpr int VSTRING_LINE_TOO_LONG = 44;
inline constexpr int VSTRING_LINE_NEGATIVE_LENGTH = 132;
inline constexpr int VSTRING_LINE_AT = 186;
inline constexpr int VSTRING_LINE_MID = 243;
inline constexpr int VSTRING_LINE_LOAD_STRING = 268;
inline constexpr int VSTRING_LINE_FORMAT_OVERFLOW = 287;
inline constexpr int VSTRING_LINE_TO_INT = 334;

class VString {
public:
    // Characters a bounded format or a loaded resource may produce.
    static constexpr int FORMAT_LIMIT = 1024;
    // Longest string the growth rule can represent.
    static constexpr int MAX_LENGTH = 0x7FFFFFFF - 32;

    constexpr VString() noexcept : capacity_(0), length_(0), data_(nullptr) {}
    VString(const VString& other);
    // Always owns a buffer, even for "" (or null, taken as "").
    VString(const char* text);  // converting on purpose: texts pass as strings
    ~VString();

    VString& operator=(const VString& other) { return assign(other); }
    VString& operator=(const char* text) { return assign(text); }
    VString& assign(const VString& other);
    VString& assign(const char* text);  // null leaves the string empty

    int length() const { return length_; }
    int capacity() const { return capacity_; }
    bool isEmpty() const { return length_ == 0; }
    // Shortening only lowers the length; lengthening pads with blanks.
    void setLength(int n);
    void clear() { setLength(0); }

    VString& append(char c);
    VString& append(const VString& other);  // copies bytes exactly; self-append doubles
    void remove(int position, int count);

    char& at(int index);
    const char& at(int index) const;

    // A terminated view of the characters, valid until the string next changes.
    // A string without a buffer returns a shared constant "".
    const char* cStr() const;

    int find(char c, int start = 0) const;  // -1 when absent
    int reverseFind(char c) const;          // -1 when absent
    VString mid(int start, int count) const;

    // Loads string resource `id` of the module (ErrorWindowsSystem when
    // missing or empty).
    void loadString(int id);
    // printf-style into at most FORMAT_LIMIT characters (ErrorGeneral beyond).
    void format(const char* formatText, ...) __attribute__((format(gnu_printf, 2, 3)));
    void format(int resourceId, ...);
    void appendFormat(const char* formatText, ...) __attribute__((format(gnu_printf, 2, 3)));

    // Parses a base-10 integer from `start`; `end` receives the index past the
    // last character consumed. False for an empty string (outputs untouched) or
    // when nothing was consumed (value untouched).
    bool toInt(int& value, int start, int& end) const;

    // Byte-for-byte against a NUL-terminated text; null equals the empty string.
    bool operator==(const char* text) const;
    bool operator!=(const char* text) const { return !(*this == text); }

private:
    void reserve(int n);
    void assignText(const char* source, int n);
    void appendText(const char* source, int n);
    void checkCanGrowBy(int n) const;

    std::int32_t capacity_;
    std::int32_t length_;
    char* data_;
};
