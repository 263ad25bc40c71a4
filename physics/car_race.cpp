// car_race.cpp - the car's duties towards the race, once per 1 ms step: the pit lane's speed
// limit and penalties, the pit stop with its work stages and refuelling, the halt of a car
// that left the world, the blue and yellow flags, the state packet's schedule, and the dents
// that hard body impacts leave.
//
// Every message goes out through the race's table (RaceLink.AddToPacket); what the world
// knows of the pit lane, the racing path and the layout comes through CarWorld.  Offline
// neither sends nor finds anything.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "physics/car.h"
#include "physics/car_setup_local.h"
#include "solid/solid_hooks.h"
#include "text/language.h"

const uint8_t PIT_STAGE_SECONDS[PIT_STAGES] = {0, 1, 6, 3, 6, 3, 6, 3, 6, 3, 6, 3, 6, 3, 6, 12, 3, 0};
CarRaceSettings RaceSetup;
CarWorldHooks CarWorld = {};

namespace {

constexpr float KMH = 0.2777778f;               // m/s per km/h
constexpr float DRIVE_THROUGH_MARGIN = 5.555556f;  // m/s over the limit (20 km/h)
constexpr int LAST_LAPS = 3;
constexpr uint8_t SEVERITY[7] = {0, 1, 0, 2, 0, 1, 2};
constexpr uint8_t NO_CHANGE = 0xFF;  // PenaltyForOffence: no new penalty
constexpr uint8_t PACKET_MOVING = 73, PACKET_PIT_BEGINS = 62, PACKET_PIT_WORK = 69, PACKET_DAMAGE = 59,
                  PACKET_FLAG = 72;
constexpr uint32_t STATE_PERIOD = 5000, STATE_PERIOD_IN_PIT = 2000;
constexpr uint32_t BLUE_PERIOD = 500, YELLOW_PHASE = 250;
constexpr uint8_t BLUE_MOST = 7, BLUE_RAISE = 5, BLUE_CLEAR = 2;
constexpr uint8_t YELLOW_MOST = 4, YELLOW_RAISE = 3, YELLOW_CLEAR = 1;
constexpr uint8_t FLAG_BLUE_RAISED = 0x81, FLAG_BLUE_CLEARED = 0x01, FLAG_YELLOW_RAISED = 0x82,
                  FLAG_YELLOW_CLEARED = 0x02;
constexpr float ELECTRIC_CHARGE_RATE = 0.9f / 6.0f;
constexpr float ENGINE_LIGHT_REPAIR = 0.9995f, ENGINE_HEAVY_REPAIR = 0.9705f;
constexpr int WORN_TYRE_PERCENT = 90;            // a tread down to a tenth is changed
constexpr float DENT_REACH = 0.12f;              // of a point's distance from the centre of mass

// The refuelling rate of a vehicle class, litres per second.
float RefuelRate(const Car& car) {
  if (car.transmissionType == TRANSMISSION_ELECTRIC) return ELECTRIC_CHARGE_RATE;
  switch (car.vehicleClass) {
    case 4: return 8.0f;
    case 5: return 6.0f;
    case 10: return 12.1f;
    default: return 2.0f;
  }
}

void Send(const uint8_t* packet, int size) { AddToPacket(packet, size); }

void ShowMessage(const char* text) { ReportLine(text, REPORT_MESSAGE); }

float HorizontalDistance(const IntVector& a, const IntVector& b) {
  const Vec3 d = MetresBetween(a, b);
  return std::sqrt(d.x * d.x + d.y * d.y);
}

// The repair and tyre stages of a wheel by its slot (axle x 2 + right), and the pair stages of
// the classes whose axle is worked on as one.
int RepairStage(const Car& car, const CarWheel& w) {
  const bool front = (w.wheelSet & 1) != 0;
  if (car.vehicleClass == 4 || car.vehicleClass == 10) return front ? 2 : 8;
  if (front) return w.side > 0.0f ? 6 : 4;
  return w.side > 0.0f ? 12 : 10;
}

}  // namespace

