// The desktop program as the user starts it, against the simulated service and cameras on
// loopback: it signs in by itself from a remembered account, lists the account's devices in the
// tree, plays them automatically, shows pictures with content, refuses a second instance, and
// ends on request saving its window values, also while it shows why it cannot start. It is
// watched through its state report and its log.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>

#include "SimProcess.h"
#include "service/AccountFile.h"
#include "service/PasswordMix.h"
#include "text/NumberText.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

class AppEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        program = qEnvironmentVariable("NIMBREL_GUI");
        ASSERT_FALSE(program.isEmpty()) << "NIMBREL_GUI names the nimbrel executable";
        dir = fs::temp_directory_path() / ("nimbrel-e2e-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        for (const char* sub : {"config", "run", "tmp", "xdg"}) fs::create_directories(dir / sub);
        fs::permissions(dir / "run", fs::perms::owner_all);
    }
    void TearDown() override {
        for (QProcess* p : {&first, &second})
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(10000);
            }
        fs::remove_all(dir);
    }

    // An account that signs in and plays by itself, as the user left it last time.
    void RememberAccount(const std::string& name, const std::string& password) {
        const fs::path path = dir / "config" / (name + "_config.xml");
        ASSERT_TRUE(AccountFile::SaveAccountId(path, name, {}));
        ASSERT_TRUE(AccountFile::SavePassword(path, *PasswordMix(password)));
        ASSERT_TRUE(AccountFile::SaveAutoLogin(path, true));
        AccountFile file;
        ASSERT_TRUE(file.Load(path));
        ASSERT_TRUE(file.SetSetting("AutoPlay", "1"));
        ASSERT_TRUE(file.Save());
        accountFile = path;
    }

    void Start(QProcess& process, const std::string& service,
               const QProcessEnvironment& extra = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(extra);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("NIMBREL_ADAPTER", "lo");
        env.insert("NIMBREL_REPORT", QString::fromStdString((dir / "report.json").string()));
        // Its own lock, socket and settings, apart from any program the user runs.
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString((dir / "run").string()));
        env.insert("TMPDIR", QString::fromStdString((dir / "tmp").string()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString((dir / "xdg").string()));
        // In a sanitizer build a leak report (of a library's caches, say) would change the exit
        // code read below; leaks are the in-process tests' business.
        if (env.contains("ASAN_OPTIONS"))
            env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0");
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(program, {"--adapter", "lo", "--service", QString::fromStdString(service),
                                "--config-dir", QString::fromStdString((dir / "config").string())});
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    std::string Log() const {
        std::ifstream in(dir / "log.txt");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    QJsonObject Report() const {
        QFile file(QString::fromStdString((dir / "report.json").string()));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    // Waits (up to two minutes) until the report satisfies `ready`; the last report read.
    QJsonObject WaitFor(const std::function<bool(const QJsonObject&)>& ready) {
        QJsonObject report;
        (void)QTest::qWaitFor(
            [&] {
                report = Report();
                return first.state() == QProcess::NotRunning || ready(report);
            },
            120000);
        return report;
    }

    QString program;
    fs::path dir;
    fs::path accountFile;
    QProcess first;
    QProcess second;
};

std::set<QString> DeviceNamesOf(const Json::Value& scenario, const std::string& account) {
    std::set<QString> names;
    for (const Json::Value& device : scenario["devices"]) {
        bool mine = device["owner"].asString() == account;
        for (const Json::Value& other : device["sharedWith"]) mine |= other.asString() == account;
        if (mine) names.insert(QString::fromStdString(device["name"].asString()));
    }
    return names;
}

bool SomeCameraPlaysAPicture(const QJsonObject& report) {
    for (const QJsonValue& camera : report["cameras"].toArray())
        if (camera["status"].toInt() == 2 && camera["pictureValues"].toInt() >= 16) return true;
    return false;
}

// How many different colours the wall's area of the window picture has.
int WallColours(const QImage& shot) {
    const QRect wall(5, 50, shot.width() - 275, shot.height() - 120);
    std::set<QRgb> colours;
    for (int y = wall.top(); y < wall.bottom(); y += 7)
        for (int x = wall.left(); x < wall.right(); x += 7) colours.insert(shot.pixel(x, y));
    return static_cast<int>(colours.size());
}

TEST_F(AppEndToEnd, SignsInListsTheDevicesAndPlaysThem) {
    test::SimProcess sim("demo.json");
    RememberAccount("demo_user", "demo1234");
    Start(first, sim.ServiceUrl());

    const std::set<QString> expected = DeviceNamesOf(sim.Scenario(), "demo_user");
    ASSERT_FALSE(expected.empty());
    const QJsonObject listed = WaitFor([&](const QJsonObject& r) {
        return r["tree"].toArray().size() >= static_cast<int>(expected.size());
    });
    ASSERT_EQ(first.state(), QProcess::Running) << "the program ended early";
    EXPECT_EQ(listed["loggedIn"].toInt(), 1);
    EXPECT_TRUE(listed["windowVisible"].toBool());
    std::set<QString> shown;
    for (const QJsonValue& row : listed["tree"].toArray()) shown.insert(row["name"].toString());
    EXPECT_EQ(shown, expected);

    const QJsonObject playing = WaitFor(SomeCameraPlaysAPicture);
    ASSERT_TRUE(SomeCameraPlaysAPicture(playing))
        << QJsonDocument(playing).toJson(QJsonDocument::Indented).toStdString();
    // Locked and offline devices were not started by the automatic play.
    for (const QJsonValue& camera : playing["cameras"].toArray()) {
        const QString sid = camera["sid"].toString();
        for (const Json::Value& device : sim.Scenario()["devices"])
            if (QString::fromStdString(device["sid"].asString()) == sid &&
                (device["lock"].asInt() == 1 || device["reach"].asString() == "offline")) {
                EXPECT_EQ(camera["status"].toInt(), 0) << sid.toStdString();
            }
    }

    // The window's picture: the wall shows moving video, not a flat state picture.
    QImage shot;
    (void)QTest::qWaitFor(
        [&] {
            shot = QImage(QString::fromStdString((dir / "report.json.png").string()));
            return !shot.isNull() && WallColours(shot) > 200;
        },
        30000);
    ASSERT_FALSE(shot.isNull());
    EXPECT_GT(WallColours(shot), 200);

    // A second start hands over to the first and ends at once.
    Start(second, sim.ServiceUrl());
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    // Asked to end, the program closes as the user's exit does and saves its window values.
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(60000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    AccountFile file;
    ASSERT_TRUE(file.Load(accountFile));
    EXPECT_NE(AtoiText(file.Document().Root().Find("config2/MainX1").Text()), 0);
    EXPECT_NE(AtoiText(file.Document().Root().Find("config2/MainY1").Text()), 0);
}

// Nothing listens at the service's address: the program says so in a message, which waits for OK.
// Asked to end meanwhile, it ends as that OK would (SIGTERM used to leave the message waiting).
TEST_F(AppEndToEnd, EndsOnRequestWhileItShowsWhyItCannotStart) {
    QProcessEnvironment log;
    log.insert("NIMBREL_LOG", QString::fromStdString("info:" + (dir / "log.txt").string()));
    Start(first, "http://127.0.0.1:1", log);
    const auto shown = [&] { return Log().find("QtNotifier: message box") != std::string::npos; };
    (void)QTest::qWaitFor([&] { return first.state() == QProcess::NotRunning || shown(); }, 120000);
    ASSERT_TRUE(shown()) << Log();
    ASSERT_EQ(first.state(), QProcess::Running);

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(60000)) << "the message still waits";
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 1);  // it could not start its work
}

QJsonObject CameraOf(const QJsonObject& report, const QString& sid) {
    for (const QJsonValue& camera : report["cameras"].toArray())
        if (camera["sid"].toString() == sid) return camera.toObject();
    return {};
}

int OnlineRows(const QJsonObject& report) {
    int online = 0;
    for (const QJsonValue& row : report["tree"].toArray()) online += row["online"].toBool();
    return online;
}

TEST_F(AppEndToEnd, ComesBackByItselfAfterTheServiceRestarts) {
    test::SimProcess sim("demo.json");
    RememberAccount("demo_user", "demo1234");
    Start(first, sim.ServiceUrl());
    const QString lan = QStringLiteral("NB0000000001");
    const auto plays = [&](const QJsonObject& r) {
        const QJsonObject camera = CameraOf(r, lan);
        return camera["status"].toInt() == 2 && camera["pictureValues"].toInt() >= 16;
    };
    ASSERT_TRUE(plays(WaitFor(plays)));
    ASSERT_GT(OnlineRows(Report()), 0);

    // Gone: the pane fails, the tree knows nothing of the devices, the title band says so.
    sim.Kill();
    const QJsonObject lost = WaitFor([&](const QJsonObject& r) {
        return CameraOf(r, lan)["status"].toInt() == 3 &&
               !r["serviceNotice"].toString().isEmpty() && OnlineRows(r) == 0;
    });
    EXPECT_EQ(CameraOf(lost, lan)["status"].toInt(), 3);
    EXPECT_FALSE(lost["serviceNotice"].toString().isEmpty());
    EXPECT_EQ(OnlineRows(lost), 0);

    // Back with new keys: the program signs in again by itself and plays on.
    sim.StartAgain();
    const QJsonObject back = WaitFor([&](const QJsonObject& r) {
        return plays(r) && r["serviceNotice"].toString().isEmpty() && OnlineRows(r) > 0;
    });
    EXPECT_TRUE(plays(back)) << QJsonDocument(back).toJson().toStdString();
    EXPECT_TRUE(back["serviceNotice"].toString().isEmpty());
    EXPECT_GT(OnlineRows(back), 0);
    EXPECT_EQ(sim.Requests("login.do").size(), 1u);
}

TEST_F(AppEndToEnd, EndsInAFewSecondsWithAWallOfFrozenCameras) {
    test::SimProcess sim("wall-16.json");
    RememberAccount("wall_user", "wall1234");
    Start(first, sim.ServiceUrl());
    // Every camera streams (those on the pages not shown receive without decoding).
    const auto streaming = [](const QJsonObject& r) {
        const QJsonArray cameras = r["cameras"].toArray();
        for (const QJsonValue& c : cameras)
            if (c["fragments"].toInt() == 0) return false;
        return cameras.size() == 16;
    };
    ASSERT_TRUE(streaming(WaitFor(streaming)));

    sim.Freeze();
    // Each stream then has a keep-alive on its way that no camera acknowledges.
    std::map<QString, int> sent;
    for (const QJsonValue& c : Report()["cameras"].toArray())
        sent[c["sid"].toString()] = c["keepAlives"].toInt();
    const auto allSentAgain = [&](const QJsonObject& r) {
        for (const QJsonValue& c : r["cameras"].toArray())
            if (c["keepAlives"].toInt() <= sent[c["sid"].toString()]) return false;
        return true;
    };
    ASSERT_TRUE(allSentAgain(WaitFor(allSentAgain)));

    QElapsedTimer exit;
    exit.start();
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(60000));
    std::cout << "the program ended " << exit.elapsed() << " ms after the request\n";
    EXPECT_LT(exit.elapsed(), 10000);
    EXPECT_EQ(first.exitCode(), 0);
}

