// The worker that runs a dialog's request: delivery, abandoning before and during delivery,
// abandoning from inside the delivery, one run at a time, and cancelling for good with or
// without waiting for the thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/RequestWorker.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;
constexpr auto kWait = 60s;

TEST(RequestWorker, DeliversTheResultOnce) {
    RequestWorker worker("t-deliver");
    std::atomic<int> delivered{0};
    std::promise<void> go;
    auto goFuture = go.get_future().share();
    ASSERT_TRUE(worker.Start<int>(
        [goFuture] {
            goFuture.wait();
            return 42;
        },
        [&](int& v) { delivered += v; }));
    EXPECT_TRUE(worker.Running());
    EXPECT_FALSE(worker.Start<int>([] { return 1; }, [](int&) {}));  // one run at a time
    go.set_value();
    ASSERT_TRUE(worker.Wait(kWait));
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(delivered, 42);
    ASSERT_TRUE(worker.Start<int>([] { return 1; }, [&](int& v) { delivered += v; }));
    ASSERT_TRUE(worker.Wait(kWait));
    EXPECT_EQ(delivered, 43);
}

TEST(RequestWorker, AbandonedBeforeTheResultNeverDelivers) {
    std::atomic<int> delivered{0};
    std::promise<void> go;
    auto goFuture = go.get_future().share();
    {
        RequestWorker worker("t-abandon");
        ASSERT_TRUE(worker.Start<int>(
            [goFuture] {
                goFuture.wait();
                return 1;
            },
            [&](int&) { ++delivered; }));
        worker.Abandon();
        EXPECT_FALSE(worker.Running());
        EXPECT_TRUE(worker.Wait(1ms));
        // A new run may start while the abandoned thread still waits.
        ASSERT_TRUE(worker.Start<int>([] { return 5; }, [&](int& v) { delivered += v * 10; }));
        ASSERT_TRUE(worker.Wait(kWait));
    }
    go.set_value();
    ASSERT_TRUE(RequestWorker::WaitForAllThreads(kWait));
    EXPECT_EQ(delivered, 50);
}

// Abandon from another thread while the result is being delivered returns only after the
// delivery is over.
TEST(RequestWorker, AbandonWaitsOutADeliveryUnderWay) {
    RequestWorker worker("t-during");
    std::atomic<bool> inDelivery{false};
    std::promise<void> release;
    auto releaseFuture = release.get_future().share();
    ASSERT_TRUE(worker.Start<int>([] { return 0; },
                                  [&, releaseFuture](int&) {
                                      inDelivery = true;
                                      releaseFuture.wait();
                                      inDelivery = false;
                                  }));
    while (!inDelivery) std::this_thread::sleep_for(1ms);
    std::atomic<bool> stillDeliveringAtReturn{true};
    std::thread other([&] {
        worker.Abandon();
        stillDeliveringAtReturn = inDelivery.load();
    });
    std::this_thread::sleep_for(50ms);
    release.set_value();
    other.join();
    EXPECT_FALSE(stillDeliveringAtReturn);
    ASSERT_TRUE(RequestWorker::WaitForAllThreads(kWait));
}

TEST(RequestWorker, AbandonFromInsideTheDeliveryDoesNotHang) {
    auto worker = std::make_shared<RequestWorker>("t-inside");
    std::atomic<bool> done{false};
    ASSERT_TRUE(worker->Start<int>([] { return 0; },
                                   [&, w = worker.get()](int&) {
                                       EXPECT_TRUE(w->Running());
                                       w->Abandon();
                                       EXPECT_FALSE(w->Running());
                                       done = true;
                                   }));
    ASSERT_TRUE(RequestWorker::WaitForAllThreads(kWait));
    EXPECT_TRUE(done);
}

// Cancel drops the result, raises the flag the work's transfers watch and refuses every later
// start; CancelAndWait returns only once the thread has let go of its work.
TEST(RequestWorker, CancelEndsTheRunAndRefusesNewOnes) {
    std::atomic<int> delivered{0};
    std::atomic<bool> workEnded{false};
    auto worker = std::make_unique<RequestWorker>("t-cancel");
    const std::atomic<bool>& cancel = worker->CancelFlag();
    // A work that, like a transfer, runs until the flag is raised.
    ASSERT_TRUE(worker->Start<int>(
        [&cancel, &workEnded] {
            while (!cancel) std::this_thread::sleep_for(1ms);
            workEnded = true;
            return 1;
        },
        [&](int&) { ++delivered; }));
    EXPECT_FALSE(worker->Cancelled());
    worker->Cancel();
    EXPECT_TRUE(worker->Cancelled());
    EXPECT_TRUE(cancel);
    EXPECT_FALSE(worker->Running());
    EXPECT_FALSE(worker->Start<int>([] { return 2; }, [&](int&) { ++delivered; }));
    worker->CancelAndWait();
    EXPECT_TRUE(workEnded);
    worker.reset();
    ASSERT_TRUE(RequestWorker::WaitForAllThreads(kWait));
    EXPECT_EQ(delivered, 0);
}

// The thread of an abandoned run may outlive its worker; the cancel flag it was handed stays
// valid until it ends.
TEST(RequestWorker, AbandonedWorkOutlivesItsWorker) {
    std::promise<void> go;
    auto goFuture = go.get_future().share();
    std::atomic<bool> sawCancel{true};
    {
        RequestWorker worker("t-outlive");
        const std::atomic<bool>* cancel = &worker.CancelFlag();
        ASSERT_TRUE(worker.Start<int>(
            [goFuture, cancel, &sawCancel] {
                goFuture.wait();
                sawCancel = cancel->load();
                return 0;
            },
            [](int&) { ADD_FAILURE() << "an abandoned run delivered"; }));
    }
    go.set_value();
    ASSERT_TRUE(RequestWorker::WaitForAllThreads(kWait));
    EXPECT_FALSE(sawCancel);
}

}  // namespace
}  // namespace nimbrel
