// Standard, multi and matte materials.
#include "hostkit/scene/materials.h"

#include <cassert>

#include "hostkit/scene/kit_class_ids.h"

HostTexmap* StdMaterial::map(int slot) {
    return slot >= 0 && slot < kMapSlots ? maps[slot] : nullptr;
}

float StdMaterial::mapAmount(int slot, TimeValue) {
    return slot >= 0 && slot < kMapSlots ? mapAmounts[slot] : 0.0f;
}

HostMaterial* MultiMtl::subMaterial(int index) {
    return index >= 0 && index < int(slots_.size()) ? slots_[size_t(index)] : nullptr;
}

HostMaterial* MultiMtl::slotFor(int mtlNum) {
    if (slots_.empty()) return nullptr;
    int n = int(slots_.size());
    return slots_[size_t(((mtlNum % n) + n) % n)];
}

Color MultiMtl::diffuse(int mtlNum, int backFace) {
    HostMaterial* m = slotFor(mtlNum);
    return m ? m->diffuse(mtlNum, backFace) : Color{};
}

Color MultiMtl::specular(int mtlNum, int backFace) {
    HostMaterial* m = slotFor(mtlNum);
    return m ? m->specular(mtlNum, backFace) : Color{};
}

float MultiMtl::shininess(int mtlNum, int backFace) {
    HostMaterial* m = slotFor(mtlNum);
    return m ? m->shininess(mtlNum, backFace) : 0.0f;
}

float MultiMtl::shininessStrength(int mtlNum, int backFace) {
    HostMaterial* m = slotFor(mtlNum);
    return m ? m->shininessStrength(mtlNum, backFace) : 0.0f;
}

float MultiMtl::transparency(int mtlNum, int backFace) {
    HostMaterial* m = slotFor(mtlNum);
    return m ? m->transparency(mtlNum, backFace) : 0.0f;
}

void MultiMtl::setSlotCount(int count) {
    slots_.resize(size_t(count < 0 ? 0 : count), nullptr);
}

bool MultiMtl::contains(HostMaterial* material) {
    if (material == this) return true;
    for (HostMaterial* sub : slots_) {
        if (sub == material) return true;
        if (auto* multi = dynamic_cast<MultiMtl*>(sub); multi && multi->contains(material))
            return true;
    }
    return false;
}

bool MultiMtl::setSubMaterial(int index, HostMaterial* material) {
    assert(index >= 0 && index < int(slots_.size()));
    if (auto* multi = dynamic_cast<MultiMtl*>(material); multi && multi->contains(this))
        return false;
    slots_[size_t(index)] = material;
    return true;
}

Class_ID MatteMaterial::classId() {
    return matteMaterialClassID;
}