// The new penalty an offence gives over the standing penalty; NO_CHANGE for none.
uint8_t PenaltyForOffence(uint8_t offence, uint8_t standing) {
  uint8_t result = NO_CHANGE;
  switch (offence) {
    case PENALTY_DRIVE_THROUGH:
      if (standing == 0 || standing == 2) result = PENALTY_DRIVE_THROUGH;
      if (standing == 4) result = PENALTY_STOP_GO;
      break;
    case PENALTY_30_SECONDS:
      if (standing == 0) result = PENALTY_30_SECONDS;
      if (standing == 2) result = PENALTY_DRIVE_THROUGH;
      if (standing == 4) result = PENALTY_STOP_GO;
      break;
    case PENALTY_STOP_GO:
      if (standing != 3) result = PENALTY_STOP_GO;
      break;
    case PENALTY_45_SECONDS:
      if (standing == 1 || standing == 2 || standing == 4)
        result = PENALTY_STOP_GO;
      else if (standing != 3 && standing != 6)
        result = PENALTY_45_SECONDS;
      break;
    default: break;
  }
  return result;
}

// ---- [Messages] ----

void Car::SendPenalty(uint8_t penalty, uint8_t reason) {
  race.reportedPenalty = penalty;
  uint8_t packet[PENALTY_SIZE];
  MakePenaltyPacket(packet, PlayerIdByte(), penalty, reason);
  Send(packet, sizeof packet);
}

void Car::SendFlag(uint8_t code, uint8_t other) {
  const uint8_t packet[8] = {2, PACKET_FLAG, 0, 0, PlayerIdByte(), code, other, 0};
  Send(packet, sizeof packet);
}

void Car::SendStatePacket() {
  uint8_t packet[STATE_PACKET_SIZE];
  MakeStatePacket(packet, PlayerIdByte());
  Send(packet, sizeof packet);
  race.lastStateStep = stepCount;
  activity.looseWheelsSent = activity.looseWheels;
}

// ---- [Pit lane and pit stop] ----

