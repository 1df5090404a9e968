#include "platform/thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korv::platform {
namespace {

using namespace std::chrono_literals;

// What a test thread did, kept outside the thread object so that it can be
// checked after the object is gone.
struct Record {
    std::mutex mutex;
    std::vector<std::string> calls;
    std::vector<uint32_t> messages;
    std::thread::id initThread;
    std::thread::id exitThread;

    void Add(std::string call) {
        std::lock_guard lock(mutex);
        calls.push_back(std::move(call));
    }
    std::vector<std::string> Calls() {
        std::lock_guard lock(mutex);
        return calls;
    }
    std::vector<uint32_t> Messages() {
        std::lock_guard lock(mutex);
        return messages;
    }
};

class RecordingThread : public Thread {
public:
    RecordingThread(std::shared_ptr<Record> record, bool initResult, std::optional<int> exitOverride = {})
        : record_(std::move(record)), initResult_(initResult), exitOverride_(exitOverride) {}
    ~RecordingThread() override {
        // Stop the thread while the overrides still exist.
        if (IsCreated() && !HasEnded()) {
            Resume();
            PostQuit();
        }
        Join();
    }

protected:
    bool InitInstance() override {
        {
            std::lock_guard lock(record_->mutex);
            record_->initThread = std::this_thread::get_id();
        }
        record_->Add("init");
        return initResult_;
    }
    int Run() override {
        record_->Add("run");
        return Thread::Run();
    }
    void OnMessage(const ThreadMessage& message) override {
        std::lock_guard lock(record_->mutex);
        record_->messages.push_back(message.id);
    }
    int ExitInstance() override {
        {
            std::lock_guard lock(record_->mutex);
            record_->exitThread = std::this_thread::get_id();
        }
        record_->Add("exit");
        return exitOverride_ ? *exitOverride_ : Thread::ExitInstance();
    }

private:
    std::shared_ptr<Record> record_;
    bool initResult_;
    std::optional<int> exitOverride_;
};

using Calls = std::vector<std::string>;

TEST(ThreadTest, LifeCycleRunsOnTheNewThreadInOrder) {
    auto record = std::make_shared<Record>();
    RecordingThread thread(record, true);
    EXPECT_FALSE(thread.IsCreated());
    ASSERT_TRUE(thread.CreateThread(false));
    EXPECT_TRUE(thread.IsCreated());
    EXPECT_FALSE(thread.CreateThread(false)) << "a thread is created only once";

    EXPECT_FALSE(thread.ExitCode().has_value());
    EXPECT_TRUE(thread.PostQuit(7));
    ASSERT_TRUE(thread.WaitForEnd(2000));
    thread.Join();

    EXPECT_EQ(record->Calls(), (Calls{"init", "run", "exit"}));
    EXPECT_NE(record->initThread, std::this_thread::get_id());
    EXPECT_EQ(record->initThread, record->exitThread);
    // The default ExitInstance gives the quit message's exit code.
    EXPECT_EQ(thread.ExitCode(), 7);
    EXPECT_TRUE(thread.HasEnded());
}

TEST(ThreadTest, FailedInitInstanceSkipsRunButStillExits) {
    auto record = std::make_shared<Record>();
    RecordingThread thread(record, false, 3);
    ASSERT_TRUE(thread.CreateThread(false));
    ASSERT_TRUE(thread.WaitForEnd(2000));
    EXPECT_EQ(record->Calls(), (Calls{"init", "exit"}));
    EXPECT_EQ(thread.ExitCode(), 3);
}

TEST(ThreadTest, ExitInstanceGivesTheFinalExitCode) {
    auto record = std::make_shared<Record>();
    RecordingThread thread(record, true, 42);
    ASSERT_TRUE(thread.CreateThread(false));
    thread.PostQuit(1);
    ASSERT_TRUE(thread.WaitForEnd(2000));
    EXPECT_EQ(thread.ExitCode(), 42);
}

TEST(ThreadTest, SuspendedThreadWaitsForResume) {
    auto record = std::make_shared<Record>();
    RecordingThread thread(record, true);
    ASSERT_TRUE(thread.CreateThread(true));
    // Messages may be queued before the thread runs; they are kept.
    EXPECT_TRUE(thread.PostMessage(0x400));

    EXPECT_FALSE(thread.WaitForEnd(100));
    EXPECT_TRUE(record->Calls().empty());

    thread.Resume();
    thread.PostQuit(5);
    ASSERT_TRUE(thread.WaitForEnd(2000));
    EXPECT_EQ(record->Calls(), (Calls{"init", "run", "exit"}));
    EXPECT_EQ(record->Messages(), (std::vector<uint32_t>{0x400}));
    EXPECT_EQ(thread.ExitCode(), 5);
}

TEST(ThreadTest, DestroyingANeverResumedThreadRunsNothingAndDoesNotHang) {
    auto record = std::make_shared<Record>();

    // A bare Thread subclass whose destructor leaves everything to the base.
    class Bare : public Thread {
    public:
        explicit Bare(std::shared_ptr<Record> r) : record_(std::move(r)) {}

    protected:
        bool InitInstance() override {
            record_->Add("init");
            return false;
        }
        int ExitInstance() override {
            record_->Add("exit");
            return 0;
        }

    private:
        std::shared_ptr<Record> record_;
    };

    auto thread = std::make_unique<Bare>(record);
    ASSERT_TRUE(thread->CreateThread(true));

    Event destroyed;
    std::thread destroyer([&] {
        thread.reset();
        destroyed.Set();
    });
    const bool done = destroyed.Wait(2000);
    if (done) {
        destroyer.join();
    } else {
        destroyer.detach();  // hung: report it rather than block the run
    }
    ASSERT_TRUE(done) << "destroying a suspended thread hung";
    EXPECT_TRUE(record->Calls().empty());
}

TEST(ThreadTest, MessagesArriveInOrderAndQuitEndsTheLoop) {
    auto record = std::make_shared<Record>();
    RecordingThread thread(record, true);
    ASSERT_TRUE(thread.CreateThread(false));

    std::vector<uint32_t> sent;
    for (uint32_t id = 0x400; id < 0x400 + 200; ++id) {
        ASSERT_TRUE(thread.PostMessage(id, id * 2, -static_cast<intptr_t>(id)));
        sent.push_back(id);
    }
    thread.PostQuit(9);
    ASSERT_TRUE(thread.WaitForEnd(2000));

    EXPECT_EQ(record->Messages(), sent);
    EXPECT_EQ(thread.ExitCode(), 9);
    EXPECT_FALSE(thread.PostMessage(0x401)) << "the thread has ended";
    EXPECT_FALSE(thread.PostQuit());
}

TEST(ThreadTest, MessagesFromSeveralThreadsAreAllDelivered) {
    auto record = std::make_shared<Record>();
    RecordingThread thread(record, true);
    ASSERT_TRUE(thread.CreateThread(false));

    constexpr int kPosters = 4;
    constexpr uint32_t kEach = 250;
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p) {
        posters.emplace_back([&, p] {
            for (uint32_t i = 0; i < kEach; ++i) thread.PostMessage(0x1000 * (p + 1) + i);
        });
    }
    for (auto& t : posters) t.join();
    thread.PostQuit();
    ASSERT_TRUE(thread.WaitForEnd(2000));

