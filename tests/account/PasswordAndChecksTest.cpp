// The stored password form, the full-match checks of every account dialog, the encoding of
// security answers, and the text helpers they rest on.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <regex>
#include <stdexcept>
#include <vector>

#include "RecordingNotifier.h"
#include "service/GlobalSettings.h"
#include "service/LoginFlow.h"
#include "service/PasswordChangeFlow.h"
#include "service/PasswordConfirmFlow.h"
#include "service/PasswordMix.h"
#include "service/PasswordRecoveryFlow.h"
#include "service/SecurityQuestions.h"
#include "service/SharingFlow.h"
#include "text/FullMatchPattern.h"
#include "text/NumberText.h"
#include "text/WideText.h"

namespace nimbrel {
namespace {

TEST(PasswordMix, StoredFormOfATenCharacterPassword) {
    const auto mixed = PasswordMix("abcdef1234");
    ASSERT_TRUE(mixed);
    // HMAC-MD5 of "abcdef" under the mixing key, each of the first six digest bytes followed by
    // one password character, then the rest of the password.
    EXPECT_EQ(*mixed, "20abcbb3c2cdcfe27fa6287c028cb7374ac06e1234");
    EXPECT_EQ(mixed->size(), 42u);
    EXPECT_EQ(PasswordUnmix(*mixed), "abcdef1234");
}

TEST(PasswordMix, LengthsAndRoundTrips) {
    for (const std::string& p :
         std::vector<std::string>{"abcdef", "Zz_@.9xyz", std::string(64, 'q')}) {
        const auto mixed = PasswordMix(p);
        ASSERT_TRUE(mixed) << p;
        EXPECT_EQ(mixed->size(), 38 + p.size() - 6) << p;
        EXPECT_EQ(PasswordUnmix(*mixed), p);
        EXPECT_TRUE(PasswordMatches(p, *mixed));
    }
    // Only the first six characters are digested: later ones stand in the clear.
    EXPECT_EQ(PasswordMix("abcdefXYZ")->substr(0, 38), PasswordMix("abcdef")->substr(0, 38));
    EXPECT_NE(PasswordMix("abcdeg")->substr(0, 38), PasswordMix("abcdef")->substr(0, 38));
}

TEST(PasswordMix, ShortOrForeignTexts) {
    EXPECT_FALSE(PasswordMix("abcde"));
    EXPECT_FALSE(PasswordMix(""));
    EXPECT_FALSE(PasswordUnmix("0"));
    EXPECT_FALSE(PasswordUnmix(std::string(37, 'a')));
    EXPECT_EQ(PasswordUnmix(std::string(38, 'a')), "aaaaaa");
    const std::string stored = *PasswordMix("secret1");
    EXPECT_FALSE(PasswordMatches("secret", stored));
    EXPECT_FALSE(PasswordMatches("secret12", stored));
    EXPECT_FALSE(PasswordMatches("abc", stored));
    EXPECT_FALSE(PasswordMatches("", "0"));
}

// The login checks, in their order: name empty, name pattern, password empty, pattern.
TEST(LoginChecks, NamesAndPasswords) {
    EXPECT_FALSE(LoginFlow::CheckFields("abcd", "abcdef"));
    EXPECT_FALSE(LoginFlow::CheckFields("a.b@c_d", "a_b@c.d"));
    EXPECT_FALSE(LoginFlow::CheckFields(std::string(64, 'n'), std::string(64, 'p')));

    auto check = LoginFlow::CheckFields("", "");
    ASSERT_TRUE(check);
    EXPECT_EQ(check->hint, "Введите имя пользователя");
    EXPECT_EQ(check->focus, LoginBox::UserName);
    EXPECT_FALSE(check->cleared);

    for (const std::string& bad :
         std::vector<std::string>{"abc", "ab-cd", std::string(65, 'n'), "имяя", "ab cd"}) {
        check = LoginFlow::CheckFields(bad, "abcdef");
        ASSERT_TRUE(check) << bad;
        EXPECT_EQ(check->hint, "Имя может состоять из букв, цифр, длиной 4-64 символов");
        EXPECT_EQ(check->focus, LoginBox::UserName);
        EXPECT_TRUE(check->cleared);
        EXPECT_TRUE(check->alsoStatus);
    }

    check = LoginFlow::CheckFields("abcd", "");
    ASSERT_TRUE(check);
    EXPECT_EQ(check->hint, "Введите пароль");
    EXPECT_EQ(check->focus, LoginBox::Password);

    for (const std::string& bad :
         std::vector<std::string>{"abcde", "abc def", "abc-def", std::string(65, 'p')}) {
        check = LoginFlow::CheckFields("abcd", bad);
        ASSERT_TRUE(check) << bad;
        EXPECT_EQ(check->hint, "Пароль может состоять из букв, цифр, длиной 6-64 символов");
        EXPECT_EQ(check->focus, LoginBox::Password);
        EXPECT_TRUE(check->cleared);
    }
}

TEST(LoginChecks, ProgressText) {
    EXPECT_EQ(LoginFlow::ProgressText(1), "Вход.");
    EXPECT_EQ(LoginFlow::ProgressText(7), "Вход.......");
    EXPECT_EQ(LoginFlow::ProgressText(8), "Вход");
    EXPECT_EQ(LoginFlow::ProgressText(9), "Вход.");
}

// The recovery checks run before any request: with no service configured, a check that passed
// would try to send, so each refusal is also proof that nothing was sent.
TEST(RecoveryChecks, StepOneAndThreeRefusals) {
    GlobalSettings g;
    test::RecordingNotifier notifier;
    PasswordRecoveryFlow flow(g, notifier);

    auto check = flow.SubmitAccount("");
    EXPECT_FALSE(check.started);
    EXPECT_EQ(check.message, "Введите имя пользователя");
    EXPECT_EQ(check.caption, "\u00A0подсказки\u00A0");
    EXPECT_EQ(check.focus, RecoveryBox::AccountName);

    for (const std::string bad : {"abc", "a.bcd", "ab@cd"}) {  // no "@" or "." here
        check = flow.SubmitAccount(bad);
        EXPECT_FALSE(check.started);
        EXPECT_EQ(check.message, "Имя может состоять из букв, цифр, длиной 4-64 символов");
        EXPECT_EQ(check.caption, "\u00A0подсказки");
        EXPECT_EQ(check.clear, RecoveryBox::AccountName);
    }
    ASSERT_EQ(notifier.Messages().size(), 4u);
    EXPECT_EQ(notifier.Messages()[0].caption, "\u00A0подсказки\u00A0");

    // Steps 2 and 3 are not reachable before step 1 succeeded.
    EXPECT_FALSE(flow.SubmitAnswer(0, "x").started);
    EXPECT_TRUE(flow.SubmitNewPassword("abcdef", "abcdef").message.empty());
    EXPECT_EQ(notifier.Messages().size(), 4u);
}

TEST(RecoveryChecks, AnswerEncoding) {
    EXPECT_EQ(PasswordRecoveryFlow::EncodeAnswer("Aa 1"), "%41%61%20%31");
    // Four Cyrillic letters are eight UTF-8 bytes, each as "%" and two upper-case digits.
    EXPECT_EQ(PasswordRecoveryFlow::EncodeAnswer("мама"), "%D0%BC%D0%B0%D0%BC%D0%B0");
    // At most 259 bytes, never half a character: 130 two-byte letters give 129 whole ones.
    const std::string longAnswer = [] {
        std::string s;
        for (int i = 0; i < 130; ++i) s += "ж";
        return s;
    }();
    EXPECT_EQ(PasswordRecoveryFlow::EncodeAnswer(longAnswer).size(), 258u * 3);
    // Malformed bytes are sent as the replacement character.
    EXPECT_EQ(PasswordRecoveryFlow::EncodeAnswer("\xff"), "%EF%BF%BD");
}

TEST(RecoveryChecks, QuestionTable) {
    EXPECT_EQ(SecurityQuestionText(3), "Как зовут Вашего мужа/жену？");
    EXPECT_EQ(SecurityQuestionText(12), "Когда день рождения у Вашего супруга/супруги？");
    EXPECT_EQ(SecurityQuestionText(6)->substr(0, 1), " ");
    EXPECT_EQ(SecurityQuestionText(1), "Как зовут Вашу маму？");
    EXPECT_FALSE(SecurityQuestionText(0));
    EXPECT_FALSE(SecurityQuestionText(13));
    EXPECT_FALSE(SecurityQuestionText(-1));
}

TEST(PasswordConfirm, ChecksAgainstTheStoredForm) {
    PasswordConfirmFlow flow(*PasswordMix("s3cret_x"));
    auto result = flow.Confirm("");
    EXPECT_FALSE(result.accepted);
    EXPECT_TRUE(result.clearBox);
    EXPECT_EQ(flow.StatusText(), "Введите пароль");
    flow.Edited();
    EXPECT_EQ(flow.StatusText(), "");
    result = flow.Confirm("s3cret_y");
    EXPECT_FALSE(result.accepted);
    EXPECT_FALSE(result.clearBox);
    EXPECT_EQ(flow.StatusText(), "Неверно введен пароль");
    EXPECT_FALSE(flow.Confirm("s3c").accepted);  // shorter than any password
    EXPECT_TRUE(flow.Confirm("s3cret_x").accepted);
}

// The settings page's checks, in their order; none of them reaches the service.
TEST(PasswordChangeChecks, OrderAndPatterns) {
    GlobalSettings g;
    AppRecord app;
    test::RecordingNotifier notifier;
    std::string stored = *PasswordMix("old.pw@1");
    std::copy(stored.begin(), stored.end(), app.m_StoredPassword);
    PasswordChangeFlow flow(g, app, notifier);

    struct Case {
        const char* old;
        const char* fresh;
        const char* repeat;
        PasswordBox box;
        const char* status;
        bool clear;
    } cases[] = {
        {"", "", "", PasswordBox::Old, "Пожалуйста, введите старый пароль", false},
        {"old.pw@1", "", "", PasswordBox::New, "Пожалуйста, введите новый пароль", false},
        {"old.pw@1", "new.pw@2", "", PasswordBox::Repeat, "Введите новый пароль еще раз", false},
        {"old-pw", "new.pw@2", "new.pw@2", PasswordBox::Old, "Неверно введен пароль", true},
        {"old.pw@1", "new pw", "new pw", PasswordBox::New, "Неверный формат введенного пароля",
         true},
        {"old.pw@1", "new.pw@2", "new.pw@3", PasswordBox::Repeat,
         "Введенные пароли не соответствуют", true},
        {"old.pw@9", "new.pw@2", "new.pw@2", PasswordBox::Old, "Старый пароль введен неверно",
         true},
    };
    for (const auto& c : cases) {
        const auto check = flow.Apply(c.old, c.fresh, c.repeat);
        EXPECT_FALSE(check.started) << c.status;
        EXPECT_EQ(check.box, c.box) << c.status;
        EXPECT_EQ(check.status, c.status);
        EXPECT_EQ(check.clear, c.clear) << c.status;
    }
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST(SharingChecks, AddRefusalsAreHints) {
    GlobalSettings g;
    AppRecord app;
    test::RecordingNotifier notifier;
    SharingFlow flow(g, app, notifier, "SID1");
    auto check = flow.Add("");
    EXPECT_FALSE(check.started);
    EXPECT_EQ(check.hint, "Введите имя пользователя");
    EXPECT_EQ(check.hintMs, 1000);
    check = flow.Add("a.bcd");  // a dot is fine for the login but not here
    EXPECT_FALSE(check.started);
    EXPECT_TRUE(check.selectText);
    EXPECT_EQ(check.hint, "Имя может состоять из букв, цифр, длиной 4-64 символов");
    EXPECT_EQ(check.hintMs, 2000);
    ASSERT_EQ(notifier.Messages().size(), 2u);
    EXPECT_EQ(notifier.Messages()[1].caption, "");  // a notice, not a message box

    // With an empty list every delete is a hint, worded after where it came from.
    auto prompt = flow.PrepareDelete(std::nullopt, DeleteSource::Button);
    EXPECT_EQ(prompt.action, DeletePrompt::Action::Hint);
    EXPECT_EQ(prompt.text, "Выберите пользователя для удаления");
    prompt = flow.PrepareDelete(0, DeleteSource::Menu);
    EXPECT_EQ(prompt.text, " Выберите пользователя для удаления");
    EXPECT_EQ(prompt.hintMs, 1000);
    const auto menu = flow.Menu(std::nullopt);
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_EQ(menu[0].command, 3102);
    EXPECT_STREQ(menu[0].text, "Обновить список пользователей");
}

TEST(FullMatch, WholeTextOnlyAndBounded) {
    const FullMatchPattern name(L"^([a-zA-Z0-9]|[_]){4,64}$");
    EXPECT_TRUE(name.Matches(L"ab_9"));
    EXPECT_FALSE(name.Matches(L"ab_9\n"));
    EXPECT_FALSE(name.Matches(L"x ab_9"));
    EXPECT_FALSE(
        name.MatchesUtf8("ab\xff"
                         "cd"));
    const FullMatchPattern any(L"^.*$");
    EXPECT_TRUE(any.Matches(std::wstring(FullMatchPattern::kMaxText, L'a')));
    EXPECT_FALSE(any.Matches(std::wstring(FullMatchPattern::kMaxText + 1, L'a')));
    EXPECT_FALSE(any.MatchesUtf8(std::string(100000, 'a')));
    EXPECT_FALSE(any.Matches(L"a\nb"));
}

// The program's own patterns agree with an ECMAScript engine on random texts drawn from allowed,
// neighbouring and foreign characters, at lengths around every bound.
TEST(FullMatch, AgreesWithTheExpressionEngineOnTheProgramsPatterns) {
    const wchar_t* patterns[] = {L"^([a-zA-Z0-9]|[_]){4,64}$",
                                 L"^([a-zA-Z0-9]|[@._]){6,64}$",
                                 L"^([a-zA-Z0-9]|[_]){6,64}$",
                                 L"^([a-zA-Z0-9]|[_@.]){4,64}$",
                                 L"^([a-zA-Z0-9]|[_@]|[.]){6,64}$",
                                 L"^.*$",
                                 L"^[a-c]{2}$"};
    const std::wstring alphabet = L"azAZ09_@.-/ \n\u0436`[{";
    std::mt19937 random(7);
    for (const wchar_t* pattern : patterns) {
        const FullMatchPattern ours(pattern);
        const std::wregex engine(pattern, std::regex_constants::ECMAScript);
        for (int i = 0; i < 400; ++i) {
            std::wstring text(random() % 70, L'a');
            for (wchar_t& c : text) c = alphabet[random() % alphabet.size()];
            EXPECT_EQ(ours.Matches(text), std::regex_match(text, engine))
                << pattern << " on \"" << text << "\"";
        }
    }
    for (const wchar_t* bad : {L"", L"abc", L"^(a|b", L"^a{3,1}$", L"^[b-a]$", L"^a$x", L"^ab$"}) {
        EXPECT_THROW(FullMatchPattern{bad}, std::invalid_argument);
    }
}

TEST(WideText, MalformedBytesBecomeReplacements) {
    EXPECT_EQ(WideFromUtf8("aж€😀"), L"aж€\U0001F600");
    EXPECT_EQ(Utf8FromWide(L"aж€\U0001F600"), "aж€😀");
    EXPECT_EQ(WideFromUtf8("\xc0\xaf"), L"\uFFFD\uFFFD");            // overlong
    EXPECT_EQ(WideFromUtf8("\xed\xa0\x80"), L"\uFFFD\uFFFD\uFFFD");  // surrogate
    EXPECT_EQ(WideFromUtf8("a\xe2\x82"), L"a\uFFFD\uFFFD");          // cut at the end
    EXPECT_EQ(WideFromUtf8("\x80z"), L"\uFFFDz");
    EXPECT_EQ(Utf8Prefix("aжb", 2), "a");
    EXPECT_EQ(Utf8Prefix("aжb", 3), "aж");
    EXPECT_EQ(Utf8Prefix("ab", 5), "ab");
}

TEST(NumberText, AtoiWithoutOverflow) {
    EXPECT_EQ(AtoiText("8080"), 8080);
    EXPECT_EQ(AtoiText("  -12abc"), -12);
    EXPECT_EQ(AtoiText("+7"), 7);
    EXPECT_EQ(AtoiText("abc"), 0);
    EXPECT_EQ(AtoiText(""), 0);
    EXPECT_EQ(AtoiText("-"), 0);
    EXPECT_EQ(AtoiText("99999999999999999999"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(AtoiText("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(AtoiText("-99999999999"), std::numeric_limits<int32_t>::min());
    EXPECT_FALSE(LeadingInt("x1"));
}

}  // namespace
}  // namespace nimbrel
