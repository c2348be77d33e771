// Everything a live view shares with the rest of the program: settings, the account, how to
// show messages, the wall, and the time limits (parameters so that tests can shorten them).
// Threading: read-only after set-up; the referenced objects have their own rules.
#pragma once

#include <chrono>
#include <vector>

#include "live/PaneHost.h"
#include "live/RecordingEvents.h"
#include "live/RecordingWriter.h"
#include "platform/audio/AudioBackends.h"
#include "platform/UserNotifier.h"
#include "service/AppRecord.h"
#include "service/GlobalSettings.h"
#include "service/HttpTransport.h"
#include "service/SessionRecovery.h"

namespace nimbrel {

struct LiveContext {
    GlobalSettings& g;
    const AppRecord& app;
    UserNotifier& notifier;
    PaneHost& panes;
    HttpOptions http{};
    int connectTimeoutMs = 5000;    // TCP connect to a camera or relay
    int udtAcceptTimeoutMs = 3000;  // the camera's UDT connection after the punch
    // A failed direct view is retried after firstRetry, then after twice as long each time, up to
    // checkPeriod between retries.
    std::chrono::milliseconds checkPeriod = std::chrono::minutes(5);
    std::chrono::milliseconds firstRetry = std::chrono::seconds(5);
    // A view whose stream brings nothing for this long has failed (a frozen camera or path).
    std::chrono::milliseconds stallLimit = std::chrono::seconds(10);
    // Renews the service session when requests go unanswered; null: no renewal.
    SessionRecovery* session = nullptr;
    // Seconds before a relayed view is cut, drawn at random; empty: the built-in table.
    std::vector<int> relayCutSeconds{};
    // Minutes per unit of the service's relay viewing limit (1 = real minutes; tests shrink it).
    std::chrono::milliseconds relayLimitUnit = std::chrono::minutes(1);
    // How long one minute of the recording length (FileLength) lasts (tests shrink it).
    std::chrono::milliseconds recordMinute = std::chrono::minutes(1);
    // How much of a recording may wait for the disk before frames are left out.
    std::size_t recordQueueBytes = RecordingWriter::kQueueBytes;
    // Hears of every recording file the cameras open and close (the archive's index and
    // retention); null: nobody.
    RecordingEvents* recordings = nullptr;
    // The sound devices of device audio and talk.
    AudioBackends audio = AudioBackends::FromEnvironment();
};

}  // namespace nimbrel
