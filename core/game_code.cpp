// game_code.cpp - the game-code section and its nesting count.
#include "core/game_code.h"

#include <mutex>

#include "core/report.h"

namespace {
std::recursive_mutex GameCodeLock;
int Nesting = 0;  // written only while the lock is held
}  // namespace

void EnterGameCode() {
  GameCodeLock.lock();
  ++Nesting;
  if (Nesting > 1) ReportBox(nullptr, "EnterGameCode", "already entered");
}

void LeaveGameCode() {
  // Only the holder may look at the count: a thread that never entered finds it 0 only when
  // the lock is free, and then must not unlock it.
  if (!GameCodeLock.try_lock()) {
    ReportBox(nullptr, "LeaveGameCode", "not in game code");
    return;
  }
  const int nesting = Nesting;
  GameCodeLock.unlock();  // the try_lock's own level
  if (nesting == 0) {
    ReportBox(nullptr, "LeaveGameCode", "not in game code");
    return;
  }
  if (nesting != 1) ReportBox(nullptr, "LeaveGameCode", "not fully exited");
  --Nesting;
  GameCodeLock.unlock();
}

int GameCodeNesting() { return Nesting; }
