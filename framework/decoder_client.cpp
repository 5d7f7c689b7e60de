#include "framework/decoder_client.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/fd_io.h"
#include "framework/image_limits.h"
#include "framework/image_loader.h"

extern char** environ;

namespace zolva::imageio {

namespace {

// Moves a descriptor above the numbers the decoder expects its inputs at, so that placing
// one input never overwrites another.
bool lift(UniqueFd& fd) {
    if (fd.get() < 0) {
        return false;
    }
    if (fd.get() > decoder::kPixelsFd) {
        return true;
    }
    const int moved = ::fcntl(fd.get(), F_DUPFD_CLOEXEC, decoder::kPixelsFd + 1);
    fd.reset(moved);
    return moved >= 0;
}

bool identify(const struct stat& st, FileIdentity& out) {
    out = FileIdentity{st.st_dev, st.st_ino, st.st_size,
                       qint64{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
    return true;
}

// The decode now waiting, for cancelDecoding; and the outcome of the last one.
class Wait;
Wait* gWaiting = nullptr;
bool gLastCancelled = false;
bool gEnded = false;
int gStarted = 0;

// Waits for the decoder's reply: its bytes until the decoder closes the socket, the
// deadline, or a cancel, whichever comes first.
class Wait : public QObject {
public:
    enum Outcome { Closed, TimedOut, Cancelled, Overlong };

    Wait(int socket, int wallClockMs) : socket_(socket), deadline_(wallClockMs) {}

    Outcome run() {
        gWaiting = this;
        if (QCoreApplication::instance() != nullptr) {
            runLoop();
        } else {
            runPoll();
        }
        gWaiting = nullptr;
        return outcome_;
    }

    void cancel() { finish(Cancelled); }

    const QByteArray& reply() const { return reply_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                    cancel();
                }
                return true;
            case QEvent::Close:
                // Closing cancels; the window closes once the picture's caller has
                // finished, not under its feet.
                closing_.emplace_back(watched);
                event->ignore();
                cancel();
                return true;
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::TabletPress:
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
            case QEvent::NonClientAreaMouseButtonPress:
            case QEvent::NonClientAreaMouseButtonDblClick:
                // Nothing the player does may start another command halfway through this one.
                return true;
            default:
                return false;
        }
    }

private:
    // Reads what has arrived; true once the wait is over.
    bool readSome() {
        char buffer[sizeof(decoder::Reply) + 1];
        const ssize_t got = ::read(socket_, buffer, sizeof buffer);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            return false;
        }
        if (got <= 0) {
            finish(Closed);
            return true;
        }
        reply_.append(buffer, got);
        if (reply_.size() > qsizetype(sizeof(decoder::Reply))) {
            finish(Overlong);
            return true;
        }
        return false;
    }

    void finish(Outcome outcome) {
        if (done_) {
            return;
        }
        done_ = true;
        outcome_ = outcome;
        if (loop_ != nullptr) {
            loop_->quit();
        }
    }

    void runLoop() {
        QEventLoop loop;
        loop_ = &loop;
        QSocketNotifier notifier(socket_, QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, &loop, [this] { readSome(); });
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, [this] { finish(TimedOut); });
        timer.start(static_cast<int>(deadline_.remainingTime()));
        const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
        if (gui) {
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        }
        QCoreApplication::instance()->installEventFilter(this);
        if (!done_) {
            loop.exec();
        }
        loop_ = nullptr;
        QCoreApplication::instance()->removeEventFilter(this);
        if (gui) {
            QGuiApplication::restoreOverrideCursor();
        }
        for (const QPointer<QObject>& window : closing_) {
            if (window) {
                QMetaObject::invokeMethod(window, "close", Qt::QueuedConnection);
            }
        }
    }

    void runPoll() {
        while (!done_) {
            const qint64 left = deadline_.remainingTime();
            if (left <= 0) {
                finish(TimedOut);
                break;
            }
            pollfd wanted{socket_, POLLIN, 0};
            if (::poll(&wanted, 1, static_cast<int>(left)) > 0) {
                readSome();
            }
        }
    }

