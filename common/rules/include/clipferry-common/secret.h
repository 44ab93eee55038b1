// A password in memory: one owner that holds its only copy and wipes the
// bytes when it lets them go (destruction, growth, a new value), so a core
// dump or a reused allocation shows nothing of it. Moved, never copied.
#pragma once

#include <string.h>  // explicit_bzero: a wipe the compiler may not leave out

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace clipferry {

inline void wipeBytes(void* bytes, std::size_t size) {
    if (bytes && size) ::explicit_bzero(bytes, size);
}

template <typename Char, typename Allocator = std::allocator<Char>>
class BasicSecret {
public:
    BasicSecret() = default;
    explicit BasicSecret(std::basic_string_view<Char> text) {
        reserve(text.size());
        for (Char c : text) push_back(c);
    }
    // Takes the text over: copied in, then wiped where it was.
    static BasicSecret takeFrom(std::basic_string<Char>& text) {
        BasicSecret secret{std::basic_string_view<Char>(text)};
        wipeBytes(text.data(), text.size() * sizeof(Char));
        text.clear();
        return secret;
    }
    BasicSecret(BasicSecret&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0)) {}
    BasicSecret& operator=(BasicSecret&& other) noexcept {
        if (this != &other) {
            release();
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
            capacity_ = std::exchange(other.capacity_, 0);
        }
        return *this;
    }
    BasicSecret(const BasicSecret&) = delete;
    BasicSecret& operator=(const BasicSecret&) = delete;
    ~BasicSecret() { release(); }

    // Room for `size` characters and the terminating zero; the old buffer is wiped.
    void reserve(std::size_t size) {
        if (size < capacity_) return;
        Allocator allocator;
        Char* grown = std::allocator_traits<Allocator>::allocate(allocator, size + 1);
        for (std::size_t i = 0; i < size_; ++i) grown[i] = data_[i];
        grown[size_] = Char();
        const std::size_t kept = size_;
        release();
        data_ = grown;
        size_ = kept;
        capacity_ = size + 1;
    }
    void push_back(Char c) {
        if (size_ + 1 >= capacity_) reserve(capacity_ < 16 ? 32 : capacity_ * 2);
        data_[size_++] = c;
        data_[size_] = Char();
    }
    void pop_back() {
        if (size_) data_[--size_] = Char();
    }
    void clear() {
        wipeBytes(data_, capacity_ * sizeof(Char));
        size_ = 0;
    }

    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    Char back() const { return data_[size_ - 1]; }
    // Zero-terminated; "" when empty.
    const Char* c_str() const {
        static const Char none[1] = {};
        return data_ ? data_ : none;
    }
    std::basic_string_view<Char> view() const { return {c_str(), size_}; }
    bool operator==(const BasicSecret& other) const { return view() == other.view(); }
    bool operator!=(const BasicSecret& other) const { return !(*this == other); }

private:
    void release() {
        if (!data_) return;
        wipeBytes(data_, capacity_ * sizeof(Char));
        Allocator allocator;
        std::allocator_traits<Allocator>::deallocate(allocator, data_, capacity_);
        data_ = nullptr;
        size_ = capacity_ = 0;
    }

    Char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;  // with the terminating zero
};

using Secret = BasicSecret<char>;

}  // namespace clipferry
