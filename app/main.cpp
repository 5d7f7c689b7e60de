// The program: one application object, the built-in art registered, one window run until
// it is closed. Everything else lives in zolva_appcore, where the tests reach it.
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <array>
#include <csignal>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/resources/art.h"
#include "app/version.h"
#include "framework/decoder_client.h"
#include "framework/picture_cache.h"

namespace zolva {

namespace {

// A polite termination request (SIGTERM from a shutdown, SIGINT from a terminal, SIGHUP
// when the session goes away) must end the game the way its close box does, options
// saved. A signal handler may do almost nothing, so it only writes a byte that the event
// loop picks up.
std::array<int, 2> terminationPipe{-1, -1};

extern "C" void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(terminationPipe[0], &byte, 1);
}

// Set up before the window is made: making it decodes the stored picture, and even that
// wait must end at once. A request that comes before there is a window to close ends the
// decode (or the message about it), and the window, once made, is closed before it is
// ever shown.
struct TerminationRequest {
    MainWindow* window = nullptr;
    bool early = false;
};

void closeOnTerminationSignals(QApplication& app, TerminationRequest& request) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, terminationPipe.data()) != 0) {
        return;  // the game still runs; only a signal would end it abruptly
    }
    auto* notifier = new QSocketNotifier(terminationPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&request, notifier] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(terminationPipe[1], &byte, 1);
        notifier->setEnabled(false);
        if (request.window != nullptr) {
            request.window->close();
        } else {
            request.early = true;
            imageio::endDecoding();
            // The stored picture's "Invalid Picture" message may already be waiting for OK.
            if (QWidget* box = QApplication::activeModalWidget()) {
                box->close();
            }
        }
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace

int runApplication(int argc, char** argv, const QString& picture) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Zolva Games"));
    QApplication::setApplicationName(QStringLiteral("Zolva Puzzle"));
    QApplication::setApplicationVersion(QStringLiteral(ZOLVA_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("zolva-puzzle"));
    initArt();
    // The stored picture is read back from here at the next start instead of decoded again.
    imageio::setPictureCacheFile(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                                 QStringLiteral("/picture.pixels"));
    ShellEnvironment environment;
    environment.fitPicturesToScreen = true;
    environment.shapePicturesForPlay = true;
    environment.animateSlides = true;
    TerminationRequest termination;
    closeOnTerminationSignals(app, termination);
    MainWindow window(std::move(environment));
    termination.window = &window;
    if (termination.early) {
        window.requestQuit(0);
    } else if (!picture.isEmpty()) {
        window.openCustomPicture(picture);
    }
    // A desktop session that logs out may end the process without closing the window
    // first: save the options when the session manager asks for our data.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.saveSettings(); });
    return window.runUntilQuit();
}

}  // namespace zolva

int main(int argc, char** argv) {
    const zolva::CommandLine commandLine = zolva::readCommandLine(argc, argv);
    if (commandLine.exitCode) {
        return *commandLine.exitCode;
    }
    return zolva::runApplication(argc, argv, commandLine.picture);
}