void Car::RaceDuties(int player, int changed) {
  const float dt = CAR_STEP_SECONDS;
  CarRaceState& r = race;
  // 1.
  if (changed && !stopState && (r.pendingEvents[0] != 0xFF || r.pendingEvents[1] != 0xFF)) {
    const uint8_t packet[4] = {1, PACKET_MOVING, 0, 0};
    Send(packet, sizeof packet);
  }
  // 2.
  const int zone = CarWorld.FindSpeedLimitZoneAt ? CarWorld.FindSpeedLimitZoneAt(position.x, position.y) : -1;
  const bool entered = zone >= 0 && !r.inZone;
  r.inZone = zone >= 0 ? 1 : 0;
  if (zone < 0) {
    // 3.
    speedLimitZone = 0;
    if (changed && stopState && RaceSetup.pitOption && r.pitStage == 0 && stepCount > PIT_LEAST_STEPS &&
        CarWorld.IsNearLayoutObject186 && CarWorld.IsNearLayoutObject186(position, PIT_STOP_REACH)) {
      r.pitStage = 1;
      PlanPitWork(player);
    } else if (r.pitState != 0 && r.pitStage == 0) {
      // Out of the pit lane after a stop: its message goes, and a penalty served is reported.
      r.messageWord = 0;
      r.messageTimer = PIT_MESSAGE_STEPS;
      if (r.standingPenalty == PENALTY_DRIVE_THROUGH_SERVING && r.reportedPenalty != PENALTY_NONE) {
        SendPenalty(PENALTY_NONE, PENALTY_REASON_NONE);
      } else if ((r.standingPenalty == PENALTY_DRIVE_THROUGH || r.standingPenalty == PENALTY_STOP_GO) &&
                 RaceSetup.hostAllowsServing && r.reportedPenalty != r.standingPenalty + 1) {
        SendPenalty(static_cast<uint8_t>(r.standingPenalty + 1), r.penaltyReason);
      }
      r.pitState = 0;
    }
  } else {
    // 4. The message on entering, then the limit.
    speedLimitZone = static_cast<uint8_t>(CarWorld.PitSpeedLimit ? CarWorld.PitSpeedLimit(zone) : 0);
    if (entered && r.pitState == 0) {
      int key = -1;
      switch (r.standingPenalty) {
        case 1: case 3: r.messageWord = 0x302; key = TX_3g_nopurtxt; break;
        case 2: r.messageWord = 0x303; key = TX_3g_drthrtxt; break;
        case 4: r.messageWord = 0x304; key = TX_3g_stpgotxt; break;
        default:
          r.messageWord = RaceSetup.pitMessageRequest ? 0x302 : 0x101;
          if (RaceSetup.pitMessageRequest) key = TX_3g_nopurtxt;
      }
      r.messageTimer = PIT_MESSAGE_STEPS;
      if (key >= 0) {
        char text[256];
        std::snprintf(text, sizeof text, "%s %s", LanguageTexts[TX_3g_enterfor], LanguageTexts[key]);
        ShowMessage(text);
      }
    }
    const float limit = (static_cast<float>(speedLimitZone) + 1.0f) * KMH;
    if (speed <= limit || !RaceSetup.pitLimitRule) {
      r.speeding = 0;
      eventByte = static_cast<uint8_t>(eventByte & ~(1u << CAR_EVENT_PIT_SPEEDING));
    } else {
      r.speeding = 1;
      SendEventPacket(CAR_EVENT_PIT_SPEEDING);
      const bool lastLaps = RaceSetup.raceActive && RaceSetup.laps > 0 && r.lapsDone >= RaceSetup.laps - LAST_LAPS;
      const bool small = speed - limit <= DRIVE_THROUGH_MARGIN;
      const uint8_t offence = small ? (lastLaps ? PENALTY_30_SECONDS : PENALTY_DRIVE_THROUGH)
                                    : (lastLaps ? PENALTY_45_SECONDS : PENALTY_STOP_GO);
      if (SEVERITY[offence] > SEVERITY[std::min<int>(r.reportedPenalty, 6)]) {
        const uint8_t result = PenaltyForOffence(offence, r.standingPenalty);
        if (result != NO_CHANGE) SendPenalty(result, PENALTY_REASON_SPEEDING);
      }
    }
    // 5. A stop at a pit stop point.
    if (changed && stopState && r.pitStage == 0 && r.pitState != PIT_STATE_WORKING && r.pitState != PIT_STATE_DONE &&
        stepCount > PIT_LEAST_STEPS && CarWorld.PitStopPointCount && CarWorld.PitStopPoint) {
      const int points = CarWorld.PitStopPointCount();
      for (int i = 0; i < points; ++i) {
        if (HorizontalDistance(position, CarWorld.PitStopPoint(i)) <= PIT_STOP_REACH) {
          r.pitStage = 1;
          PlanPitWork(player);
          break;
        }
      }
    }
  }
  // 6. A car stopped outside a stop is parked after a while; a running stop goes on.
  if (r.pitStage == 0 && stopState) ParkingCheck();
  const bool served = r.standingPenalty == PENALTY_DRIVE_THROUGH_SERVING || r.standingPenalty == PENALTY_STOP_GO_SERVING;
  if (r.pitStage != 0 && !served && r.pitState != PIT_STATE_ENDING && r.pitState != PIT_STATE_DONE) {
    if (r.pitStage == PIT_STAGE_REFUEL) {
      fuelAmount += RefuelRate(*this) * dt;
      if (fuelAmount >= r.refuelTarget) {
        fuelAmount = r.refuelTarget;
        char text[256];
        const bool electric = transmissionType == TRANSMISSION_ELECTRIC;
        std::snprintf(text, sizeof text, LanguageTexts[electric ? TX_3g_chrg_f_x : TX_3g_refl_f_x],
                      static_cast<double>(fuelAmount));
        if (!remote) ShowMessage(text);
        r.pitState = PIT_STATE_DONE;
        if (RaceSetup.connected) SendStatePacket();
      }
    } else if (stepCount >= r.stageEnd) {
      int next = r.pitStage + 1;
      while (next < PIT_STAGE_REFUEL && !(r.pitWork & (1u << next))) ++next;
      r.pitStage = static_cast<uint8_t>(next);
      if (next == PIT_STAGE_REFUEL) {
        const bool refuel = r.pitRequest.refuelPercent > 0 &&
                            (RaceSetup.refuelling || (RaceSettings.flags & RACE_FLAG_REFUELLING));
        if (refuel && fuelCapacity > 0.0f) {
          const float share = std::min(1.0f, fuelAmount / fuelCapacity + r.pitRequest.refuelPercent * 0.01f);
          r.refuelTarget = share * fuelCapacity;
        } else {
          r.pitState = PIT_STATE_DONE;
          if (!remote) ShowMessage(LanguageTexts[TX_3g_pitstp_f]);
        }
      } else {
        r.stageEnd = stepCount + PIT_STAGE_SECONDS[next] * 1000u;
      }
    }
  }
  // 7. Moving off after the stop.
  if (!stopState && r.pitState == PIT_STATE_DONE) {
    r.lastStopSteps = stepCount - r.pitStart;
    r.pitStage = 0;
    r.pitWork = 0;
    r.noState = 0;
    r.pitState = PIT_STATE_ENDING;
    if (r.standingPenalty == PENALTY_STOP_GO_SERVING) {
      if (r.lastStopSteps >= STOP_GO_LEAST_STEPS)
        SendPenalty(PENALTY_NONE, PENALTY_REASON_NONE);
      else
        SendPenalty(PENALTY_STOP_GO, PENALTY_REASON_SHORT_STOP);
    }
  }
  // 8.
  if (r.messageTimer > 0 && --r.messageTimer == 0) r.messageWord = 0;
}