    const auto messages = record->Messages();
    ASSERT_EQ(messages.size(), kPosters * kEach);
    // Each poster's own messages keep their order.
    for (int p = 0; p < kPosters; ++p) {
        uint32_t next = 0x1000 * (p + 1);
        for (uint32_t id : messages) {
            if (id / 0x1000 == static_cast<uint32_t>(p + 1)) {
                EXPECT_EQ(id, next++);
            }
        }
    }
}

TEST(ThreadTest, PeekMessageDoesNotBlock) {
    class Peeker : public Thread {
    public:
        Event checkedEmpty, posted;
        bool emptyPeekFailed = false;
        ThreadMessage got;
        bool gotMessage = false;

    protected:
        bool InitInstance() override { return true; }
        int Run() override {
            ThreadMessage message;
            emptyPeekFailed = !PeekMessage(message);
            checkedEmpty.Set();
            posted.Wait(kInfinite);
            gotMessage = PeekMessage(got);
            return 11;
        }
    };

    Peeker thread;
    ASSERT_TRUE(thread.CreateThread(false));
    ASSERT_TRUE(thread.checkedEmpty.Wait(2000)) << "PeekMessage blocked on an empty queue";
    thread.PostMessage(0x500, 12, -13);
    thread.posted.Set();
    ASSERT_TRUE(thread.WaitForEnd(2000));
    thread.Join();

    EXPECT_TRUE(thread.emptyPeekFailed);
    ASSERT_TRUE(thread.gotMessage);
    EXPECT_EQ(thread.got.id, 0x500u);
    EXPECT_EQ(thread.got.wParam, 12u);
    EXPECT_EQ(thread.got.lParam, -13);
    EXPECT_EQ(thread.ExitCode(), 11);
}

TEST(ThreadTest, JoinIsSafeTwiceAndWithoutAThread) {
    auto record = std::make_shared<Record>();
    {
        RecordingThread never(record, true);
        never.Join();
        EXPECT_FALSE(never.WaitForEnd(0));
        EXPECT_FALSE(never.ExitCode().has_value());
    }
    EXPECT_TRUE(record->Calls().empty());

    RecordingThread thread(record, false);
    ASSERT_TRUE(thread.CreateThread(false));
    thread.Join();
    thread.Join();
    EXPECT_TRUE(thread.HasEnded());
    EXPECT_EQ(thread.ExitCode(), 0);
}

}  // namespace
}  // namespace korv::platform
