// The feedback message: its encoding and size limits, the saveAdvise.do payload as the service
// received it, the outcomes' messages, and the one-worker rule.
#include <gtest/gtest.h>

#include <chrono>

#include "LocalHttpServer.h"
#include "RecordingNotifier.h"
#include "SimProcess.h"
#include "TestAccount.h"
#include "platform/FixedText.h"
#include "service/FeedbackFlow.h"
#include "service/ServiceCipher.h"

namespace nimbrel {
namespace {

using namespace std::chrono_literals;

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

TEST(FeedbackEncoding, EveryByteIsPercentEncodedInUpperCaseHex) {
    EXPECT_EQ(FeedbackFlow::EncodeMessage("Hi"), "%48%69");
    EXPECT_EQ(FeedbackFlow::EncodeMessage("a\r\nb"), "%61%0D%0A%62");
    EXPECT_EQ(FeedbackFlow::EncodeMessage("Яz"), "%D0%AF%7A");
    EXPECT_EQ(FeedbackFlow::EncodeMessage("€"), "%E2%82%AC");
    EXPECT_EQ(FeedbackFlow::EncodeMessage("\xF0\x9F\x98\x80"), "%F0%9F%98%80");  // U+1F600
    EXPECT_EQ(FeedbackFlow::EncodeMessage("%&:"), "%25%26%3A");  // separators cannot leak
}

TEST(FeedbackEncoding, LineBreaksGoOutAsCrLf) {
    EXPECT_EQ(FeedbackFlow::EncodeMessage("a\nb"), "%61%0D%0A%62");
    EXPECT_EQ(FeedbackFlow::EncodeMessage("\n\n"), "%0D%0A%0D%0A");
    EXPECT_EQ(FeedbackFlow::EncodeMessage("a\r\n\nb"), "%61%0D%0A%0D%0A%62");
    EXPECT_EQ(FeedbackFlow::EncodeMessage("a\rb"), "%61%0D%62");  // a lone CR is no break
    EXPECT_EQ(FeedbackFlow::EncodeMessage("\r\r\n"), "%0D%0D%0A");
    // A break is two bytes and never split: at 259 bytes it no longer fits.
    EXPECT_EQ(FeedbackFlow::EncodeMessage(std::string(258, 'x') + "\ny")->size() / 3, 260u);
    EXPECT_EQ(FeedbackFlow::EncodeMessage(std::string(259, 'x') + "\ny")->size() / 3, 259u);
    EXPECT_EQ(FeedbackFlow::EncodeMessage(std::string(259, 'x') + "\r\n")->size() / 3, 259u);
    EXPECT_EQ(FeedbackFlow::EncodeMessage(std::string(200, '\n'))->size() / 3, 260u);
}

TEST(FeedbackEncoding, AtMost260BytesAreSentAndNoCharacterIsSplit) {
    const auto bytes = [](const std::optional<std::string>& e) { return e->size() / 3; };
    EXPECT_EQ(bytes(FeedbackFlow::EncodeMessage(std::string(500, 'x'))), 260u);
    EXPECT_EQ(bytes(FeedbackFlow::EncodeMessage(std::string(260, 'x'))), 260u);
    EXPECT_EQ(bytes(FeedbackFlow::EncodeMessage(Repeat("Ж", 200))), 260u);  // 130 characters
    // 86 three-byte characters fill 258 bytes; the 87th would need 261.
    const auto euros = FeedbackFlow::EncodeMessage(Repeat("€", 100));
    EXPECT_EQ(bytes(euros), 258u);
    EXPECT_EQ(euros->substr(euros->size() - 9), "%E2%82%AC");
    // A character that does not fit is dropped with everything after it, even smaller ones.
    const auto mixed = FeedbackFlow::EncodeMessage(std::string(258, 'x') + "€" + "yz");
    EXPECT_EQ(bytes(mixed), 258u);
}

TEST(FeedbackEncoding, TextThatIsNotUtf8IsRefused) {
    for (const std::string bad :
         {"\x80", "ab\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "ok\xE2\x82"})
        EXPECT_FALSE(FeedbackFlow::EncodeMessage(bad)) << testing::PrintToString(bad);
    // Also beyond the part that would be sent.
    EXPECT_FALSE(FeedbackFlow::EncodeMessage(std::string(300, 'x') + "\x80"));
}

class FeedbackFlowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InitAppRecord(app);
        std::string why;
        ASSERT_TRUE(test::PrepareClient(g, app, sim, &why)) << why;
        SetText(app.m_UserName, "demo_user");  // the request is signed with the name alone
    }

    test::SimProcess sim{"demo.json"};
    GlobalSettings g;
    AppRecord app;
    test::RecordingNotifier notifier;
};

TEST_F(FeedbackFlowTest, TheServiceReceivesTheSignedEncodedMessage) {
    FeedbackFlow flow(g, app, notifier);
    EXPECT_EQ(flow.Send("Hi\nЯ"), FeedbackOutcome::Sent);
    const auto requests = sim.Requests("saveAdvise.do");
    ASSERT_EQ(requests.size(), 1u);
    const std::vector<std::pair<std::string, std::string>> expected{
        {"uid", "demo_user"},
        {"appAdvise", "%48%69%0D%0A%D0%AF"},
        {"token", HmacSha1Hex(g, "demo_user")}};
    EXPECT_EQ(test::PayloadPairs(requests[0]), expected);
    EXPECT_EQ(requests[0]["decoded"]["appAdvise"].asString(), "Hi\r\nЯ");
    EXPECT_EQ(requests[0]["status"].asString(), "OK");
}

TEST_F(FeedbackFlowTest, RefusalsAndTransferFailuresFail) {
    SetText(app.m_UserName, "nobody_here");
    FeedbackFlow unknown(g, app, notifier);
    EXPECT_EQ(unknown.Send("Hi"), FeedbackOutcome::Failed);
    EXPECT_EQ(unknown.Send(""), FeedbackOutcome::Empty);
    EXPECT_EQ(unknown.Send("\x80"), FeedbackOutcome::InvalidText);
    EXPECT_EQ(sim.Requests("saveAdvise.do").size(), 1u);  // only the first was sent

    g.m_Port = 1;
    EXPECT_EQ(unknown.Send("Hi"), FeedbackOutcome::Failed);
}

TEST_F(FeedbackFlowTest, TheDialogHintsWhenEmptyAndShowsTheOutcome) {
    std::vector<FeedbackOutcome> heard;
    FeedbackFlow flow(g, app, notifier);
    flow.SetListener([&](FeedbackOutcome o) { heard.push_back(o); });

    EXPECT_EQ(flow.StartSend(""), FeedbackFlow::StartResult::Empty);
    EXPECT_EQ(flow.StartSend("\xC3"), FeedbackFlow::StartResult::Invalid);
    ASSERT_EQ(flow.StartSend("Hi"), FeedbackFlow::StartResult::Started);
    ASSERT_TRUE(flow.WaitIdle(60s));
    g.m_Port = 1;
    ASSERT_EQ(flow.StartSend("Hi"), FeedbackFlow::StartResult::Started);
    ASSERT_TRUE(flow.WaitIdle(60s));

    const auto shown = notifier.Messages();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "Пожалуйста, введите Ваш вопрос");
    EXPECT_EQ(shown[0].caption, "");  // a notice, not a message box
    EXPECT_EQ(shown[1].text, "Сообщение отправлено успешно");
    EXPECT_EQ(shown[1].caption, "подсказки");
    EXPECT_EQ(shown[2].text, "Не удалось отправить сообщение");
    EXPECT_EQ(shown[2].caption, "подсказки");
    EXPECT_EQ(heard,
              (std::vector<FeedbackOutcome>{FeedbackOutcome::Sent, FeedbackOutcome::Failed}));
}

TEST_F(FeedbackFlowTest, OneSendAtATimeAndNothingAfterClosing) {
    test::LocalHttpServer silent("");
    g.m_Port = static_cast<uint16_t>(silent.Port());
    const auto started = std::chrono::steady_clock::now();
    {
        FeedbackFlow flow(g, app, notifier);
        ASSERT_EQ(flow.StartSend("first"), FeedbackFlow::StartResult::Started);
        EXPECT_EQ(flow.StartSend("second"), FeedbackFlow::StartResult::Busy);
        flow.Close();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, 15s);
    EXPECT_TRUE(notifier.Messages().empty());
}

}  // namespace
}  // namespace nimbrel
