#include "Mp4Probe.h"

#include <json/reader.h>
#include <json/value.h>
#include <sys/wait.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "media/PaneScaler.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace nimbrel::test {
namespace {

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

std::string RunShell(const std::string& command, int* status) {
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    if (!pipe) {
        if (status) *status = -1;
        return out;
    }
    char buf[4096];
    while (std::size_t n = fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
    const int rc = pclose(pipe);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

Mp4Facts ProbeMp4(const std::filesystem::path& path) {
    Mp4Facts facts;
    const std::string errors = (std::filesystem::temp_directory_path() /
                                ("ffprobe-" + std::to_string(::getpid()) + ".err"))
                                   .string();
    int status = 0;
    const std::string json = RunShell(
        "ffprobe -v error -count_frames -select_streams v -show_entries "
        "stream=codec_name,width,height,nb_read_frames,time_base:format=duration:"
        "frame=key_frame:packet=pts -of json " +
            Quote(path.string()) + " 2>" + Quote(errors),
        &status);
    std::ifstream err(errors);
    std::stringstream said;
    said << err.rdbuf();
    facts.error = said.str();
    std::filesystem::remove(errors);
    Json::Value root;
    std::istringstream in(json);
    std::string why;
    if (status != 0 || !Json::parseFromStream(Json::CharReaderBuilder(), in, &root, &why))
        return facts;
    const Json::Value& streams = root["streams"];
    if (streams.size() != 1 || streams[0]["codec_name"].asString() != "h264") return facts;
    facts.read = true;
    facts.width = streams[0]["width"].asInt();
    facts.height = streams[0]["height"].asInt();
    facts.frames = std::stol(streams[0]["nb_read_frames"].asString());
    facts.timeBase = streams[0]["time_base"].asString();
    facts.duration = std::stod(root["format"].get("duration", "0").asString());
    // Asked for both, ffprobe lists packets and frames in one array, each with its type.
    for (const Json::Value& item : root["packets_and_frames"]) {
        if (item["type"].asString() == "frame") {
            facts.keyFrames.push_back(item["key_frame"].asInt() == 1);
        } else if (item["type"].asString() == "packet") {
            facts.packetTimes.push_back(item["pts"].asInt64());
        }
    }
    return facts;
}

std::vector<std::string> DecodeMp4Pictures(const std::filesystem::path& path) {
    std::vector<std::string> pictures;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return pictures;
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> closeFormat(
        format, [](AVFormatContext* f) { avformat_close_input(&f); });
    if (avformat_find_stream_info(format, nullptr) < 0) return pictures;
    const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) return pictures;
    const AVCodec* codec = avcodec_find_decoder(format->streams[video]->codecpar->codec_id);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> freeContext(
        context, [](AVCodecContext* c) { avcodec_free_context(&c); });
    avcodec_parameters_to_context(context, format->streams[video]->codecpar);
    context->thread_count = 1;
    if (avcodec_open2(context, codec, nullptr) < 0) return pictures;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    PaneScaler scaler;
    std::vector<uint8_t> bgr;
    auto drain = [&] {
        while (avcodec_receive_frame(context, frame) == 0) {
            if (scaler.ConvertFullSize(*frame, bgr))
                pictures.emplace_back(reinterpret_cast<const char*>(bgr.data()), bgr.size());
            av_frame_unref(frame);
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == video && avcodec_send_packet(context, packet) >= 0) drain();
        av_packet_unref(packet);
    }
    avcodec_send_packet(context, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    return pictures;
}

}  // namespace nimbrel::test
