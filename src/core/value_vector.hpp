// Contiguous vectors of path or grid values. One entry is kept inline, so the one-entry
// engines never touch the heap per event; longer vectors live in a malloc'd buffer that
// a new owner (a NumPy array) can take over without a copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

namespace velkor {

template <class T>
class FlatVector {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    using value_type = T;

    FlatVector() noexcept = default;

    // n entries, all equal to fill.
    explicit FlatVector(std::size_t n, T fill = T{}) {
        allocate(n);
        for (std::size_t i = 0; i < n; ++i) data_[i] = fill;
    }

    FlatVector(std::initializer_list<T> values) : FlatVector(std::span<const T>(values)) {}

    explicit FlatVector(std::span<const T> values) {
        allocate(values.size());
        // One entry is the common case of the one-scenario engines: no library call for it.
        if (values.size() == 1)
            inline_ = values[0];
        else if (!values.empty())
            std::memcpy(data_, values.data(), values.size() * sizeof(T));
    }

    // Uninitialised entries, for callers that overwrite every one.
    static FlatVector uninitialized(std::size_t n) {
        FlatVector v;
        v.allocate(n);
        return v;
    }

    FlatVector(const FlatVector& other) : FlatVector(other.span()) {}

    FlatVector(FlatVector&& other) noexcept { take(other); }

    FlatVector& operator=(const FlatVector& other) {
        if (this != &other) *this = FlatVector(other);
        return *this;
    }

    FlatVector& operator=(FlatVector&& other) noexcept {
        if (this != &other) {
            free_heap();
            take(other);
        }
        return *this;
    }

    ~FlatVector() { free_heap(); }

    [[nodiscard]] std::size_t size() const noexcept { return size_; }
    [[nodiscard]] bool empty() const noexcept { return size_ == 0; }
    [[nodiscard]] T* data() noexcept { return data_; }
    [[nodiscard]] const T* data() const noexcept { return data_; }
    T& operator[](std::size_t i) noexcept { return data_[i]; }
    const T& operator[](std::size_t i) const noexcept { return data_[i]; }
    T* begin() noexcept { return data_; }
    T* end() noexcept { return data_ + size_; }
    const T* begin() const noexcept { return data_; }
    const T* end() const noexcept { return data_ + size_; }
    [[nodiscard]] std::span<T> span() noexcept { return {data_, size_}; }
    [[nodiscard]] std::span<const T> span() const noexcept { return {data_, size_}; }

    friend bool operator==(const FlatVector& a, const FlatVector& b) {
        if (a.size_ != b.size_) return false;
        for (std::size_t i = 0; i < a.size_; ++i)
            if (!(a.data_[i] == b.data_[i])) return false;
        return true;
    }

    // Gives up the storage: a buffer to be freed with release_free(). An inline or empty
    // vector is first moved to the heap, so the result is always a valid allocation.
    [[nodiscard]] T* release() {
        if (data_ != inline_ptr() && data_ != nullptr) {
            T* out = data_;
            reset_to_empty();
            return out;
        }
        T* out = heap_alloc(size_ == 0 ? 1 : size_);
        if (size_ != 0) std::memcpy(out, data_, size_ * sizeof(T));
        reset_to_empty();
        return out;
    }

    static void release_free(void* buffer) noexcept { std::free(buffer); }

private:
    static T* heap_alloc(std::size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        void* p = std::malloc(n * sizeof(T));
        if (p == nullptr) throw std::bad_alloc();
        return static_cast<T*>(p);
    }

    T* inline_ptr() noexcept { return &inline_; }

    void allocate(std::size_t n) {
        size_ = n;
        data_ = n <= 1 ? inline_ptr() : heap_alloc(n);
    }

    void reset_to_empty() noexcept {
        data_ = inline_ptr();
        size_ = 0;
    }

    void free_heap() noexcept {
        if (data_ != inline_ptr()) std::free(data_);
    }

    void take(FlatVector& other) noexcept {
        size_ = other.size_;
        if (other.data_ == other.inline_ptr()) {
            inline_ = other.inline_;
            data_ = inline_ptr();
        } else {
            data_ = other.data_;
        }
        other.reset_to_empty();
    }

    T inline_{};
    T* data_ = &inline_;
    std::size_t size_ = 0;
};

// One entry per Monte Carlo path or grid point, or a single entry.
using ValueVector = FlatVector<double>;
// Where a choice was taken: one entry per path or grid point.
using ChoiceVector = FlatVector<std::uint64_t>;

}  // namespace velkor
