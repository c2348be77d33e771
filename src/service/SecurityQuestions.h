// The fixed table of security questions; the service names questions by their numbers.
// Threading: read-only data, callable from any thread.
#pragma once

#include <optional>
#include <string_view>

namespace nimbrel {

inline constexpr int kFirstQuestion = 1;
inline constexpr int kLastQuestion = 12;

// The text of question `number` (1..12); nothing for any other number.
std::optional<std::string_view> SecurityQuestionText(int number);

}  // namespace nimbrel
