// Move-only owner of one Arrow C struct (ArrowSchema or ArrowArray): the producer's release
// callback runs exactly once, when the owner goes away, and never on a released struct. The
// struct lives on the heap so its address, which columns point at, survives moves.
#pragma once

#include <memory>
#include <utility>

#include "arrow/c_data_interface.hpp"

namespace velkor::arrow {

template <class CStruct>
class Owned {
public:
    // Owns nothing.
    Owned() noexcept = default;

    // Moves the producer's struct in and marks the source released, as the interface
    // prescribes for a consumer that takes a struct over.
    [[nodiscard]] static Owned take(CStruct* source) {
        Owned owned = blank();
        *owned.struct_ = *source;
        source->release = nullptr;
        return owned;
    }

    // A released struct for an exporter to fill in place (see get()).
    [[nodiscard]] static Owned blank() {
        Owned owned;
        owned.struct_ = std::make_unique<CStruct>();
        return owned;
    }

    Owned(Owned&& other) noexcept = default;
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            reset();
            struct_ = std::move(other.struct_);
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }

    // Releases now; a released or empty owner stays as it is.
    void reset() noexcept {
        if (struct_ && struct_->release != nullptr) {
            struct_->release(struct_.get());
            // A callback that forgets to mark the struct must not cause a second release.
            struct_->release = nullptr;
        }
    }

    [[nodiscard]] CStruct* get() noexcept { return struct_.get(); }
    [[nodiscard]] const CStruct* get() const noexcept { return struct_.get(); }
    [[nodiscard]] bool is_released() const noexcept {
        return !struct_ || struct_->release == nullptr;
    }

private:
    std::unique_ptr<CStruct> struct_;
};

using OwnedSchema = Owned<ArrowSchema>;
using OwnedArray = Owned<ArrowArray>;

}  // namespace velkor::arrow
