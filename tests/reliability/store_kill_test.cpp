// A game killed while it stores a record (a crash, a power cut of the session, an impatient
// kill -9) must leave a store that loads, with every record either as it was or as it was
// being written. A writer program stores counter-stamped records in a loop and is killed
// at random moments; after each kill a checker reads the store back. The thousand-kill run
// is scripts/reliability/kill-test.sh.
#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <random>
#include <thread>

namespace zolva {
namespace {

class StoreKills : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(configHome.isValid());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
    }

    // Starts a writer; with `waitUntilWriting` returns only once its first round is stored.
    // Two writers pause after each write, or one could starve the other of the lock file.
    std::unique_ptr<QProcess> startWriter(int instance, bool waitUntilWriting, int pauseMs = 0) {
        return start({QStringLiteral("write"), QString::number(instance), statePath(),
                      QString::number(pauseMs)},
                     waitUntilWriting ? "writing" : "");
    }

    // Runs the writer program; with a `greeting`, returns once it has printed it.
    std::unique_ptr<QProcess> start(const QStringList& args, const QByteArray& greeting) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->start(QStringLiteral(ZOLVA_STORE_WRITER), args);
        EXPECT_TRUE(process->waitForStarted(-1));
        if (!greeting.isEmpty()) {
            while (!process->canReadLine() && process->state() == QProcess::Running) {
                process->waitForReadyRead(-1);
            }
            EXPECT_EQ(process->readLine().trimmed(), greeting);
        }
        return process;
    }

    // Kills after a random pause; the pause only spreads the kills over the writer's work.
    void killSoon(QProcess& process) {
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        ASSERT_EQ(process.state(), QProcess::Running) << process.readAllStandardError().data();
        ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
        process.waitForFinished(-1);
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
    }

    // Runs the checker; returns its one-line verdict, failing the test on damage.
    std::string check(bool concurrent) {
        QStringList args{QStringLiteral("check"), statePath()};
        if (concurrent) {
            args << QStringLiteral("--concurrent");
        }
        return verdict(args);
    }

    std::string verdict(const QStringList& args) {
        QProcess checker;
        checker.setProcessEnvironment(environment);
        checker.start(QStringLiteral(ZOLVA_STORE_WRITER), args);
        checker.waitForFinished(-1);
        const std::string verdict = checker.readAllStandardOutput().trimmed().toStdString();
        EXPECT_EQ(checker.exitCode(), 0) << verdict << checker.readAllStandardError().data();
        return verdict;
    }

    QString statePath() const { return configHome.filePath(QStringLiteral("writer-state")); }

    QTemporaryDir configHome;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    std::mt19937 random{20240917};
};

TEST_F(StoreKills, EveryKillLeavesOldOrNewRecords) {
    for (int kill = 0; kill < 30 && !HasFailure(); ++kill) {
        SCOPED_TRACE(kill);
        // Now and then the kill comes before the first round is done, while the file is
        // first created.
        auto writer = startWriter(0, random() % 4 != 0);
        killSoon(*writer);
        check(false);
    }
    // The writer did make progress between kills.
    EXPECT_NE(check(false).find("A="), std::string::npos);
}

TEST_F(StoreKills, TwoWritersAtOnceNeverMixTheirRecords) {
    for (int round = 0; round < 4 && !HasFailure(); ++round) {
        SCOPED_TRACE(round);
        auto first = startWriter(0, true, 20);
        auto second = startWriter(1, true, 20);
        killSoon(*first);
        killSoon(*second);
        check(true);
    }
}

// Three games that keep beating the times they read, all killed at random moments: the
// store must never hold a time worse than one it acknowledged, nor a record nobody offered.
// The long run is scripts/reliability/race-test.sh.
TEST_F(StoreKills, RacingGamesNeverReplaceAnAcknowledgedRecordWithAWorseOne) {
    QStringList logs;
    for (int racer = 0; racer < 3; ++racer) {
        logs << configHome.filePath(QStringLiteral("racer%1.log").arg(racer));
    }
    for (int round = 0; round < 4 && !HasFailure(); ++round) {
        SCOPED_TRACE(round);
        std::vector<std::unique_ptr<QProcess>> racers;
        for (int racer = 0; racer < 3; ++racer) {
            racers.push_back(
                start({QStringLiteral("race"), QString::number(racer), logs[racer]}, "racing"));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // long enough to race
        for (auto& racer : racers) {
            killSoon(*racer);
        }
        verdict(QStringList{QStringLiteral("judge")} + logs);
    }
}

}  // namespace
}  // namespace zolva
