#include "core/handle_registry.h"

namespace luma {

namespace {
constexpr uint32_t kSerialBits = 28;
constexpr uint32_t kMaxSerial = (1u << kSerialBits) - 1;
}  // namespace

uint32_t HandleRegistry::add(HandleKind kind, std::shared_ptr<void> object) {
    if (lastSerial_ == kMaxSerial) return 0;  // spent: refuse rather than reissue
    const uint32_t handle = (static_cast<uint32_t>(kind) << kSerialBits) | ++lastSerial_;
    objects_.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<void> HandleRegistry::lookup(uint32_t handle, HandleKind kind) const {
    if (kindOf(handle) != kind) return nullptr;
    const auto found = objects_.find(handle);
    return found != objects_.end() ? found->second : nullptr;
}

bool HandleRegistry::remove(uint32_t handle) {
    return objects_.erase(handle) > 0;
}

void HandleRegistry::clear() {
    objects_.clear();
}

}  // namespace luma