void Car::PlanPitWork(int) {
  CarRaceState& r = race;
  r.pitStart = stepCount;
  if (r.standingPenalty == PENALTY_DRIVE_THROUGH_SERVING || r.standingPenalty == PENALTY_STOP_GO_SERVING ||
      r.pitState == PIT_STATE_ENDING) {
    r.pitState = PIT_STATE_DONE;
    return;
  }
  uint32_t work = 1u << 1;
  const PitRequest& q = r.pitRequest;
  if (q.setupChange) work |= 1u << PIT_STAGE_SETUP;
  if (q.setupChange || q.repair) {
    for (int i = 0; i < CarWheelCount(*this); ++i) {
      const CarWheel& w = wheels[i];
      const float R = wheelSets[w.wheelSet & 1].rollingRadius;
      const int stage = RepairStage(*this, w);
      const bool spring = w.damage[DAMAGE_SPRING] && w.travelOffset > 0.0006f * R;
      const bool arm = (w.damage[DAMAGE_UPPER_ARM] || w.damage[DAMAGE_LOWER_ARM]) &&
                       std::max(w.upperArmShortening, w.lowerArmShortening) > 0.00666f * R;
      const bool toe = w.damage[DAMAGE_TOE] && std::fabs(w.toeDamageAngle) > 0.007853982f;
      if (spring || arm || toe) work |= 1u << stage;
      const bool tyres = q.newTyres[w.slotIndex & 3] || w.CheckDamageLevel(WORN_TYRE_PERCENT);
      if (tyres) work |= 1u << (stage + 1);
    }
    if (damageNodeCount >= 9)
      work |= 1u << PIT_STAGE_BODY_HEAVY;
    else if (damageNodeCount >= 3)
      work |= 1u << PIT_STAGE_BODY_LIGHT;
    if (engine.health < ENGINE_HEAVY_REPAIR)
      work |= 1u << PIT_STAGE_BODY_HEAVY;
    else if (engine.health <= ENGINE_LIGHT_REPAIR)
      work |= 1u << PIT_STAGE_BODY_LIGHT;
  }
  if (q.refuelPercent > 0 && (RaceSetup.refuelling || (RaceSettings.flags & RACE_FLAG_REFUELLING)))
    work |= 1u << PIT_STAGE_REFUEL;
  r.pitWork = work;
  if (RaceSetup.multiplayer) {
    r.noState = 1;
    const uint8_t begins[4] = {1, PACKET_PIT_BEGINS, PlayerIdByte(), 0};
    Send(begins, sizeof begins);
    RaceLink.WriteReplayTimedRecord(begins, sizeof begins);
    uint8_t plan[4 + SETUP_RECORD_SIZE] = {(4 + SETUP_RECORD_SIZE) / 4, PACKET_PIT_WORK, PlayerIdByte(), q.setupChange};
    std::memcpy(plan + 4, currentSetup.bytes, SETUP_RECORD_SIZE);
    Send(plan, sizeof plan);
    RaceLink.WriteReplayTimedRecord(plan, sizeof plan);
  }
  r.pitState = PIT_STATE_WORKING;
  r.stageEnd = stepCount + PIT_STAGE_SECONDS[std::min<int>(r.pitStage, PIT_STAGES - 1)] * 1000u;
}

