// The service's life on the simulated manager: entry point, status reports,
// control handler and the stop routine.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "ServiceFixture.h"

namespace {

using plat::ServiceStatus;

// Holds the worker in its pause until the test lets it go on.
class PauseGate {
public:
    void Pause() {
        std::unique_lock<std::mutex> l(m_lock);
        ++m_pauses;
        m_changed.notify_all();
        m_changed.wait(l, [&] { return m_open; });
    }
    void WaitForPause() {
        std::unique_lock<std::mutex> l(m_lock);
        m_changed.wait(l, [&] { return m_pauses > 0; });
    }
    void Open() {
        std::lock_guard<std::mutex> l(m_lock);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_pauses = 0;
    bool m_open = false;
};

class ServiceRunTest : public qntest::ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        service.SetPause([this](uint32_t) { gate.Pause(); });
    }
    void TearDown() override {
        gate.Open();
        if (runner.joinable()) runner.join();
        ServiceTest::TearDown();
    }
    // Runs the program in service mode, as the manager starts it.
    void Start() {
        runner = std::thread([this] { exitCode = service.RunMode(u""); });
        ASSERT_TRUE(scm.WaitForState(plat::SERVICE_RUNNING));
    }
    // Asks for a stop and lets the worker leave its pause once the run flag is
    // down, as the end of its sleep would.
    void Stop(uint32_t control) {
        std::thread sender([&] { EXPECT_TRUE(scm.SendControl(control)); });
        while (service.RunFlag()) std::this_thread::yield();
        gate.Open();
        sender.join();
        runner.join();
    }
    std::vector<uint32_t> States() const {
        std::vector<uint32_t> states;
        for (const auto& s : scm.Statuses()) states.push_back(s.currentState);
        return states;
    }

    PauseGate gate;
    std::thread runner;
    int exitCode = -1;
};

class StopControlTest : public ServiceRunTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(StopControlTest, RunsThroughItsStatesAndLogsItsWay) {
    table.Add(u"explorer.exe", 1);  // passes that find nothing to do are silent
    Start();
    gate.WaitForPause();
    Stop(GetParam());

    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(scm.DispatchedName(), u"QuillnetM Plugin");
    EXPECT_EQ(States(), (std::vector<uint32_t>{plat::SERVICE_START_PENDING, plat::SERVICE_RUNNING,
                                               plat::SERVICE_STOP_PENDING, plat::SERVICE_STOPPED}));
    for (const ServiceStatus& s : scm.Statuses()) {
        EXPECT_EQ(s.serviceType, plat::SERVICE_WIN32_OWN_PROCESS);
        EXPECT_EQ(s.win32ExitCode, 0u);
        EXPECT_EQ(s.checkPoint, 0u);
        EXPECT_EQ(s.waitHint, 0u);
        uint32_t accepted = s.currentState == plat::SERVICE_START_PENDING
                                ? 0u
                                : plat::SERVICE_ACCEPT_STOP | plat::SERVICE_ACCEPT_SHUTDOWN;
        EXPECT_EQ(s.controlsAccepted, accepted) << s.currentState;
    }
    EXPECT_EQ(LogTexts(),
              (std::vector<std::string>{
                  "RegisterServiceCtrlHandler success\r\n", "CreateEvent success\r\n",
                  "WTSGetActiveConsoleSessionId:-1\r\n", "ABService ServiceProc Exit\r\n",
                  "ABService TerminateService Exist\r\n", "ABService Exit\r\n"}));
}

INSTANTIATE_TEST_SUITE_P(StopAndShutdown, StopControlTest,
                         ::testing::Values(plat::SERVICE_CONTROL_STOP,
                                           plat::SERVICE_CONTROL_SHUTDOWN));

