#include "camera/CameraSpec.h"

#include "ScenarioReader.h"

namespace nimbrel::sim {
namespace {

bool IsAacRate(int rate) {
    for (int r :
         {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000})
        if (r == rate) return true;
    return false;
}

MediaSpec ReadMedia(const Json::Value& value, const std::string& where) {
    ScenarioObject o(value, where);
    MediaSpec m;
    m.width = o.Int("width", m.width, 16, 1920);
    m.height = o.Int("height", m.height, 16, 1088);
    if (m.width % 2 || m.height % 2) Fail(where, "width and height must be even");
    m.framePeriodMs = o.Int("framePeriodMs", m.framePeriodMs, 10, 1000);
    m.bitRate = o.Int("bitRate", m.bitRate, 32000, 8000000);
    m.gop = o.Int("gop", m.gop, 1, 250);
    const std::string audio = o.Text("audio", "speex");
    if (audio == "speex")
        m.audio = AudioKind::Speex;
    else if (audio == "aac")
        m.audio = AudioKind::Aac;
    else if (audio == "none")
        m.audio = AudioKind::None;
    else
        Fail(o.At("audio"), "must be speex, aac or none");
    m.audioSample = o.Int("audioSample", m.audioSample, 8000, 96000);
    if (!IsAacRate(m.audioSample)) Fail(o.At("audioSample"), "is not an AAC sample rate");
    // Below half the lowest rate (Speex's 8000 Hz), so that every kind can carry it.
    m.toneHz = o.Int("toneHz", m.toneHz, 50, 3900);
    o.CheckAllKnown();
    return m;
}

FaultSpec ReadFaults(const Json::Value& value, const std::string& where) {
    ScenarioObject o(value, where);
    FaultSpec f;
    f.closeAfter = o.Seconds("closeAfter");
    f.dropAfter = o.Seconds("dropAfter");
    f.stallAfter = o.Seconds("stallAfter");
    f.brokenAfter = o.Seconds("brokenAfter");
    f.rebootAfter = o.Seconds("rebootAfter");
    if (const double down = o.Seconds("rebootSeconds"); down >= 0) f.rebootSeconds = down;
    const std::string kind = o.Text("brokenKind", "unknownKind");
    if (kind == "unknownKind")
        f.brokenKind = FaultSpec::Broken::UnknownKind;
    else if (kind == "fragmentOverflow")
        f.brokenKind = FaultSpec::Broken::FragmentOverflow;
    else
        Fail(o.At("brokenKind"), "must be unknownKind or fragmentOverflow");
    f.mediaBeforeReply = o.Int("mediaBeforeReply", 0, 0, 100);
    f.badAudioEvery = o.Int("badAudioEvery", 0, 0, 1000);
    f.holdAfter = o.Seconds("holdAfter");
    f.holdMs = o.Int("holdMs", f.holdMs, 1, 60000);
    const std::string bad = o.Text("badAudioKind", "oversized");
    if (bad == "oversized")
        f.badAudioKind = FaultSpec::BadAudio::Oversized;
    else if (bad == "garbled")
        f.badAudioKind = FaultSpec::BadAudio::Garbled;
    else
        Fail(o.At("badAudioKind"), "must be oversized or garbled");
    f.silentConnect = o.Bool("silentConnect");
    f.refuseConnect = o.Bool("refuseConnect");
    f.connectTimeout = o.Bool("connectTimeout");
    f.silentRendezvous = o.Bool("silentRendezvous");
    f.punchFromOtherPort = o.Bool("punchFromOtherPort");
    if (f.refuseConnect && f.connectTimeout)
        Fail(where, "refuseConnect and connectTimeout exclude each other");
    o.CheckAllKnown();
    return f;
}

}  // namespace

const char* AudioKindName(AudioKind kind) {
    switch (kind) {
        case AudioKind::Speex:
            return "speex";
        case AudioKind::Aac:
            return "aac";
        case AudioKind::None:
            return "none";
    }
    return "speex";
}

Result<CameraSpec> ReadCameraSpec(const Json::Value& device, const std::string& where) {
    CameraSpec c;
    try {
        if (!device.isObject()) Fail(where, "must be an object");
        if (device.isMember("media")) c.media = ReadMedia(device["media"], where + ".media");
        if (device.isMember("faults")) c.faults = ReadFaults(device["faults"], where + ".faults");
        if (device.isMember("streamPort")) {
            const Json::Value& v = device["streamPort"];
            if (!v.isInt() || v.asInt() < 0 || v.asInt() > 65535)
                Fail(where + ".streamPort", "must be an integer in 0..65535");
            c.streamPort = v.asInt();
        }
        if (device.isMember("transVideoLong")) {
            const Json::Value& v = device["transVideoLong"];
            if (!v.isString() || v.asString().empty() || v.asString().size() > 16)
                Fail(where + ".transVideoLong", "must be a text of minutes, \"-1\" for no limit");
            c.transVideoLong = v.asString();
        }
        if (device.isMember("card")) {
            auto card = ReadCardSpec(device["card"], where + ".card");
            if (!card) throw ScenarioError{card.error()};
            c.card = card.value();
        }
    } catch (const ScenarioError& e) {
        return Result<CameraSpec>::Fail(e.message);
    }
    return Result<CameraSpec>::Ok(std::move(c));
}

}  // namespace nimbrel::sim