// ---- [Periodic checks] ----

void Car::PeriodicChecks(int player) {
  // 1. Out of the world, or too fast: halted and flagged for a reset.
  if (HaltIfUnsafe()) return;
  // 2. The flags.
  if (locationKind == LOCATION_ON_TRACK && !RaceSetup.hostNoFlags) {
    if (stepCount % BLUE_PERIOD == 0) CheckBlueFlag(player);
    const bool path = CarWorld.PathNodeCount && CarWorld.PathNodeCount() > 0;
    if (stepCount % BLUE_PERIOD == YELLOW_PHASE && path) CheckYellowFlag(player);
  }
  // 3. The state, at the player's phase of the period, and at once when a wheel came loose.
  if (RaceSetup.connected && !race.noState) {
    const uint32_t period = race.pitStage ? STATE_PERIOD_IN_PIT : STATE_PERIOD;
    const int players = std::max(1, RaceLink.PlayerCount());
    const uint32_t phase = static_cast<uint32_t>(MulDivInt(player, static_cast<int32_t>(period), players)) % period;
    if ((activity.looseWheels != activity.looseWheelsSent || stepCount % period == phase) && RaceLink.NetStartDelayOver())
      SendStatePacket();
  }
}

void Car::CheckBlueFlag(int player) {
  if (!RaceSetup.blueFlags || race.inZone) return;
  const int nodes = CarWorld.PathNodeCount ? CarWorld.PathNodeCount() : 0;
  const int players = RaceLink.PlayerCount();
  int best = -1, bestN = 0;
  for (int i = 0; i < players; ++i) {
    const Car* other = i == player ? nullptr : PlayerCarAt(i);
    if (!other || other == this) continue;
    // Cars ahead in the race order with more laps (any car with laps when no race runs).
    const bool ahead = RaceSetup.raceActive
                           ? other->race.racePosition < race.racePosition && other->race.lapsDone > race.lapsDone
                           : other->race.lapsDone > 0 && race.lapsDone == 0;
    if (!ahead) continue;
    int n = 0;
    if (nodes > 0 && other->pathNode >= 0 && pathNode >= 0) {
      if (!(other->speed > other->minimumSpeed)) continue;
      if (other->pathOffset < other->race.laneLeft || other->pathOffset > other->race.laneRight) continue;
      n = ((pathNode - other->pathNode) % nodes + nodes) % nodes;
    } else {
      if (!(other->speed > 1.0f)) continue;
      const Vec3 v = other->velocity;
      if (v.x * velocity.x + v.y * velocity.y <= 0.0f) continue;  // both must move the same way
      const Vec3 d = MetresBetween(position, other->position);
      const float along = (d.x * v.x + d.y * v.y) / other->speed;
      const float t = along / other->speed;
      const float missX = d.x - v.x * t, missY = d.y - v.y * t;
      n = static_cast<int>(std::lround(5.0f * t));
      if (!(std::sqrt(missX * missX + missY * missY) < 10.0f * t * t + 3.0f)) continue;
    }
    if (n > 0 && (best < 0 || n < bestN)) best = i, bestN = n;
  }
  if (best >= 0) {
    const uint8_t id = static_cast<uint8_t>(RaceLink.PlayerId(best));
    if (race.blueCounter < BLUE_MOST) ++race.blueCounter;
    if (race.blueCounter == BLUE_RAISE || (race.blueCounter > BLUE_RAISE && id != race.blueTarget)) {
      race.blueTarget = id;
      SendFlag(FLAG_BLUE_RAISED, id);
    }
  } else if (race.blueCounter > 0) {
    if (--race.blueCounter == BLUE_CLEAR) SendFlag(FLAG_BLUE_CLEARED, 0);
  }
}

