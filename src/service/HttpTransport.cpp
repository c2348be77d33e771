#include "service/HttpTransport.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "platform/Log.h"
#include "service/ServiceCipher.h"

namespace nimbrel {
namespace {

struct Collector {
    std::string body;
    std::size_t limit = 0;
    bool overflow = false;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* c = static_cast<Collector*>(user);
    const std::size_t n = size * count;
    if (c->body.size() + n > c->limit) {
        c->overflow = true;
        return 0;  // ends the transfer with a write error
    }
    c->body.append(data, n);
    return n;
}

// The request line as the trace shows it: the wrapped payload (which carries the token, and a
// password digest in some requests) is replaced by a mark.
std::string TracedHeader(std::string_view header) {
    const auto data = header.find("data=");
    if (data == std::string_view::npos) return std::string(header);
    const auto end = header.find_first_of(" &\r\n", data);
    std::string shown(header.substr(0, data + 5));
    shown.append("***");
    if (end != std::string_view::npos) shown.append(header.substr(end));
    return shown;
}

int TraceCurl(CURL*, curl_infotype type, char* data, size_t size, void*) {
    if (type == CURLINFO_TEXT || type == CURLINFO_HEADER_IN)
        NLOG_TRACE("curl: " << std::string(data, size));
    else if (type == CURLINFO_HEADER_OUT)
        NLOG_TRACE("curl: " << TracedHeader(std::string_view(data, size)));
    return 0;
}

// Progress callback: a nonzero return aborts the transfer.
int CheckCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(user)->load() ? 1 : 0;
}

using Easy = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

// Runs one GET into `collector`; true when libcurl completed the transfer.
bool Fetch(const GlobalSettings& g, const std::string& url, Collector& collector,
           const HttpOptions& options, const char* userAgent) {
    HttpTransportInit();
    Easy easy(curl_easy_init(), &curl_easy_cleanup);
    if (!easy) return false;
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    // The templates without a port rely on the default port being m_Port.
    curl_easy_setopt(h, CURLOPT_PORT, static_cast<long>(g.m_Port));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, options.totalTimeoutMs);
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &collector);
    if (userAgent) curl_easy_setopt(h, CURLOPT_USERAGENT, userAgent);
    if (options.cancel) {
        if (options.cancel->load()) return false;
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CheckCancel);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(options.cancel));
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    }
    if (Log().isEnabledFor(log4cplus::TRACE_LOG_LEVEL)) {
        curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, &TraceCurl);
        curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    }
    const CURLcode rc = curl_easy_perform(h);
    if (rc != CURLE_OK) {
        NLOG_DEBUG("HttpGet: " << curl_easy_strerror(rc) << (collector.overflow ? " (too large)" : ""));
        return false;
    }
    return true;
}

}  // namespace

void HttpTransportInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

int HttpGet(const GlobalSettings& g, const std::string& url, std::string& out, int variant,
            std::size_t outCapacity, const HttpOptions& options) {
    out.clear();
    Collector collector;
    collector.limit = kReplyBodyLimit;
    if (!Fetch(g, url, collector, options, nullptr)) return 0;

    auto plain = variant == 1 ? DesUnwrap8(collector.body) : DesUnwrap(g, collector.body);
    if (!plain) return 1;  // not a wrapped body: the caller's JSON parse fails
    const std::size_t end = plain->find('\0');
    if (end != std::string::npos) plain->resize(end);
    if (plain->size() > outCapacity) return 0;
    out = std::move(*plain);
    return 1;
}

int HttpGetImage(const GlobalSettings& g, const std::string& url, std::vector<unsigned char>& block,
                 std::size_t& count, const HttpOptions& options) {
    Collector collector;
    collector.limit = kPictureLimit;
    if (!Fetch(g, url, collector, options, "velkor-Windows")) return 0;
    block.assign(collector.body.begin(), collector.body.end());
    count = collector.body.size();
    return 1;
}

}  // namespace nimbrel
