#include "core/handle_registry.h"

namespace luma {

namespace {
constexpr uint32_t kSlotBits = 16;
constexpr uint32_t kGenerationMask = 0xFFF;
constexpr uint32_t kMaxSlots = (1u << kSlotBits) - 1;
}  // namespace

uint32_t HandleRegistry::add(HandleKind kind, std::shared_ptr<void> object) {
    uint32_t slot;
    if (!free_.empty()) {
        slot = free_.back();
        free_.pop_back();
    } else {
        if (slots_.size() >= kMaxSlots) return 0;
        slot = static_cast<uint32_t>(slots_.size());
        slots_.emplace_back();
    }
    Slot& entry = slots_[slot];
    entry.generation = (entry.generation + 1) & kGenerationMask;
    entry.kind = kind;
    entry.object = std::move(object);
    return (static_cast<uint32_t>(kind) << 28) | (entry.generation << kSlotBits) | (slot + 1);
}

std::shared_ptr<void> HandleRegistry::lookup(uint32_t handle, HandleKind kind) const {
    const uint32_t slot = (handle & kMaxSlots);
    if (slot == 0 || slot > slots_.size() || kindOf(handle) != kind) return nullptr;
    const Slot& entry = slots_[slot - 1];
    if (entry.kind != kind || entry.generation != ((handle >> kSlotBits) & kGenerationMask)) {
        return nullptr;
    }
    return entry.object;
}

bool HandleRegistry::remove(uint32_t handle) {
    const uint32_t slot = handle & kMaxSlots;
    if (slot == 0 || slot > slots_.size()) return false;
    Slot& entry = slots_[slot - 1];
    if (!entry.object || entry.kind != kindOf(handle) ||
        entry.generation != ((handle >> kSlotBits) & kGenerationMask)) {
        return false;
    }
    entry.object.reset();
    free_.push_back(slot - 1);
    return true;
}

void HandleRegistry::clear() {
    for (uint32_t i = 0; i < slots_.size(); ++i) {
        if (slots_[i].object) {
            slots_[i].object.reset();
            free_.push_back(i);
        }
    }
}

}  // namespace luma
