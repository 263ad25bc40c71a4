// race_layouts.cpp - what the race does for the world's autocross layouts offline: the
// program is its own host, so its own layout packets come straight back to it; the results
// table and the layout screen's references hold nothing to reset or prune.
#include "physics/car.h"
#include "race/race.h"
#include "solid/solid_hooks.h"
#include "world/autocross.h"
#include "world/layout_file.h"

namespace {

// The outgoing buffer offline: a layout packet is answered at once as a host would, by
// applying it; nothing else has anyone to go to.
void EchoLayoutPackets(const uint8_t* packet, int size) {
  if (packet && size >= 2 && packet[1] == PACKET_MULTI_OBJ) Autocross::InterpretMultiObjPacket(packet, size);
}

void ClearConnectionLayoutBytes() {
  for (int i = 0; i < ConnectionCount && i < MAX_CONNECTIONS; ++i) Connections[i].layoutByte = 0;
}

uint32_t Flags() { return RaceSettings.flags; }

}  // namespace

void InstallRaceLayoutHooks() {
  RaceHooks hooks = RaceLink;
  hooks.AddToPacket = EchoLayoutPackets;
  hooks.ClearLayoutBytes = ClearConnectionLayoutBytes;
  hooks.RaceFlags = Flags;
  InstallRaceHooks(hooks);
}

void SendPendingLayoutBlock() {
  if (LayoutLoadUnderWay()) SendLayoutBlock();
}

int NetworkPollPending() { return LayoutLoadUnderWay(); }
