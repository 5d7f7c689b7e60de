#include "app/assist_controller.h"

#include <QDir>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include <sched.h>

#include "game/game_screen.h"
#include "puzzle/tile.h"
#include "puzzle/tile_board.h"
#include "solver/five_by_five_tables.h"
#include "solver/pattern_tables.h"

namespace zolva {

namespace {

// Runs `work` on a thread of its own and hands its result to `done` on the receiver's
// thread, unless the receiver has gone by then.
template <typename Result>
void runInBackground(QObject* receiver, std::function<Result()> work,
                     std::function<void(const Result&)> done) {
    QPointer<QObject> guard(receiver);
    QThread* thread = QThread::create([guard, work = std::move(work), done = std::move(done)] {
        Result result = work();
        if (guard.isNull()) {
            return;
        }
        QMetaObject::invokeMethod(
            guard.data(),
            [guard, done, result = std::move(result)] {
                if (!guard.isNull()) {
                    done(result);
                }
            },
            Qt::QueuedConnection);
    });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::LowPriority);
}

// Loads the 4x4 tables from the cache, or builds and caches them, once per run; a caller
// that comes while another is at it waits for the same tables instead of building twice.
void prepareTables(const std::string& path) {
    // Never destroyed, for a build still running when the program exits.
    static std::mutex* const guard = new std::mutex;
    static bool tried = false;
    const std::lock_guard lock(*guard);
    if (tried || solver::installedPatternTables()) {
        return;
    }
    tried = true;
    auto tables = solver::PatternTables::load(path);
    if (!tables) {
        tables = solver::PatternTables::build();
        if (tables) {
            tables->save(path);  // a failed save only means building again next run
        }
    }
    solver::installPatternTables(tables);
}

// Loads the 5x5 tables from the cache, once per run. When there are none, a thread of
// their own builds and caches them while the game goes on, on the machine's idle time
// only (the threads it starts inherit that), and plans do without them meanwhile: a hint
// never waits for a build of many seconds.
void prepareFiveByFiveTables(const std::string& path) {
    static std::mutex* const guard = new std::mutex;  // never destroyed, as above
    static bool tried = false;
    const std::lock_guard lock(*guard);
    if (tried || solver::installedFiveByFiveTables()) {
        return;
    }
    tried = true;
    if (auto tables = solver::FiveByFiveTables::load(path)) {
        solver::installFiveByFiveTables(std::move(tables));
        return;
    }
    try {
        // Detached: nothing it touches is torn down at exit, and a build cut short by the
        // end of the program is simply made again next time.
        std::thread([path] {
            const sched_param idle{};
            sched_setscheduler(0, SCHED_IDLE, &idle);
            auto tables = solver::FiveByFiveTables::build();
            if (tables) {
                tables->save(path);  // a failed save only means building again next run
            }
            solver::installFiveByFiveTables(std::move(tables));
        }).detach();
    } catch (const std::system_error&) {
        tried = false;  // no thread to be had now; the next plan tries again
    }
}

}  // namespace

AssistController::AssistController(GameScreen* gameScreen, std::function<void()> redraw,
                                   QObject* parent)
    : QObject(parent), screen(gameScreen), draw(std::move(redraw)) {
    stepTimer.setInterval(solveStepMs);
    connect(&stepTimer, &QTimer::timeout, this, &AssistController::playNextMove);
    hintTimer.setInterval(hintPhaseMs);
    connect(&hintTimer, &QTimer::timeout, this, &AssistController::nextHintPhase);
}

AssistController::~AssistController() = default;

QString AssistController::tablesCachePath() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/solver-4x4-tables.bin");
}

QString AssistController::fiveByFiveTablesCachePath() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/solver-5x5-tables.bin");
}

void AssistController::hint() {
    stop();
    // A second hint while the first still shows: the player wants that move made.
    if (isHintShown() && screen->getBoard()->arrangement() == hinted) {
        const auto direction = static_cast<unsigned>(hintMove);
        clearHint();
        screen->assistedSlide(direction);
        draw();
        return;
    }
    startPlanning(Purpose::hint);
}