void Car::CheckYellowFlag(int) {
  if (!RaceSetup.yellowFlags || race.inZone) return;
  if (stepCount <= static_cast<uint32_t>(std::max(0, RaceSetup.yellowDelay + 12)) * 1000u) return;
  const int nodes = CarWorld.PathNodeCount ? CarWorld.PathNodeCount() : 0;
  if (nodes <= 0 || !CarWorld.PathNode || pathNode < 0 || pathNode >= nodes) return;
  const PathPoint p = CarWorld.PathNode(pathNode);
  const float lateral = pathOffset;
  const float ahead = lateral + race.lateralVelocity * 3.0f + race.lateralAcceleration * 4.5f;
  const bool leftOut = lateral < race.laneLeft && ahead < race.laneLeft;
  const bool rightOut = lateral > race.laneRight && ahead > race.laneRight;
  if (leftOut || rightOut) return;  // leaving the track for good: no danger to the others
  const float heading = orientation[1] * p.dirX + orientation[4] * p.dirY;  // the car's y axis along the path
  const float along = velocity.x * p.dirX + velocity.y * p.dirY;
  if (heading < 0.5f || along < minimumSpeed) {
    if (race.yellowCounter < YELLOW_MOST && ++race.yellowCounter == YELLOW_RAISE) SendFlag(FLAG_YELLOW_RAISED, 0);
  } else if (race.yellowCounter > 0) {
    if (--race.yellowCounter == YELLOW_CLEAR) SendFlag(FLAG_YELLOW_CLEARED, 0);
  }
}

// ---- [Impact damage] ----

void Car::ApplyImpactDamage(int) {
  const float halfBase = WheelBaseDivisor() * 0.5f;
  const float weight = mass * 9.81f;
  bool added = false;
  const int count = std::min<int>(pointCount, 256);
  for (int i = 0; i < count; ++i) {
    SolidPoint& p = points[i];
    if (p.contactState != 2) continue;
    p.contactState = 3;  // newly hit: counted once
    if (!(std::fabs(Dot(p.contactForce, p.planeNormal)) > weight)) continue;
    float depth = std::clamp(p.lastDepth, 0.0f, halfBase);
    const Solid* struck = p.probe.candidateBody;
    if (struck && struck->GetType() == 1) {
      const float mine = bodyForceFigures[0], theirs = static_cast<const Car*>(struck)->bodyForceFigures[0];
      if (mine + theirs > 0.0f) depth *= mine / (mine + theirs);
    }
    // A point moves no further from its undamaged place than a share of its distance from
    // the centre of mass.
    if (undamagedPoints && i < undamagedPointCount) {
      const Vec3 home = undamagedPoints[i];
      const float reach = DENT_REACH * std::sqrt(LengthSquared(home - centreOfMass));
      const float moved = std::sqrt(LengthSquared(p.local - home));
      depth = std::min(depth, std::max(0.0f, reach - moved));
    }
    const long q = std::lround(depth * 255.0f / halfBase);
    if (q <= 0) continue;
    const Vec3 n = MatrixTransposeTimes(orientation, p.planeNormal);
    const DamageNode node = {static_cast<uint8_t>(i), static_cast<uint8_t>(std::min(q, 255L)),
                             PackDamageDirection(n.x, n.y, n.z)};
    if (!AddDamageNode(node)) continue;
    added = true;
    if (RaceSetup.multiplayer) {
      const uint8_t packet[8] = {2, PACKET_DAMAGE, 0, PlayerIdByte(), node.point, node.depth,
                                 static_cast<uint8_t>(node.direction), static_cast<uint8_t>(node.direction >> 8)};
      Send(packet, sizeof packet);
    }
  }
  if (added) {
    RestoreUndamagedPoints();
    ApplyDamageNodesPhysical(*this);
  }
}
