// The session's fields are read under their lock while renewals rewrite them: the recording
// index request, sent over and over while the session is renewed again and again, reads the
// token whole (the thread-checking run finds a read without the lock).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ClientSession.h"
#include "playback/RecordIndexRequest.h"
#include "service/SessionRecovery.h"

namespace nimbrel::test {
namespace {

TEST(SessionLock, TheRecordIndexRequestReadsTheTokenWhileARenewalRewritesIt) {
    SimProcess sim("playback.json");
    ClientSession client;
    std::string why;
    ASSERT_TRUE(client.SignIn(sim, "pb_user", "pb123456", &why)) << why;
    SessionRecovery recovery(client.g, client.app, {});

    std::atomic<bool> done{false};
    int renewed = 0;
    std::thread renewing([&] {
        for (int i = 0; i < 6; ++i) renewed += recovery.Renew(recovery.Generation());
        done = true;
    });
    int asked = 0;
    while (!done) {
        LoadRecordIndex(client.g, client.app, "PB0000000001", {});
        ++asked;
    }
    renewing.join();
    EXPECT_EQ(renewed, 6);
    EXPECT_GT(asked, 0);
    // Once the renewals are done the index loads under the last session's token.
    EXPECT_EQ(LoadRecordIndex(client.g, client.app, "PB0000000001", {}).outcome,
              IndexReply::Outcome::Loaded);
}

}  // namespace
}  // namespace nimbrel::test