void AssistController::showHint(int home, solver::Move move) {
    clearHint();
    hintHome = home;
    hintMove = move;
    hinted = planned;
    hintPhase = 0;
    hintInverted = true;
    screen->flashTile(home);
    hintTimer.start();
    draw();
}

void AssistController::nextHintPhase() {
    if (++hintPhase >= hintPhases) {
        clearHint();
        return;
    }
    hintInverted = !hintInverted;
    screen->flashTile(hintHome);
    draw();
}

void AssistController::clearHint() {
    hintTimer.stop();
    if (hintHome >= 0 && hintInverted) {
        // The inversion is undone on the picture cell it was made on, wherever the tile
        // has gone since.
        screen->flashTile(hintHome);
        draw();
    }
    hintHome = -1;
    hintInverted = false;
}

void AssistController::solve() {
    stop();
    startPlanning(Purpose::solve);
}

void AssistController::stop() {
    ++generation;
    stepTimer.stop();
    playing = false;
    plan.clear();
    nextStep = 0;
    setPending(false);
}

void AssistController::setPending(bool on) {
    if (pending != on) {
        pending = on;
        emit busyChanged(on);
    }
}

void AssistController::startPlanning(Purpose purpose) {
    TileBoard* board = screen->getBoard();
    if (board->getState() != TileBoard::playing) {
        return;
    }
    screen->markAssisted();
    planned = board->arrangement();
    // Still on the way an earlier hint or solve planned: go on along it.
    if (const auto rest = guide.restFrom(planned)) {
        usePlan(purpose, *rest);
        return;
    }
    // A plan for a board of at least 4x4 waits for the tables (a load of a tenth of a
    // second, or a build of a few seconds the very first time): they make a 4x4 plan, and
    // the end of a larger board's plan, a shortest one from the very first hint.
    // Boards of at least 5x5 also read the 5x5 tables, but never wait for them to be built.
    std::string tablesPath;
    std::string fiveByFivePath;
    if (planned.columns >= 4 && planned.rows >= 4 && preparesTables) {
        QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
        tablesPath = tablesCachePath().toStdString();
        if (planned.columns >= 5 && planned.rows >= 5) {
            fiveByFivePath = fiveByFiveTablesCachePath().toStdString();
        }
    }
    const unsigned long long ticket = generation;
    setPending(true);
    const solver::Arrangement snapshot = planned;
    runInBackground<std::vector<solver::Move>>(
        this,
        [snapshot, tablesPath, fiveByFivePath] {
            if (!tablesPath.empty()) {
                prepareTables(tablesPath);
            }
            if (!fiveByFivePath.empty()) {
                prepareFiveByFiveTables(fiveByFivePath);
            }
            return solver::solve(snapshot);
        },
        [this, ticket, purpose](const std::vector<solver::Move>& result) {
            planReady(ticket, purpose, result);
        });
}

void AssistController::planReady(unsigned long long ticket, Purpose purpose,
                                 const std::vector<solver::Move>& result) {
    // The player moved, changed an option or asked again while this was worked out.
    if (ticket != generation || screen->getBoard()->arrangement() != planned) {
        return;
    }
    setPending(false);
    guide.follow(planned, result);
    usePlan(purpose, result);
}

void AssistController::usePlan(Purpose purpose, const std::vector<solver::Move>& moves) {
    if (moves.empty()) {
        return;
    }
    if (purpose == Purpose::hint) {
        const solver::Arrangement after = solver::apply(planned, moves.front());
        // The tile that moves is the one standing where the empty space goes.
        showHint(planned.cells[static_cast<std::size_t>(after.emptyCell)], moves.front());
        return;
    }
    plan = moves;
    nextStep = 0;
    playing = true;
    stepTimer.start();
}

void AssistController::playNextMove() {
    if (!playing || nextStep >= plan.size()) {
        stop();
        return;
    }
    const auto direction = static_cast<unsigned>(plan[nextStep++]);
    if (!screen->assistedSlide(direction)) {
        stop();  // the board was reset under us; nothing left to play
    } else if (nextStep >= plan.size() || screen->getBoard()->getState() != TileBoard::playing) {
        stepTimer.stop();
        playing = false;
    }
    draw();
}

}  // namespace zolva