    int socket_;
    QDeadlineTimer deadline_;
    QEventLoop* loop_ = nullptr;
    QByteArray reply_;
    std::vector<QPointer<QObject>> closing_;
    bool done_ = false;
    Outcome outcome_ = Closed;
};

pid_t spawnDecoder(const QString& program, int picture, int reply, int pixels, QSize fit) {
    const QByteArray path = QFile::encodeName(program);
    const QByteArray width = QByteArray::number(fit.isEmpty() ? 0 : fit.width());
    const QByteArray height = QByteArray::number(fit.isEmpty() ? 0 : fit.height());
    char* argv[] = {const_cast<char*>(path.constData()), const_cast<char*>(width.constData()),
                    const_cast<char*>(height.constData()), nullptr};
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        return -1;
    }
    // The decoder gets its three inputs, nothing to read from or print on but its error
    // output, and none of the game's other descriptors.
    const bool prepared =
        posix_spawn_file_actions_adddup2(&actions, picture, decoder::kPictureFd) == 0 &&
        posix_spawn_file_actions_adddup2(&actions, reply, decoder::kReplyFd) == 0 &&
        posix_spawn_file_actions_adddup2(&actions, pixels, decoder::kPixelsFd) == 0 &&
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0) == 0 &&
        posix_spawn_file_actions_addclosefrom_np(&actions, decoder::kPixelsFd + 1) == 0;
    pid_t pid = -1;
    if (prepared && posix_spawn(&pid, path.constData(), &actions, nullptr, argv, environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Kills the decoder whatever it is doing (one that has exited shrugs that off) and
// collects it once it is gone. A process that held hundreds of megabytes takes a while to
// tear down; the game does not wait for that while it has an event loop to be told in.
void collect(pid_t pid) {
    if (pid <= 0) {
        return;  // never a signal to a whole process group, or to everyone
    }
    ::kill(pid, SIGKILL);
    if (QCoreApplication::instance() != nullptr) {
        const int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
        if (pidFd >= 0) {
            auto* notifier =
                new QSocketNotifier(pidFd, QSocketNotifier::Read, QCoreApplication::instance());
            QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                             [notifier, pid, pidFd] {
                                 if (::waitpid(pid, nullptr, WNOHANG) != 0) {
                                     notifier->setEnabled(false);
                                     notifier->deleteLater();
                                     ::close(pidFd);
                                 }
                             });
            return;
        }
    }
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// Once sealed, the memory file can no longer change size or content, whoever else holds
// it: the pixels checked are the pixels shown. It fails if the decoder still has it mapped
// for writing.
bool seal(int pixels) {
    return ::fcntl(pixels, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) ==
           0;
}

struct Mapping {
    void* address;
    std::size_t length;
};

void unmap(void* info) {
    const std::unique_ptr<Mapping> mapping(static_cast<Mapping*>(info));
    ::munmap(mapping->address, mapping->length);
}

// Checks the reply against the caps and the fit before anything is mapped, then wraps the
// sealed memory file's pixels as they are: the game never copies them.
bool adoptPixels(const QByteArray& replyBytes, int pixels, QSize fit, QImage& out) {
    decoder::Reply reply{};
    if (replyBytes.size() != qsizetype(sizeof reply)) {
        return false;
    }
    std::memcpy(&reply, replyBytes.constData(), sizeof reply);
    if (reply.magic != decoder::kReplyMagic ||
        !isAcceptableImageSize(qint64{reply.width}, qint64{reply.height})) {
        return false;
    }
    const QSize size(static_cast<int>(reply.width), static_cast<int>(reply.height));
    const auto format = static_cast<QImage::Format>(reply.format);
    if ((!fit.isEmpty() && (size.width() > fit.width() || size.height() > fit.height())) ||
        (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32)) {
        return false;
    }
    const auto rowBytes = std::size_t{reply.width} * 4;
    const std::size_t length = rowBytes * reply.height;
    struct stat st {};
    if (::fstat(pixels, &st) != 0 || st.st_size < off_t(length)) {
        return false;  // mapping past its end would fault on the first touch
    }
    // Private: the board paints its numbers onto the picture, and a sealed file cannot be
    // written; only the pages painted on are copied.
    void* address = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE, pixels, 0);
    if (address == MAP_FAILED) {
        return false;
    }
    auto mapping = std::make_unique<Mapping>(Mapping{address, length});
    QImage image(static_cast<uchar*>(address), size.width(), size.height(),
                 static_cast<qsizetype>(rowBytes), format, unmap, mapping.get());
    if (image.isNull()) {
        return false;  // `mapping` unmaps on the way out
    }
    mapping.release();  // the image owns it now
    out = std::move(image);
    return true;
}

}  // namespace

