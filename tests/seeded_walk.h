// seeded_walk.h - a walk of random steps through an editor, shared by the editors' history
// walks: each step a kind drawn by weight and three numbers of its own, all from a fixed seed
// (ZKT_WALK_SEED runs another), so that a step means the same wherever it stands.  The walk
// keeps its own record of the editor's history and steps it with the editor's own undo, redo
// and edit point list.  It prints how often each kind ran and fails when one ran fewer than 5
// times; a failing walk prints its seed, the step and a shortened sequence (steps dropped
// while it still fails the same way).
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

// The walk's own record of an editor's history: each point's bytes (empty for a point that
// holds nothing), the current point and the point last saved or loaded at.
struct HistoryRecord {
  using Held = std::vector<uint8_t>;
  std::vector<Held> points;
  int current = 0;
  int savedPoint = -1;
  int limit = 30;  // the points the history keeps, not counting the current
  // The editor's own copies of the points below the current one, taken before a step while
  // the history is full: the oldest dropping out shifts them down by one.
  std::vector<Held> copies;

  int Nodes() const { return int(points.size()) - 1; }
  // Before each step: the copies, while the history is full and at its newest point.
  void Note(const std::function<Held(int)>& copyOf) {
    copies.clear();
    if (Nodes() == limit && current == Nodes())
      for (int i = 0; i < Nodes(); ++i) copies.push_back(copyOf(i));
  }
  // Takes what a step did to the history, as the editor's counts show it, into the record:
  // nothing (or a merge into the newest point), one point added (the oldest dropped at the
  // limit), or the newest point removed again with the state it held.  Any other change
  // fails, and so does a step that throws away redo steps or the oldest point without
  // recording one.  `copyOf(i)` gives the editor's copy of point i.  "" when taken; `pushed`
  // tells whether a point was added.
  std::string Take(int nodes, int now, const std::function<Held(int)>& copyOf, const Held& bytes,
                   bool* pushed = nullptr) {
    const int n = Nodes(), cur = current;
    if (pushed) *pushed = false;
    char where[96];
    std::snprintf(where, sizeof where, " (history %d of %d became %d of %d)", cur, n, now, nodes);
    // At the limit, the copies shifted down by one (more of them match so than in place) show
    // the oldest dropped out.
    bool droppedOldest = false;
    if (n == limit && cur == n && int(copies.size()) == n && nodes >= n - 1) {
      int shifted = 0, kept = 0;
      for (int i = 0; i + 1 < n; ++i) {
        const Held copy = copyOf(i);
        shifted += copy == copies[size_t(i) + 1];
        kept += copy == copies[size_t(i)];
      }
      droppedOldest = shifted > kept;
    }
    if (droppedOldest && nodes == n && now == n) {
      points.erase(points.begin());
      points.push_back(bytes);
      if (savedPoint >= 0) --savedPoint;
      if (pushed) *pushed = true;
    } else if (droppedOldest && nodes == n - 1 && now == nodes) {
      return std::string("the oldest point was dropped and no point recorded") + where;
    } else if (droppedOldest) {
      return std::string("the oldest point dropped out unexpectedly") + where;
    } else if (now == cur + 1 && nodes == now) {
      points.resize(size_t(cur + 1));
      if (savedPoint > cur) savedPoint = -1;
      points.push_back(bytes);
      if (pushed) *pushed = true;
    } else if (nodes == n && now == cur) {
      if (bytes != points[size_t(cur)]) {
        if (cur != n) return std::string("the state changed with redo steps ahead and no point recorded") + where;
        if (savedPoint == cur) savedPoint = -1;
        points[size_t(cur)] = bytes;
      }
    } else if (now == cur - 1 && nodes == now && cur == n) {
      if (bytes != points[size_t(now)])
        return std::string("the newest point was removed but the state is not as it held") + where;
      points.resize(size_t(cur));
      if (savedPoint == cur) savedPoint = -1;
    } else if (now == cur && nodes == cur && n > cur) {
      return std::string("redo steps were thrown away and no point recorded") + where;
    } else {
      return std::string("the history changed unexpectedly") + where;
    }
    current = now;
    return "";
  }
};

// A kind of step the walk makes itself: a step of the history by undo, redo or the edit point
// list (a random point).
enum Stepping : uint8_t { NOT_STEPPING, STEP_UNDO, STEP_REDO, STEP_LIST };
struct WalkKind {
  const char* name;
  int weight;
  Stepping stepping = NOT_STEPPING;
};

