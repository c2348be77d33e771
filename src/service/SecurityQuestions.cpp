#include "service/SecurityQuestions.h"

#include <array>

namespace nimbrel {
namespace {

// The question mark of each text is the full-width "？"; text 6 begins with a space.
constexpr std::array<std::string_view, 12> kQuestions{
    "Как зовут Вашу маму？",
    "Как зовут Вашего отца？",
    "Как зовут Вашего мужа/жену？",
    "Где Вы родились？",
    "Как зовут Вашу учительницу старших классов？",
    " Как зовут Вашу учительницу младших классов？",
    "Как зовут Вашу первую учительницу？",
    "Укажите название Вашей школы？",
    "Какой номер Вашего студенческого/служебного？",
    "Когда день рождения у Вашего отца？",
    "Когда день рождения у Вашей матери？",
    "Когда день рождения у Вашего супруга/супруги？",
};

}  // namespace

std::optional<std::string_view> SecurityQuestionText(int number) {
    if (number < kFirstQuestion || number > kLastQuestion) return std::nullopt;
    return kQuestions[static_cast<std::size_t>(number - kFirstQuestion)];
}

}  // namespace nimbrel
