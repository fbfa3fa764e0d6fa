// The host's undo hold: plug-ins record changes as RestoreObj records between
// Begin and Accept; the host undoes and redoes whole accepted steps (its side of the
// hold is its own business).
#pragma once

#include <cstdint>
#include <memory>

#include "host/api.h"
#include "host/cstr.h"

// Base of every undo record. The hold owns a record once it has been put.
class HOSTKIT_API RestoreObj {
  public:
    uint32_t reserved0 = 0; // two words of the host's own; plug-ins leave them alone
    uint32_t reserved1 = 0;

    RestoreObj() = default;
    virtual ~RestoreObj();
    // isUndo is nonzero when the host undoes the step (the record should then keep
    // what it needs for a redo).
    virtual void undoChange(int isUndo) = 0;
    virtual void redoChange() = 0;
    virtual int byteSize();   // 1
    virtual void holdEnded(); // nothing
    virtual CStr describe();  // "---"
};

class HoldImpl;
class HoldHistory;

class HOSTKIT_API Hold {
  public:
    Hold();
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

    void Begin(); // nested Begin calls join the outer step
    int Holding() const;
    void Put(RestoreObj* record); // takes ownership; deleted at once when not holding
    void Accept(int nameId);      // ends the step; an empty step is kept too
    void Cancel();                // ends the step, undoing and dropping its records

  private:
    friend class HoldHistory; // the host's side
    std::unique_ptr<HoldImpl> impl;
};

extern HOSTKIT_API Hold theHold;
