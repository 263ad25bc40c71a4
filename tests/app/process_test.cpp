// process_test.cpp - the process framework: opening, stepping, closing and input routing.
#include "app_harness.h"

namespace {

class Processes : public AppHarness {
 protected:
  void SetUp() override {
    AppHarness::SetUp();
    SetLogFileName("deb.log");  // labelled messages are logged while a log name is set
  }
  void TearDown() override {
    SetLogFileName("");
    AppHarness::TearDown();
  }
};

}  // namespace

TEST_F(Processes, AddSubWithNullKeepsTheActiveSubprocess) {
  ProbeProcess* top = OpenProbe(nullptr);
  ProbeProcess* sub = OpenProbe(&top->prss);
  Prss_AddSub(&top->prss, &sub->prss);
  SwallowNextKey = 1;
  Prss_AddSub(&top->prss, nullptr);
  EXPECT_EQ(top->prss.sub, &sub->prss);
  EXPECT_EQ(SwallowNextKey, 0);
  Prss_Terminate(&top->prss);
  EXPECT_EQ(ProbeAct(&top->prss), nullptr);
}

TEST_F(Processes, AddSubOverAnExistingSubprocessClosesTheOldOneFirst) {
  ProbeProcess* top = OpenProbe(nullptr);
  ProbeProcess* first = OpenProbe(&top->prss);
  Prss_AddSub(&top->prss, &first->prss);
  bool firstFreed = false;
  first->freed = &firstFreed;
  ProbeProcess* second = OpenProbe(&top->prss);
  Prss_AddSub(&top->prss, &second->prss);
  EXPECT_TRUE(firstFreed);
  EXPECT_EQ(top->prss.sub, &second->prss);
  EXPECT_TRUE(LogHas("AddSub : removed subprocess"));
  Prss_Terminate(&top->prss);
  ProbeAct(&top->prss);
}

TEST_F(Processes, TerminatingClosesTheChainThroughEachOwnTerminate) {
  ProbeProcess* top = OpenProbe(nullptr, "top.jpg");
  ProbeProcess* middle = OpenProbe(&top->prss, "middle.jpg");
  Prss_AddSub(&top->prss, &middle->prss);
  ProbeProcess* bottom = OpenProbe(&middle->prss);
  Prss_AddSub(&middle->prss, &bottom->prss);
  EXPECT_EQ(CurrentProcess, &bottom->prss);
  EXPECT_STREQ(CurrentBackground, "middle.jpg") << "a process without a background keeps its parent's";

  bool middleFreed = false, bottomFreed = false;
  middle->freed = &middleFreed;
  bottom->freed = &bottomFreed;
  Prss_Terminate(&middle->prss);
  EXPECT_TRUE(bottomFreed) << "the middle's own terminate closed its subprocess";
  EXPECT_FALSE(middleFreed) << "a closed process stays allocated until its act";
  EXPECT_EQ(CurrentProcess, &top->prss);
  EXPECT_STREQ(CurrentBackground, "top.jpg");

  Prss_DeliverKey('A');  // input goes to the parent at once
  EXPECT_EQ(top->keys, 1);
  EXPECT_EQ(top->lastKey, 'A');

  Prss_ActSub(&top->prss);
  EXPECT_TRUE(middleFreed);
  EXPECT_EQ(top->prss.sub, nullptr);
  Prss_Terminate(&top->prss);
  EXPECT_EQ(CurrentProcess, nullptr);
  Prss_DeliverKey('B');  // dropped: nobody is current
  ProbeAct(&top->prss);
}

TEST_F(Processes, ASubprocessThatWillNotCloseIsReportedAndStaysAttached) {
  ProbeProcess* top = OpenProbe(nullptr);
  ProbeProcess* stubborn = OpenProbe(&top->prss);
  stubborn->prss.terminate = [](Prss*) {};  // ignores the request
  Prss_AddSub(&top->prss, &stubborn->prss);
  Prss_RemoveSub(&top->prss, "Test");
  EXPECT_EQ(top->prss.sub, &stubborn->prss);
  EXPECT_TRUE(LogHas("Test : failed to remove subprocess"));
  stubborn->prss.terminate = Prss_Terminate;
  Prss_Terminate(&top->prss);
  ProbeAct(&top->prss);
}

// Under an exit request a screen that knows nothing of it is closed once it has acted with
// nothing open over it, and the chain then closes from the top down, each screen in its turn;
// a screen that takes the request back (to ask first) stays.
TEST_F(Processes, AnExitRequestClosesAScreenThatIgnoresItAndSparesOneThatAsks) {
  struct Plain {
    Prss prss;
    bool* freed;
  };
  // Knows nothing of exit requests; asking takes the request back.
  const PrssAct deaf = [](Prss* p) -> Prss* {
    if (p->alive) return p;
    Plain* plain = reinterpret_cast<Plain*>(p);
    *plain->freed = true;
    delete plain;
    return nullptr;
  };
  const PrssAct asking = [](Prss* p) -> Prss* {
    ExitRequested = 0;
    return p;
  };
  ProbeProcess* top = OpenProbe(nullptr);
  ProbeProcess* middle = OpenProbe(&top->prss);
  Prss_AddSub(&top->prss, &middle->prss);
  bool leafFreed = false, middleFreed = false;
  Plain* leaf = new Plain{{}, &leafFreed};
  Prss_Init(&leaf->prss, &middle->prss, deaf, nullptr, nullptr, nullptr, nullptr);
  Prss_AddSub(&middle->prss, &leaf->prss);
  middle->freed = &middleFreed;

  leaf->prss.act = asking;
  ExitRequested = 1;
  ProbeAct(&top->prss);
  EXPECT_EQ(middle->prss.sub, &leaf->prss) << "a screen that took the request back stays";
  EXPECT_EQ(ExitRequested, 0);

  leaf->prss.act = deaf;
  ExitRequested = 1;
  ProbeAct(&top->prss);
  EXPECT_TRUE(leafFreed) << "it acted with nothing over it and was closed";
  EXPECT_FALSE(middleFreed) << "its parent acted with it open: left to close by itself";
  ProbeAct(&top->prss);
  EXPECT_TRUE(middleFreed);
  EXPECT_EQ(ProbeAct(&top->prss), nullptr);
  ExitRequested = 0;
}

TEST_F(Processes, SimpleKeysCloseTheProcess) {
  for (int key : {13, 27, int('Q'), int('X')}) {
    ProbeProcess* page = OpenProbe(nullptr);
    Prss_SimpleKey(&page->prss, 'A');
    EXPECT_TRUE(page->prss.alive);
    Prss_SimpleKey(&page->prss, key);
    EXPECT_FALSE(page->prss.alive) << key;
    ProbeAct(&page->prss);
  }
}

TEST_F(Processes, InitFillsTheRecordFromTheGraphicsMode) {
  Prss record{};
  GraphicsEnabled = 0;
  Prss_Init(&record, nullptr, ProbeAct, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(record.rawKeys, 0);
  EXPECT_EQ(record.flags, 256);
  EXPECT_EQ(record.alive, 1);
  EXPECT_EQ(record.terminate, Prss_Terminate);
  GraphicsEnabled = 1;
  Prss_Init(&record, nullptr, ProbeAct, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(record.rawKeys, 1);
}
