// Maps the 32-bit handles of the C interface to engine objects. A handle
// carries its kind, a slot and the slot's generation, so a freed handle
// (or one of another kind) never reaches a live object.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace luma {

enum class HandleKind : uint32_t {
    Stream = 1,        // played stream
    Module = 2,        // played module
    DecodeStream = 3,  // decode-only stream
    DecodeModule = 4,  // decode-only module
    Effect = 5,
};

class HandleRegistry {
  public:
    uint32_t add(HandleKind kind, std::shared_ptr<void> object);
    // The object when `handle` is live and of `kind`, else nullptr.
    template <typename T>
    std::shared_ptr<T> find(uint32_t handle, HandleKind kind) const {
        return std::static_pointer_cast<T>(lookup(handle, kind));
    }
    static HandleKind kindOf(uint32_t handle) { return static_cast<HandleKind>(handle >> 28); }
    bool remove(uint32_t handle);
    // Calls `visit` with every live object of `kind`.
    template <typename T, typename Visit>
    void forEach(HandleKind kind, Visit&& visit) const {
        for (const Slot& slot : slots_) {
            if (slot.object && slot.kind == kind) visit(std::static_pointer_cast<T>(slot.object));
        }
    }
    void clear();

  private:
    struct Slot {
        uint32_t generation = 0;
        HandleKind kind = HandleKind::Stream;
        std::shared_ptr<void> object;
    };
    std::shared_ptr<void> lookup(uint32_t handle, HandleKind kind) const;
    std::vector<Slot> slots_;
    std::vector<uint32_t> free_;
};

}  // namespace luma
