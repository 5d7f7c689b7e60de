// Hint and Solve: the game's own help toward the finished picture. A hint marks the tile to
// slide next by inverting it on and off for two seconds, or until anything moves; asking
// again while the mark shows slides that tile. Solve plays the whole plan at about ten
// moves a second until the picture is whole or the player does anything at all. Plans are
// worked out on a worker thread so the window never freezes, and a result that arrives
// after the board has changed is thrown away. The 4x4 tables for optimal hints are loaded
// from the per-user cache, or built and cached there, the first time a board of at least
// 4x4 asks for help; that plan waits for them. The 5x5 tables behind near-shortest plans on
// larger boards are loaded from the cache the first time a board of at least 5x5 asks, or
// built and cached in the background while plans do without them.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

#include "solver/solver.h"

namespace zolva {

class GameScreen;
class TileBoard;

class AssistController : public QObject {
    Q_OBJECT

public:
    static constexpr int solveStepMs = 100;
    // The hinted tile is inverted and restored in turn, each look this long, and the mark
    // lasts hintPhases of them: four clear blinks in two seconds.
    static constexpr int hintPhaseMs = 250;
    static constexpr int hintPhases = 8;

    // draw() repaints.
    AssistController(GameScreen* screen, std::function<void()> draw, QObject* parent = nullptr);
    ~AssistController() override;

    void hint();
    void solve();
    // Stops a solve being played or worked out; harmless when none is.
    void stop();
    bool isBusy() const { return pending || playing; }
    // Takes a hint's mark off the picture. Needed before the picture or the grid changes,
    // since the mark is painted onto the picture itself; harmless when none shows.
    void clearHint();
    bool isHintShown() const { return hintTimer.isActive(); }
    // Home index of the tile the hint shows, -1 when none.
    int hintedTile() const { return hintHome; }
    // How fast Solve plays; tests run it flat out.
    void setStepInterval(int ms) { stepTimer.setInterval(ms); }
    // How long each look of a hint's mark lasts; tests shorten it.
    void setHintPhaseInterval(int ms) { hintTimer.setInterval(ms); }
    // Whether a plan first loads or builds the solver's tables. Tests switch it off:
    // building takes seconds and a still-running build would outlive them.
    void setPreparesTables(bool on) { preparesTables = on; }

    // Where the 4x4 and the 5x5 tables are cached.
    static QString tablesCachePath();
    static QString fiveByFiveTablesCachePath();

signals:
    // A plan is being worked out (true) or has arrived or been dropped (false).
    void busyChanged(bool busy);

private:
    enum class Purpose { hint, solve };
    void startPlanning(Purpose purpose);
    void planReady(unsigned long long generation, Purpose purpose,
                   const std::vector<solver::Move>& plan);
    void usePlan(Purpose purpose, const std::vector<solver::Move>& moves);
    void playNextMove();
    void setPending(bool on);
    void showHint(int home, solver::Move move);
    void nextHintPhase();

    GameScreen* screen;
    std::function<void()> draw;
    QTimer stepTimer;
    std::vector<solver::Move> plan;
    std::size_t nextStep = 0;
    bool playing = false;
    bool pending = false;
    // Bumped whenever the board may have changed under a plan being worked out.
    unsigned long long generation = 0;
    solver::Arrangement planned;
    // The last plan worked out, which later hints keep to while the board stays on it.
    solver::Guide guide;
    bool preparesTables = true;

    QTimer hintTimer;
    int hintHome = -1;
    int hintPhase = 0;
    bool hintInverted = false;
    solver::Move hintMove{};
    solver::Arrangement hinted;  // the board the hint was given for
};

}  // namespace zolva
