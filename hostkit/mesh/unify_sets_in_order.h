// The sets of faces UnifyNormals' matching joins, kept cheaply while the faces come in
// an order that keeps them together, as a modeller's meshes mostly do: a face that meets
// an earlier face joins the set of all the faces so far, and no per-face set is needed.
// A few faces may wait apart in one set of their own (the first triangle of a quad may
// meet only its partner, which comes next) until a face meets both sets. Once a second
// set would wait, or too many faces wait, the per-face sets of FacePatches take over.
#pragma once

#include <cstdint>

#include "hostkit/mesh/unify_normals_parts.h"

namespace hostkit::unify {

class SetsInFaceOrder {
  public:
    // sets: empty; filled only when the order does not keep the faces together. Without
    // sets (null), no call but the constructor's may be made.
    SetsInFaceOrder(FacePatches* sets, uint32_t faceCount) : sets_(sets), faceCount_(faceCount) {}

    // Before the corners of proper face f (proper faces come in ascending order).
    void startFace(uint32_t f) {
        if (faces_ == 0) first_ = f;
        face_ = f;
        root_ = FacePatches::kNoRoot;
        meetsMain_ = meetsWaiting_ = false;
    }
    // A corner of the face at hand met one of earlier face g running the other way.
    void meet(uint32_t g) {
        if (!inOrder_) {
            unions_ += sets_->uniteNewest(face_, g, root_);
            return;
        }
        const bool waits = waiting_ > 0 && g >= waitingFace_[0] && isWaiting(g);
        meetsWaiting_ |= waits;
        meetsMain_ |= !waits;
    }
    // After the corners of the face at hand.
    void endFace() {
        if (!inOrder_ || faces_++ == 0) return; // the first proper face starts the main set
        if (meetsMain_ && !meetsWaiting_) return;
        if (meetsMain_) { // the waiting set joins the main one
            waiting_ = 0;
        } else if (meetsWaiting_ || waiting_ == 0) { // joins, or starts, the waiting set
            waitingFace_[waiting_++] = face_;
            if (waiting_ > kMostWaiting) keepPerFace(face_ + 1, false);
        } else { // a second set apart
            keepPerFace(face_ + 1, true);
        }
    }
    // After the last face: the number of unions that joined two sets (faces less sets).
    // sets holds the faces' sets if usesSets(), which is so unless all were one set.
    uint32_t finish() {
        if (inOrder_ && waiting_ > 0) keepPerFace(faceCount_, false);
        return inOrder_ ? (faces_ > 0 ? faces_ - 1 : 0) : unions_;
    }
    bool usesSets() const { return !inOrder_; }

  private:
    static constexpr uint32_t kMostWaiting = 16;

    bool isWaiting(uint32_t g) const {
        for (uint32_t i = 0; i < waiting_; ++i)
            if (waitingFace_[i] == g) return true;
        return false;
    }
    // From here on, per-face sets: the faces below end form the main set, but the waiting
    // ones, which form one of their own, and the face at hand when it is alone.
    void keepPerFace(uint32_t end, bool faceAlone) {
        inOrder_ = false;
        sets_->startAsOne(faceCount_, first_, end);
        for (uint32_t i = 0; i < waiting_; ++i) sets_->detach(waitingFace_[i]);
        for (uint32_t i = 1; i < waiting_; ++i) sets_->unite(waitingFace_[0], waitingFace_[i]);
        if (faceAlone) sets_->detach(face_);
        const uint32_t apart = waiting_ + (faceAlone ? 1 : 0);
        unions_ = faces_ - 1 - apart + (waiting_ > 0 ? waiting_ - 1 : 0);
        waiting_ = 0;
    }

    FacePatches* sets_;
    uint32_t faceCount_;
    bool inOrder_ = true, meetsMain_ = false, meetsWaiting_ = false;
    uint32_t first_ = 0, face_ = 0, root_ = 0, faces_ = 0, unions_ = 0;
    uint32_t waiting_ = 0;                        // faces in the waiting set
    uint32_t waitingFace_[kMostWaiting + 1] = {}; // in ascending order
};

} // namespace hostkit::unify