class EditorWalk {
 protected:
  using Held = HistoryRecord::Held;
  virtual ~EditorWalk() = default;
  // A fresh editor and a fresh record of its history.
  virtual void Begin() = 0;
  // One step; false when a check failed (Check keeps the first failure's text).
  virtual bool Run(uint32_t kind, uint32_t a, uint32_t b, uint32_t c) = 0;
  // After every step, with a number of the step's own: StepBackAndForth by default.
  virtual bool After(uint32_t word) { return StepBackAndForth(word); }

  // The editor: its state as the walk compares it, its current history point and its keys.
  virtual Held State() = 0;
  virtual int Point() = 0;
  virtual int Nodes() = 0;
  virtual void Undo() = 0;
  virtual void Redo() = 0;
  virtual void ChoosePoint(int point) = 0;  // from the edit point list
  // The red "*": shown when the state differs from its file; gone when `clear`.
  virtual bool CheckStar(bool clear) = 0;
  // What the editor said last, for the text of a refused step.
  virtual std::string Said() { return ""; }

  HistoryRecord record;

  bool Check(bool ok, const std::string& what) {
    if (!ok && failure.empty()) failure = what;
    return ok;
  }
  // Where the state first differs from what a point held, for a failure's text.
  std::string Differs(const Held& held) {
    const Held now = State();
    size_t at = 0;
    while (at < now.size() && at < held.size() && now[at] == held[at]) ++at;
    return " (first difference at byte " + std::to_string(at) + " of " + std::to_string(held.size()) + " / " +
           std::to_string(now.size()) + ")";
  }

  // A step of the history: the state the point held, or nothing changed for a point that
  // holds none; the star gone at the saved point.
  bool StepHistory(Stepping how, uint32_t pick) {
    const int cur = record.current, n = record.Nodes();
    const int target = how == STEP_UNDO   ? cur - 1
                       : how == STEP_REDO ? (cur < n ? cur + 1 : -1)
                                          : int(pick % uint32_t(n + 1));
    const Held before = State();
    if (how == STEP_UNDO) Undo();
    if (how == STEP_REDO) Redo();
    if (how == STEP_LIST) ChoosePoint(target);
    const bool holds = target >= 0 && target <= n && target != cur && !record.points[size_t(target)].empty();
    if (holds) {
      if (!Check(Point() == target, "a step to point " + std::to_string(target) + " was refused" + Said()))
        return false;
      if (!Check(State() == record.points[size_t(target)],
                 "a step gave other bytes than the point held" + Differs(record.points[size_t(target)])))
        return false;
      record.current = target;
    } else if (!Check(Point() == cur && State() == before, "a step to a point holding nothing changed something (at " +
                                                               std::to_string(cur) + ", now at " +
                                                               std::to_string(Point()) + ")" + Differs(before))) {
      return false;
    }
    if (!Check(Nodes() == n, "a step of the history changed its length")) return false;
    return CheckStar(holds && record.current == record.savedPoint);
  }
  // Undo then redo: the point before gives back `before` and the step back `after`.
  bool UndoGivesBack(const Held& before, const Held& after, const char* what) {
    const int cur = record.current;
    Undo();
    if (!Check(Point() == cur - 1, std::string("undo after ") + what + " was refused" + Said())) return false;
    if (!Check(State() == before,
               std::string("undo after ") + what + " gave other bytes than before it" + Differs(before)))
      return false;
    record.current = cur - 1;
    if (!CheckStar(record.current == record.savedPoint)) return false;
    Redo();
    if (!Check(Point() == cur, std::string("redo after ") + what + " was refused" + Said())) return false;
    if (!Check(State() == after, std::string("redo after ") + what + " gave other bytes" + Differs(after)))
      return false;
    record.current = cur;
    return CheckStar(record.current == record.savedPoint);
  }
  // At one step in four, undo then redo give the same bytes (not after every step: an undo
  // ends a run of merging edits, and those must be walked too).
  bool StepBackAndForth(uint32_t word) {
    const int cur = record.current;
    if (word % 4 != 0 || cur == 0 || record.points[size_t(cur) - 1].empty()) return true;
    return UndoGivesBack(record.points[size_t(cur) - 1], record.points[size_t(cur)], "a step");
  }

