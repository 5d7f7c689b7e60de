// A decoder gone wrong, as a hostile file could make the real one: it confines itself as
// the real one does, then does what the first word of the picture file says. The tests
// point the game at it to see that nothing it does reaches the game.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QImage>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "framework/decoder_protocol.h"
#include "framework/decoder_sandbox.h"

using namespace zolva::imageio::decoder;

namespace {

// A 1 x 1 picture the game would accept, announced with the given fields.
void reply(std::uint32_t width, std::uint32_t height, std::uint32_t format, off_t pixelBytes) {
    if (pixelBytes > 0 && ::ftruncate(kPixelsFd, pixelBytes) != 0) {
        ::_exit(5);
    }
    const Reply r{kReplyMagic, width, height, format};
    if (::write(kReplyFd, &r, sizeof r) != sizeof r) {
        ::_exit(5);
    }
}

// Every escape the sandbox must refuse; the exit code tells which one got through.
int tryEscapes() {
    if (::open("/tmp/zolva-rogue-was-here", O_WRONLY | O_CREAT, 0600) >= 0) {
        return 10;
    }
    if (::socket(AF_INET, SOCK_STREAM, 0) >= 0) {
        return 11;
    }
    if (::fork() >= 0) {
        return 12;
    }
    char* const argv[] = {const_cast<char*>("/bin/true"), nullptr};
    ::execv("/bin/true", argv);
    if (::kill(::getppid(), 0) == 0) {
        return 13;
    }
    return 0;
}

}  // namespace

int misbehave() {
    if (!confineDecoder()) {
        return 3;
    }
    char word[16] = {};
    if (::read(kPictureFd, word, sizeof word - 1) <= 0) {
        return 4;
    }
    const std::string_view mode(word, std::strcspn(word, "\n"));
    const auto rgb = static_cast<std::uint32_t>(QImage::Format_RGB32);
    if (mode == "good" || mode == "escape") {
        const int escaped = mode == "escape" ? tryEscapes() : 0;
        if (escaped != 0) {
            return escaped;
        }
        reply(1, 1, rgb, 4);
    } else if (mode == "crash") {
        std::abort();
    } else if (mode == "hang") {
        for (;;) {
            ::pause();
        }
    } else if (mode == "flood") {
        // Well beyond the address-space limit, in steps that are touched, as a decoder
        // tricked into holding everything would.
        constexpr std::size_t kStep = std::size_t{64} << 20;
        for (int i = 0; i < 64; ++i) {
            void* block =
                ::mmap(nullptr, kStep, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (block == MAP_FAILED) {
                return 1;
            }
            std::memset(block, 1, kStep);
        }
        reply(1, 1, rgb, 4);
    } else if (mode == "short") {
        reply(1000, 1000, rgb, 4);  // far fewer bytes than announced
    } else if (mode == "huge") {
        reply(32767, 32767, rgb, 0);
    } else if (mode == "format") {
        reply(1, 1, static_cast<std::uint32_t>(QImage::Format_Indexed8), 4);
    } else if (mode == "twice") {
        reply(1, 1, rgb, 4);
        reply(1, 1, rgb, 4);
    } else if (mode == "lingers") {
        reply(1, 1, rgb, 4);  // but never exits
        for (;;) {
            ::pause();
        }
    } else {
        return 6;
    }
    return 0;
}

int main() {
    // Straight out, as the real decoder leaves: a sanitizer's leak check at exit would need
    // the process creation the sandbox refuses.
    ::_exit(misbehave());
}
