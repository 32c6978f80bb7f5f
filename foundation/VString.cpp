#include "foundation/VString.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/Allocation.h"
#include "foundation/VSystemException.h"
#include "foundation/ModuleState.h"

namespace {
const char sharedEmpty[1] = "";

// Always a multiple of 16 plus 1, and at least n + 2.
std::int32_t grownCapacity(int n) { return (n / 16 + 1) * 16 + 1; }

// The formatted length checked against the bounded buffer's limit.
int checkedFormatLength(int n) {
    if (n < 0 || n > VString::FORMAT_LIMIT)
        throw VSystemException(ErrorGeneral, VSTRING_LINE_FORMAT_OVERFLOW, VSTRING_FILE);
    return n;
}

// printf into a buffer of FORMAT_LIMIT characters and the terminator; the
// length written, or ErrorGeneral when the text would not fit.
int formatBounded(char (&buffer)[VString::FORMAT_LIMIT + 1], const char* formatText, va_list arguments) {
    return checkedFormatLength(std::vsnprintf(buffer, sizeof buffer, formatText, arguments));
}

// Loads resource string `id` into `buffer` (FORMAT_LIMIT bytes).
int loadResourceText(char* buffer, int id) {
    int n = LoadStringA(getModuleInstance(), static_cast<UINT>(id), buffer, VString::FORMAT_LIMIT);
    if (n <= 0) throw VSystemException(ErrorWindowsSystem, VSTRING_LINE_LOAD_STRING, VSTRING_FILE);
    return n;
}
}  // namespace

VString::VString(const VString& other) : VString() {
    if (other.length_ > 0) assignText(other.data_, other.length_);
}

VString::VString(const char* text) : VString() {
    reserve(0);
    assign(text);
}

VString::~VString() { freeBytes(data_); }

// A failed allocation leaves the old buffer and capacity in place.
void VString::reserve(int n) {
    if (n > MAX_LENGTH) throw VSystemException(ErrorNotEnoughMemory, VSTRING_LINE_TOO_LONG, VSTRING_FILE);
    std::int32_t wanted = grownCapacity(n);
    if (data_ != nullptr && wanted <= capacity_) return;
    void* grown = reallocateBytes(data_, static_cast<std::size_t>(wanted));
    if (grown == nullptr) throw VSystemException(ErrorNotEnoughMemory, VSTRING_LINE_NO_MEMORY, VSTRING_FILE);
    data_ = static_cast<char*>(grown);
    capacity_ = wanted;
}

void VString::checkCanGrowBy(int n) const {
    if (n > MAX_LENGTH - length_) throw VSystemException(ErrorNotEnoughMemory, VSTRING_LINE_TOO_LONG, VSTRING_FILE);
}

// Text semantics: a NUL in the source ends the copied characters and the
// rest, up to n, is filled with NULs.
void VString::assignText(const char* source, int n) {
    length_ = 0;
    appendText(source, n);
}

void VString::appendText(const char* source, int n) {
    if (n <= 0) return;
    checkCanGrowBy(n);
    reserve(length_ + n);
    // strncpy's copy, spelled out: GCC at -O3 takes a bounded strncpy from a
    // formatting buffer for a possible truncation.
    const std::size_t limit = static_cast<std::size_t>(n);
    const void* nul = std::memchr(source, '\0', limit);
    const std::size_t copied = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - source) : limit;
    std::memcpy(data_ + length_, source, copied);
    std::memset(data_ + length_ + copied, 0, limit - copied);
    length_ += n;
}

VString& VString::assign(const VString& other) {
    if (&other == this) return *this;
    length_ = 0;
    if (other.length_ > 0) assignText(other.data_, other.length_);
    return *this;
}

VString& VString::assign(const char* text) {
    length_ = 0;
    if (text == nullptr) return *this;
    int n = static_cast<int>(std::strlen(text));
    // `text` may lie in this very buffer; a terminated text there is short
    // enough that reserve keeps the buffer, and memmove copes with the overlap.
    reserve(n);
    std::memmove(data_, text, static_cast<std::size_t>(n));
    length_ = n;
    return *this;
}

void VString::setLength(int n) {
    if (n < 0) throw VSystemException(ErrorIllegalParameter, VSTRING_LINE_NEGATIVE_LENGTH, VSTRING_FILE);
    if (n > length_) {
        reserve(n);
        std::memset(data_ + length_, ' ', static_cast<std::size_t>(n - length_));
    }
    length_ = n;
}

