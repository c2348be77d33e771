// What a simulated camera streams and how it misbehaves: the media it makes, its fixed stream
// port, the relay time limit the service announces for it, and its fault switches.
// Threading: plain data, read-only once the scenario is loaded; the reader is a pure function.
#pragma once

#include <json/value.h>

#include <optional>
#include <string>

#include "Result.h"
#include "camera/CardSpec.h"

namespace nimbrel::sim {

enum class AudioKind { Speex, Aac, None };

struct MediaSpec {
    int width = 640;
    int height = 360;
    int framePeriodMs = 40;  // announced as timeGap
    int bitRate = 1000000;   // announced as bitRate; the encoder's target
    int gop = 50;            // frames from one key frame to the next
    AudioKind audio = AudioKind::Speex;
    int audioSample = 16000;  // AAC sample rate (Speex is always 8000)
    int toneHz = 440;         // the frequency of the camera's tone
};

// Every time is in seconds after the client's "startup"; a negative time is off.
struct FaultSpec {
    double closeAfter = -1;   // send {"cmd":"close"} and end the connection
    double dropAfter = -1;    // close the connection without a word
    double stallAfter = -1;   // stop sending; keep reading and keep the socket open
    double brokenAfter = -1;  // send one broken packet (brokenKind), then stall
    // Once per run: the camera drops all its connections and refuses new ones (its stream port
    // closed, the relay and the rendezvous server without it) for rebootSeconds.
    double rebootAfter = -1;
    double rebootSeconds = 5;
    enum class Broken { UnknownKind, FragmentOverflow } brokenKind = Broken::UnknownKind;
    int mediaBeforeReply = 0;  // media packets sent between "connect" and its reply
    // Every n-th audio packet is bad (0: none): larger than a client's entry, or garbled bytes.
    int badAudioEvery = 0;
    // Once, a network hiccup: from holdAfter seconds on, video is held back for holdMs and
    // then sent all at once.
    double holdAfter = -1;
    int holdMs = 1000;
    enum class BadAudio { Oversized, Garbled } badAudioKind = BadAudio::Oversized;
    bool silentConnect = false;       // read "connect" but never answer it
    bool refuseConnect = false;       // the stream port is closed: connects are refused
    bool connectTimeout = false;      // the stream port never completes a connect
    bool silentRendezvous = false;    // the rendezvous server never answers for this device
    bool punchFromOtherPort = false;  // probes and UDT come from a port the rendezvous did not name
};

struct CameraSpec {
    MediaSpec media;
    FaultSpec faults;
    int streamPort = 0;                 // 0: ephemeral
    std::string transVideoLong = "-1";  // relay minutes allowed, as current.do names them
    std::optional<CardSpec> card;       // the recordings on its card; none: no card
};

const char* AudioKindName(AudioKind kind);

// Reads the camera members of one device object ("media", "faults", "streamPort",
// "transVideoLong", "card"; each optional). `where` names the device for messages
// ("devices[2]"); the error names the member at fault.
Result<CameraSpec> ReadCameraSpec(const Json::Value& device, const std::string& where);

}  // namespace nimbrel::sim
