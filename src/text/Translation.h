// The core's texts in the user's language: the core's texts are written in Russian, and the
// desktop program installs a translator that looks them up in its translation catalogue. Without
// one (nimbrelctl, tests) every text stays as written.
// Threading: Tr and Format may be called from any thread; SetTranslator before other threads use
// Tr (the desktop program installs it at start-up, before any window or worker exists).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Marks a text constant for the catalogue without translating it: the constant keeps its Russian
// text (tests and files compare with it), and the place that shows it translates it with Tr.
#define NIMBREL_TR_NOOP(context, source) source

namespace nimbrel::text {

// The catalogue context of every text of the Qt-free core: the windows translate a core text
// that reaches them whole (a message, a menu item, a tooltip) by this context.
inline constexpr const char* kCoreContext = "Core";

// Returns the translation of `source` (UTF-8), or `source` itself when it has none.
using TranslatorFunction = std::string (*)(const char* context, const char* source);

// Installs the translator; nullptr goes back to the texts as written.
void SetTranslator(TranslatorFunction translator);

// `source` in the user's language.
std::string Tr(const char* context, const char* source);

// `pattern` with "%1", "%2", … replaced by the arguments in order (at most 9), so that a
// translation may put them where its language wants them.
std::string Format(std::string_view pattern, std::initializer_list<std::string_view> arguments);

}  // namespace nimbrel::text