VString& VString::append(char c) {
    checkCanGrowBy(1);
    reserve(length_ + 1);
    data_[length_++] = c;
    return *this;
}

VString& VString::append(const VString& other) {
    int n = other.length_;
    if (n == 0) return *this;
    checkCanGrowBy(n);
    reserve(length_ + n);
    // Read other's buffer only after reserve: for a self-append it may move.
    std::memcpy(data_ + length_, other.data_, static_cast<std::size_t>(n));
    length_ += n;
    return *this;
}

void VString::remove(int position, int count) {
    if (count <= 0 || position < 0 || position >= length_) return;
    if (count < length_ - position) {
        std::memmove(data_ + position, data_ + position + count, static_cast<std::size_t>(length_ - position - count));
        length_ -= count;
    } else {
        length_ = position;
    }
}

char& VString::at(int index) {
    if (index < 0 || index >= length_) throw VSystemException(ErrorSubscriptOutOfRange, VSTRING_LINE_AT, VSTRING_FILE);
    return data_[index];
}

const char& VString::at(int index) const { return const_cast<VString*>(this)->at(index); }

// Capacity is always at least length + 2 once there is a buffer, so the
// terminator fits without growing.
const char* VString::cStr() const {
    if (data_ == nullptr) return sharedEmpty;
    data_[length_] = '\0';
    return data_;
}

int VString::find(char c, int start) const {
    for (int i = start < 0 ? 0 : start; i < length_; ++i)
        if (data_[i] == c) return i;
    return -1;
}

int VString::reverseFind(char c) const {
    for (int i = length_ - 1; i >= 0; --i)
        if (data_[i] == c) return i;
    return -1;
}

VString VString::mid(int start, int count) const {
    if (start < 0) throw VSystemException(ErrorSubscriptOutOfRange, VSTRING_LINE_MID, VSTRING_FILE);
    VString part;
    if (start >= length_ || count <= 0) return part;
    int available = length_ - start;
    int n = count < available ? count : available;
    part.reserve(n);
    std::memcpy(part.data_, data_ + start, static_cast<std::size_t>(n));
    part.length_ = n;
    return part;
}

void VString::loadString(int id) {
    char buffer[FORMAT_LIMIT];
    assignText(buffer, loadResourceText(buffer, id));
}

// Each formatter fills a buffer of FORMAT_LIMIT characters plus terminator.
void VString::format(const char* formatText, ...) {
    char buffer[FORMAT_LIMIT + 1];
    va_list arguments;
    va_start(arguments, formatText);
    int n = formatBounded(buffer, formatText, arguments);
    va_end(arguments);
    assignText(buffer, n);
}

void VString::format(int resourceId, ...) {
    char formatText[FORMAT_LIMIT];
    loadResourceText(formatText, resourceId);
    char buffer[FORMAT_LIMIT + 1];
    va_list arguments;
    va_start(arguments, resourceId);
    int n = formatBounded(buffer, formatText, arguments);
    va_end(arguments);
    assignText(buffer, n);
}

void VString::appendFormat(const char* formatText, ...) {
    char buffer[FORMAT_LIMIT + 1];
    va_list arguments;
    va_start(arguments, formatText);
    int n = formatBounded(buffer, formatText, arguments);
    va_end(arguments);
    appendText(buffer, n);
}

// Follows strtol: leading white space, optional sign, clamped to 32 bits.
bool VString::toInt(int& value, int start, int& end) const {
    if (length_ == 0) return false;
    if (start < 0 || start >= length_)
        throw VSystemException(ErrorSubscriptOutOfRange, VSTRING_LINE_TO_INT, VSTRING_FILE);
    const char* text = cStr();
    char* stop = nullptr;
    long parsed = std::strtol(text + start, &stop, 10);
    end = static_cast<int>(stop - text);
    if (end == start) return false;
    if (parsed > 0x7FFFFFFFL) parsed = 0x7FFFFFFFL;
    if (parsed < -0x7FFFFFFFL - 1) parsed = -0x7FFFFFFFL - 1;
    value = static_cast<int>(parsed);
    return true;
}

bool VString::operator==(const char* text) const {
    if (text == nullptr) return length_ == 0;
    std::size_t n = std::strlen(text);
    return n == static_cast<std::size_t>(length_) && std::memcmp(data_ == nullptr ? sharedEmpty : data_, text, n) == 0;
}
