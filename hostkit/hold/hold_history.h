// The host's side of the undo hold: the steps plug-ins recorded in theHold, and the
// host's own undo, redo and clear of them. zefhost, its host window and the tests use
// this; plug-ins only record (host/hold.h).
#pragma once

#include "host/api.h"
#include "host/hold.h"

class HOSTKIT_API HoldHistory {
  public:
    explicit HoldHistory(Hold& hold);
    HoldHistory(const HoldHistory&) = delete;
    HoldHistory& operator=(const HoldHistory&) = delete;

    int stepCount() const;         // accepted steps that can be undone
    int redoCount() const;         // undone steps that can be redone
    int stepName(int index) const; // the name id of an undoable step, 0 = oldest
    int stepRecordCount(int index) const;
    // Undoes the newest step: undoChange(1) on its records, last first. False while a
    // step is open or when there is nothing to undo.
    bool undo();
    // Redoes the newest undone step: redoChange on its records, in order. False while a
    // step is open or when there is nothing to redo.
    bool redo();
    // Forgets every step and record, an open step too (its changes stay as they are).
    void clear();

  private:
    Hold& hold_;
};

// The history of theHold.
extern HOSTKIT_API HoldHistory theHoldHistory;
