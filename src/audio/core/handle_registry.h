// Maps the 32-bit handles of the C interface to engine objects. A handle
// carries its kind and a serial number that is never given out twice (2^28
// of them: a load a second for eight years), so a freed handle, or one of
// another kind, never reaches a live object.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

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
        for (const auto& [handle, object] : objects_) {
            if (kindOf(handle) == kind) visit(std::static_pointer_cast<T>(object));
        }
    }
    void clear();

  private:
    std::shared_ptr<void> lookup(uint32_t handle, HandleKind kind) const;
    std::unordered_map<uint32_t, std::shared_ptr<void>> objects_;
    uint32_t lastSerial_ = 0;
};

}  // namespace luma
