#include "text/Translation.h"

#include <atomic>

namespace nimbrel::text {
namespace {

std::atomic<TranslatorFunction> installed{nullptr};

}  // namespace

void SetTranslator(TranslatorFunction translator) {
    installed.store(translator, std::memory_order_release);
}

std::string Tr(const char* context, const char* source) {
    const TranslatorFunction translator = installed.load(std::memory_order_acquire);
    return translator ? translator(context, source) : std::string(source);
}

std::string Format(std::string_view pattern, std::initializer_list<std::string_view> arguments) {
    std::string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const std::size_t index = static_cast<std::size_t>(next - '1');
        if (pattern[i] == '%' && next >= '1' && next <= '9' && index < arguments.size()) {
            out += *(arguments.begin() + index);
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

}  // namespace nimbrel::text