// A process source whose snapshot waits until the test lets it return.
class HeldSnapshot : public plat::ProcessSource {
public:
    bool Snapshot(std::vector<plat::ProcessEntry>& out) override {
        std::unique_lock<std::mutex> l(m_lock);
        m_inside = true;
        m_changed.notify_all();
        m_changed.wait(l, [&] { return m_open; });
        m_inside = false;
        ++m_finished;
        out.clear();
        return true;
    }
    void WaitUntilInside() {
        std::unique_lock<std::mutex> l(m_lock);
        m_changed.wait(l, [&] { return m_inside; });
    }
    void Open() {
        std::lock_guard<std::mutex> l(m_lock);
        m_open = true;
        m_changed.notify_all();
    }
    bool Inside() {
        std::lock_guard<std::mutex> l(m_lock);
        return m_inside;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_inside = false, m_open = false;
    int m_finished = 0;
};

TEST_F(ServiceRunTest, StoppedIsReportedOnlyAfterTheWorkerLeftItsLoop) {
    HeldSnapshot held;
    plat::SetProcessSource(&held);
    gate.Open();  // no pause between passes: the pass is what holds the worker
    bool passRunningAtStopped = true, workerGoneAtStopped = false;
    scm.OnStatus([&](const ServiceStatus& s) {
        if (s.currentState != plat::SERVICE_STOPPED) return;
        passRunningAtStopped = held.Inside();
        workerGoneAtStopped = LogCount("ABService ServiceProc Exit\r\n") == 1;
    });
    Start();
    held.WaitUntilInside();

    std::thread sender([&] { EXPECT_TRUE(scm.SendControl(plat::SERVICE_CONTROL_STOP)); });
    while (service.RunFlag()) std::this_thread::yield();
    // The stop routine now waits for the worker, which is still in its pass.
    EXPECT_TRUE(held.Inside());
    held.Open();
    sender.join();
    runner.join();

    EXPECT_FALSE(passRunningAtStopped);
    EXPECT_TRUE(workerGoneAtStopped);
    auto texts = LogTexts();
    auto exitAt = std::find(texts.begin(), texts.end(), "ABService ServiceProc Exit\r\n");
    auto stopAt = std::find(texts.begin(), texts.end(), "ABService TerminateService Exist\r\n");
    ASSERT_NE(exitAt, texts.end());
    EXPECT_LT(exitAt, stopAt);
    plat::SetProcessSource(&table);
}

TEST_F(ServiceRunTest, InterrogateAndUnknownCodesReportTheStateAgain) {
    Start();
    ASSERT_TRUE(scm.SendControl(plat::SERVICE_CONTROL_INTERROGATE));
    ASSERT_TRUE(scm.SendControl(200));  // a user-defined code
    EXPECT_EQ(States(), (std::vector<uint32_t>{plat::SERVICE_START_PENDING, plat::SERVICE_RUNNING,
                                               plat::SERVICE_RUNNING, plat::SERVICE_RUNNING}));
    auto recorded = events.Events();
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].source, u"QuillnetM Plugin");
    EXPECT_EQ(recorded[0].type, plat::EVENTLOG_INFORMATION_TYPE);
    EXPECT_EQ(recorded[0].category, 0);
    EXPECT_EQ(recorded[0].eventId, 0u);
    EXPECT_EQ(recorded[0].strings, std::vector<std::u16string>{u"Bad service request"});
    EXPECT_EQ(events.OpenSources(), 0);
    Stop(plat::SERVICE_CONTROL_STOP);
}

TEST_F(ServiceRunTest, FailedStopPendingReportStopsOnceAndLogsOnce) {
    scm.SetFailure(plat::SimServiceManager::kSetStatus, 6, plat::SERVICE_STOP_PENDING);
    Start();
    Stop(plat::SERVICE_CONTROL_STOP);
    EXPECT_EQ(LogCount("SetServiceStatus fail \r\n"), 1u);
    EXPECT_EQ(LogCount("ABService ServiceProc Exit\r\n"), 1u);
    EXPECT_EQ(LogCount("ABService TerminateService Exist\r\n"), 1u);
    EXPECT_EQ(LogCount("ABService Exit\r\n"), 1u);
    EXPECT_EQ(States().back(), plat::SERVICE_STOPPED);
}

TEST_F(ServiceRunTest, HandlerRegistrationFailureEndsTheEntryPoint) {
    scm.SetFailure(plat::SimServiceManager::kRegisterHandler, 5);
    EXPECT_EQ(service.RunMode(u""), 0);
    EXPECT_EQ(LogTexts(), std::vector<std::string>{"RegisterServiceCtrlHandler fail:5\r\n"});
    EXPECT_TRUE(scm.Statuses().empty());
}

}  // namespace