bool identifyFile(const QByteArray& path, FileIdentity& out) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) && identify(st, out);
}

QString decoderProgram() {
    QStringList candidates;
    if (QCoreApplication::instance() != nullptr) {
        candidates << QDir(QCoreApplication::applicationDirPath())
                          .filePath(
                              QStringLiteral(ZOLVA_DECODER_RELATIVE_DIR "/" ZOLVA_DECODER_NAME));
    }
    candidates << QStringLiteral(ZOLVA_DECODER_BUILD_PATH)
               << QStringLiteral(ZOLVA_DECODER_INSTALL_DIR "/" ZOLVA_DECODER_NAME);
    for (const QString& candidate : candidates) {
        if (::access(QFile::encodeName(candidate).constData(), X_OK) == 0) {
            return candidate;
        }
    }
    return QString();
}

bool decodeInChild(const QByteArray& path, QSize fit, QImage& out, FileIdentity* identity,
                   const DecoderRun& run) {
    gLastCancelled = gEnded;
    if (gEnded || gWaiting != nullptr) {
        return false;  // one decode at a time; a second could only come from inside the wait
    }
    static const QString installed = decoderProgram();
    const QString program = run.program.isEmpty() ? installed : run.program;
    if (program.isEmpty()) {
        qWarning("Zolva Puzzle: the picture decoder is missing; no picture file can be read");
        return false;
    }
    // Non-blocking, so that opening a pipe someone named like a picture cannot hang us.
    UniqueFd picture(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st {};
    if (picture.get() < 0 || ::fstat(picture.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size <= 0) {
        return false;
    }
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) {
        return false;
    }
    UniqueFd ours(ends[0]);
    UniqueFd theirs(ends[1]);
    UniqueFd pixels(::memfd_create("zolva-picture", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    // The decoder's end blocks as usual; only the game must never wait on a read.
    if (::fcntl(theirs.get(), F_SETFL, 0) != 0 || !lift(picture) || !lift(theirs) ||
        !lift(pixels)) {
        return false;
    }
    const pid_t pid = spawnDecoder(program, picture.get(), theirs.get(), pixels.get(), fit);
    if (pid < 0) {
        return false;
    }
    ++gStarted;
    picture.reset();
    theirs.reset();  // so the decoder's exit shows as the end of the reply
    Wait wait(ours.get(), run.wallClockMs);
    const Wait::Outcome outcome = wait.run();
    collect(pid);
    gLastCancelled = outcome == Wait::Cancelled;
    if (outcome != Wait::Closed || !seal(pixels.get()) ||
        !adoptPixels(wait.reply(), pixels.get(), fit, out)) {
        return false;
    }
    if (identity != nullptr) {
        identify(st, *identity);
    }
    return true;
}

void cancelDecoding() {
    if (gWaiting != nullptr) {
        gWaiting->cancel();
    }
}

int decodersStarted() {
    return gStarted;
}

void endDecoding() {
    gEnded = true;
    cancelDecoding();
}

bool lastDecodeCancelled() {
    return gLastCancelled;
}

}  // namespace zolva::imageio
