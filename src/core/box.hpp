// A heap-held value with value semantics: lets an error own a nested error of its own type.
#pragma once

#include <memory>
#include <utility>

namespace velkor {

template <class T>
class Box {
public:
    Box(T value) : ptr_(std::make_unique<T>(std::move(value))) {}
    Box(const Box& other) : ptr_(std::make_unique<T>(*other.ptr_)) {}
    Box(Box&&) noexcept = default;
    Box& operator=(const Box& other) {
        if (this != &other) ptr_ = std::make_unique<T>(*other.ptr_);
        return *this;
    }
    Box& operator=(Box&&) noexcept = default;
    ~Box() = default;

    const T& operator*() const { return *ptr_; }
    const T* operator->() const { return ptr_.get(); }

private:
    std::unique_ptr<T> ptr_;
};

}  // namespace velkor