  // Walks `steps` steps for each seed (or for ZKT_WALK_SEED alone when it is set).
  void Walk(const WalkKind* kinds, int kindCount, std::initializer_list<uint32_t> seeds, int steps) {
    std::vector<uint32_t> chosen(seeds);
    if (const char* seed = std::getenv("ZKT_WALK_SEED")) chosen = {uint32_t(std::strtoul(seed, nullptr, 10))};
    for (const uint32_t seed : chosen) {
      const std::vector<Step> walk = Draw(seed, steps, kinds, kindCount);
      std::vector<int> counts(size_t(kindCount), 0);
      walkKinds = kinds;
      const int failed = RunAll(walk, &counts);
      std::printf("walk of seed %u, %d steps:", seed, failed < 0 ? steps : failed + 1);
      for (int k = 0; k < kindCount; ++k) std::printf("%s %s %d", k ? "," : "", kinds[k].name, counts[size_t(k)]);
      std::printf("\n");
      if (failed >= 0) {
        ADD_FAILURE() << Report(seed, walk, failed, kinds);
        continue;
      }
      for (int k = 0; k < kindCount; ++k)
        EXPECT_GE(counts[size_t(k)], 5) << "seed " << seed << ": " << kinds[k].name << " ran too seldom";
    }
  }

 private:
  struct Step {
    uint32_t kind, a, b, c, after;
  };
  std::string failure;
  const WalkKind* walkKinds = nullptr;

  static std::vector<Step> Draw(uint32_t seed, int count, const WalkKind* kinds, int kindCount) {
    std::mt19937 random(seed);
    int total = 0;
    for (int k = 0; k < kindCount; ++k) total += kinds[k].weight;
    std::vector<Step> steps(static_cast<size_t>(count));
    for (Step& s : steps) {
      int pick = int(random() % uint32_t(total));
      s.kind = 0;
      while (pick >= kinds[s.kind].weight) pick -= kinds[s.kind++].weight;
      s.a = random(), s.b = random(), s.c = random(), s.after = random();
    }
    return steps;
  }
  // The steps from a fresh start: the index of the first failing one, or -1.
  int RunAll(const std::vector<Step>& steps, std::vector<int>* counts) {
    Begin();
    failure.clear();
    for (size_t i = 0; i < steps.size(); ++i) {
      const Step& s = steps[i];
      if (counts) ++(*counts)[s.kind];
      const Stepping stepping = walkKinds[s.kind].stepping;
      const bool ran = stepping != NOT_STEPPING ? StepHistory(stepping, s.a) : Run(s.kind, s.a, s.b, s.c);
      if (!ran || !After(s.after)) {
        if (failure.empty()) failure = "a step failed";
        return int(i);
      }
    }
    return -1;
  }
  // The failure's text without its counts in brackets: the same failure in a shorter walk.
  static std::string Gist(const std::string& text) { return text.substr(0, text.find(" (")); }
  std::string Report(uint32_t seed, const std::vector<Step>& walk, int failed, const WalkKind* kinds) {
    const std::string first = failure, gist = Gist(failure);
    std::vector<Step> steps(walk.begin(), walk.begin() + failed + 1);
    // Runs of steps dropped, halving down to single steps, while the failure stays; at most
    // MOST_TRIES walks again.
    constexpr int MOST_TRIES = 250;
    int tries = 0;
    for (size_t run = steps.size() / 2;; run /= 2) {
      if (run == 0) run = 1;
      for (size_t at = 0; at < steps.size() && tries < MOST_TRIES; ++tries) {
        std::vector<Step> shorter(steps.begin(), steps.begin() + std::ptrdiff_t(at));
        shorter.insert(shorter.end(), steps.begin() + std::ptrdiff_t(std::min(steps.size(), at + run)), steps.end());
        const int f = RunAll(shorter, nullptr);
        if (f >= 0 && Gist(failure) == gist)
          steps.assign(shorter.begin(), shorter.begin() + f + 1);
        else
          at += run;
      }
      if (run == 1 || tries >= MOST_TRIES) break;
    }
    RunAll(steps, nullptr);
    std::string text = "seed " + std::to_string(seed) + ", step " + std::to_string(failed + 1) + ": " + first +
                       "\nshortened to " + std::to_string(steps.size()) + " steps (" + failure + "):\n";
    char line[160];
    for (const Step& s : steps) {
      std::snprintf(line, sizeof line, "  %s %u %u %u, then %u\n", kinds[s.kind].name, s.a, s.b, s.c, s.after);
      text += line;
    }
    return text;
  }
};
