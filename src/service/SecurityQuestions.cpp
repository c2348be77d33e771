#include "service/SecurityQuestions.h"

#include <array>

#include "text/Translation.h"

namespace nimbrel {
namespace {

// The question mark of each text is the full-width "？"; text 6 begins with a space.
constexpr std::array<std::string_view, 12> kQuestions{
    NIMBREL_TR_NOOP("Core", "Как зовут Вашу маму？"),
    NIMBREL_TR_NOOP("Core", "Как зовут Вашего отца？"),
    NIMBREL_TR_NOOP("Core", "Как зовут Вашего мужа/жену？"),
    NIMBREL_TR_NOOP("Core", "Где Вы родились？"),
    NIMBREL_TR_NOOP("Core", "Как зовут Вашу учительницу старших классов？"),
    NIMBREL_TR_NOOP("Core", " Как зовут Вашу учительницу младших классов？"),
    NIMBREL_TR_NOOP("Core", "Как зовут Вашу первую учительницу？"),
    NIMBREL_TR_NOOP("Core", "Укажите название Вашей школы？"),
    NIMBREL_TR_NOOP("Core", "Какой номер Вашего студенческого/служебного？"),
    NIMBREL_TR_NOOP("Core", "Когда день рождения у Вашего отца？"),
    NIMBREL_TR_NOOP("Core", "Когда день рождения у Вашей матери？"),
    NIMBREL_TR_NOOP("Core", "Когда день рождения у Вашего супруга/супруги？"),
};

}  // namespace

std::optional<std::string_view> SecurityQuestionText(int number) {
    if (number < kFirstQuestion || number > kLastQuestion) return std::nullopt;
    return kQuestions[static_cast<std::size_t>(number - kFirstQuestion)];
}

}  // namespace nimbrel
