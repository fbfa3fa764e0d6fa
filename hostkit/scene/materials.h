// Materials of the kit: the standard material, the multi-material and a matte
// material of a third class. Materials live in the scene's material pool; nodes and
// multi-materials share them by pointer. Every value ignores mtlNum and backFace
// except on a multi-material, which answers for its sub-material number mtlNum.
#pragma once

#include <vector>

#include "host/api.h"
#include "host/scene.h"

class HOSTKIT_API StdMaterial : public StandardMaterial {
  public:
    static constexpr int kMapSlots = 12; // slot 1 is the diffuse map
    static constexpr int kDiffuseSlot = 1;

    Color diffuseColor{0.5f, 0.5f, 0.5f};
    Color specularColor{0.9f, 0.9f, 0.9f};
    float shininessValue = 0.1f;
    float shineStrength = 0.05f;
    float transparencyValue = 0; // 0 opaque, 1 fully transparent
    int twoSidedFlag = 0;
    HostTexmap* maps[kMapSlots] = {};
    float mapAmounts[kMapSlots] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

    Class_ID classId() override { return standardMaterialClassID; }
    Color diffuse(int, int) override { return diffuseColor; }
    Color specular(int, int) override { return specularColor; }
    float shininess(int, int) override { return shininessValue; }
    float shininessStrength(int, int) override { return shineStrength; }
    float transparency(int, int) override { return transparencyValue; }
    int subMaterialCount() override { return 0; }
    HostMaterial* subMaterial(int) override { return nullptr; }

    int twoSided() override { return twoSidedFlag; }
    void setTwoSided(int on) override { twoSidedFlag = on ? 1 : 0; }
    // The map in slot (0 .. kMapSlots - 1); null when empty or out of range.
    HostTexmap* map(int slot) override;
    // The amount of slot; 0 for a slot out of range. Time does not change it.
    float mapAmount(int slot, TimeValue t) override;
};

// Sub-material slots, any of which may be empty; a sub-material may be another
// multi-material, but never one that contains this one.
class HOSTKIT_API MultiMtl : public MultiMaterial {
  public:
    Class_ID classId() override { return multiMaterialClassID; }
    // The values of sub-material mtlNum (taken modulo the slot count); black and 0
    // for an empty slot or no slots.
    Color diffuse(int mtlNum, int backFace) override;
    Color specular(int mtlNum, int backFace) override;
    float shininess(int mtlNum, int backFace) override;
    float shininessStrength(int mtlNum, int backFace) override;
    float transparency(int mtlNum, int backFace) override;
    int subMaterialCount() override { return int(slots_.size()); }
    HostMaterial* subMaterial(int index) override; // null for an empty or missing slot

    void setSlotCount(int count); // new slots are empty
    // Puts material (null empties the slot) into slot index < subMaterialCount. Refuses
    // and returns false when that would make a multi-material contain itself.
    bool setSubMaterial(int index, HostMaterial* material);
    // True when material is this one or is reachable through its sub-materials.
    bool contains(HostMaterial* material);

  private:
    HostMaterial* slotFor(int mtlNum);
    std::vector<HostMaterial*> slots_;
};

// A flat material with a colour and a transparency, no highlights and no maps.
class HOSTKIT_API MatteMaterial : public HostMaterial {
  public:
    Color color{0.5f, 0.5f, 0.5f};
    float transparencyValue = 0;

    Class_ID classId() override;
    Color diffuse(int, int) override { return color; }
    Color specular(int, int) override { return {}; }
    float shininess(int, int) override { return 0; }
    float shininessStrength(int, int) override { return 0; }
    float transparency(int, int) override { return transparencyValue; }
    int subMaterialCount() override { return 0; }
    HostMaterial* subMaterial(int) override { return nullptr; }
};
