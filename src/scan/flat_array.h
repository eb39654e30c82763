#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace pg {

// A growing array of plain values that grows with realloc. The C library
// moves a large block by remapping its pages, so growing to n bytes holds n
// bytes at most; std::vector and QByteArray copy into a new block and hold
// both for a moment, half as much again as the array.
template <typename T>
class FlatArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    FlatArray() = default;
    FlatArray(const FlatArray& other) { append(other.data_, other.size_); }
    FlatArray(FlatArray&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    FlatArray& operator=(FlatArray other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        return *this;
    }
    ~FlatArray() { std::free(data_); }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }

    void append(const T* values, size_t count) {
        if (count == 0) {
            return;
        }
        if (capacity_ - size_ < count) {
            reallocate(std::max(size_ + count, std::max<size_t>(capacity_ * 2, 64)));
        }
        std::memcpy(data_ + size_, values, count * sizeof(T));
        size_ += count;
    }
    void push_back(T value) { append(&value, 1); }
    // Shortens the array.
    void truncate(size_t size) { size_ = std::min(size, size_); }
    // Gives back the room beyond the values.
    void squeeze() {
        if (size_ == 0) {
            *this = FlatArray();
        } else if (capacity_ > size_) {
            reallocate(size_);
        }
    }

    friend bool operator==(const FlatArray& a, const FlatArray& b) {
        return a.size_ == b.size_ &&
               (a.size_ == 0 || std::memcmp(a.data_, b.data_, a.size_ * sizeof(T)) == 0);
    }

private:
    void reallocate(size_t capacity) {
        void* grown = std::realloc(data_, capacity * sizeof(T));
        if (!grown) {
            throw std::bad_alloc();
        }
        data_ = static_cast<T*>(grown);
        capacity_ = capacity;
    }

    T* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace pg