// The service stops answering while the program renews its session: closing does not wait for
// the renewal's requests (they used to run out their twenty seconds).
TEST_F(AppEndToEnd, EndsInAFewSecondsWhileItsRenewalWaitsOnAFrozenService) {
    test::SimProcess sim("wall-16.json");
    RememberAccount("wall_user", "wall1234");
    Start(first, sim.ServiceUrl());
    const auto playing = [](const QJsonObject& r) {
        const QJsonArray cameras = r["cameras"].toArray();
        for (const QJsonValue& c : cameras)
            if (c["fragments"].toInt() == 0) return false;
        return cameras.size() == 16;
    };
    ASSERT_TRUE(playing(WaitFor(playing)));

    // The service and its cameras go; the views' retries find the session lost, and the
    // renewal's handshake is held unanswered; then the whole simulator stops.
    ASSERT_TRUE(sim.Control("outage?seconds=120&hold=security.do"));
    const auto held = [&] {
        for (const Json::Value& line : sim.RequestLog())
            if (line["path"].asString() == "security.do" && line["held"].asBool()) return true;
        return false;
    };
    (void)QTest::qWaitFor([&] { return first.state() == QProcess::NotRunning || held(); }, 60000);
    ASSERT_TRUE(held()) << "no renewal reached the service";
    sim.Freeze();

    QElapsedTimer exit;
    exit.start();
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(60000));
    sim.Thaw();
    std::cout << "the program ended " << exit.elapsed() << " ms after the request\n";
    EXPECT_LT(exit.elapsed(), 10000);
    EXPECT_EQ(first.exitCode(), 0);
}

}  // namespace
}  // namespace nimbrel
