// Sends a fixed number of random datagrams to UDP port 31337 (or another port) and ends: lengths
// 0 to --max-length with a share of exactly 60 bytes, random kinds (reply, discovery and settings
// request, anything), half to the limited broadcast address and half to one host. Only ever run
// it inside the private network namespaces of scripts/netns-run.
#include "netnsguard.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint8_t Kinds[] = {0xF0, 0xF0, 0x01, 0x02}; // the rest of the frames get a random kind
constexpr int FrameSize = 60;

struct Options
{
    long count = 100000;
    int maxLength = 1500;
    int frameShare = 30;     // percent of datagrams that are exactly 60 bytes long
    int broadcastShare = 50; // percent sent to 255.255.255.255, the rest to --to
    unsigned seed = 1;
    int port = 31337;
    std::string to;
    bool spray = false;
};

void usage()
{
    std::printf(
        "Usage: udpflood --to ADDR [--count N] [--max-length L] [--frame-share P] [--broadcast-share P]\n"
        "                [--seed S] [--port PORT] [--spray]\n\n"
        "Sends N (default 100000, at most 10000000) random datagrams to PORT (default 31337) and ends:\n"
        "lengths 0 to L (default 1500, at most 65507), P%% (default 30) of them exactly 60 bytes with\n"
        "byte 0 a reply (0xF0), a discovery (0x01) or settings request (0x02) or a random kind; the\n"
        "--broadcast-share (default 50) goes to 255.255.255.255, the rest to ADDR. A discovery\n"
        "request never has an all-zero body, so gateways do not answer it. Refuses to run in the\n"
        "machine's own network namespace. Prints one summary line.\n\n"
        "--spray sends N valid replies instead, each from another invented gateway (MAC FE:..., counting\n"
        "up from 1), as a host that makes up MACs without end would.\n");
}

bool readNumber(const char *text, long min, long max, long *out)
{
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < min || value > max)
        return false;
    *out = value;
    return true;
}

bool parse(int argc, char **argv, Options *o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage();
            std::exit(0);
        }
        if (arg == "--spray") {
            o->spray = true;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        const char *value = argv[++i];
        long n = 0;
        if (arg == "--to")
            o->to = value;
        else if (arg == "--count" && readNumber(value, 1, 10000000, &n))
            o->count = n;
        else if (arg == "--max-length" && readNumber(value, 0, 65507, &n))
            o->maxLength = int(n);
        else if (arg == "--frame-share" && readNumber(value, 0, 100, &n))
            o->frameShare = int(n);
        else if (arg == "--broadcast-share" && readNumber(value, 0, 100, &n))
            o->broadcastShare = int(n);
        else if (arg == "--seed" && readNumber(value, 0, 0xFFFFFFFL, &n))
            o->seed = unsigned(n);
        else if (arg == "--port" && readNumber(value, 1, 65535, &n))
            o->port = int(n);
        else
            return false;
    }
    return !o->to.empty();
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parse(argc, argv, &options)) {
        std::fprintf(stderr, "udpflood: bad arguments (see --help)\n");
        return 2;
    }
    if (NetnsGuard::inMachineNetwork()) {
        std::fprintf(stderr, "udpflood: refusing to use the machine's own network; run me in a private "
                             "network namespace (scripts/netns-run, ip netns exec)\n");
        return 2;
    }

    sockaddr_in unicast{};
    unicast.sin_family = AF_INET;
    unicast.sin_port = htons(uint16_t(options.port));
    if (inet_pton(AF_INET, options.to.c_str(), &unicast.sin_addr) != 1) {
        std::fprintf(stderr, "udpflood: --to must be an IPv4 address\n");
        return 2;
    }
    sockaddr_in broadcast = unicast;
    broadcast.sin_addr.s_addr = htonl(INADDR_BROADCAST);

    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        std::perror("udpflood: socket");
        return 1;
    }

    std::mt19937 random(options.seed);
    const auto below = [&random](int n) { return int(random() % unsigned(n)); };
    std::vector<uint8_t> datagram;
    long sent = 0, broadcasts = 0, frames = 0, replies = 0, failed = 0;
    for (long i = 0; i < options.count; ++i) {
        const bool frame = options.spray || below(100) < options.frameShare;
        datagram.resize(size_t(frame ? FrameSize : below(options.maxLength + 1)));
        for (uint8_t &byte : datagram)
            byte = uint8_t(random());
        if (frame) {
            const int pick = below(5);
            if (pick < 4)
                datagram[0] = Kinds[pick];
            if (datagram[0] == 0x01)
                datagram[FrameSize - 1] |= 1;
            if (options.spray) {
                datagram[0] = 0xF0;
                const uint64_t mac = 0xFE0000000000ULL + uint64_t(i) + 1;
                for (int b = 0; b < 6; ++b)
                    datagram[size_t(7 + b)] = uint8_t(mac >> (8 * (5 - b)));
                datagram[FrameSize - 1] = 0;
            }
            replies += datagram[0] == 0xF0;
        }
        const bool toAll = below(100) < options.broadcastShare;
        const sockaddr_in &target = toAll ? broadcast : unicast;
        if (sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr *>(&target),
                   sizeof target) < 0) {
            ++failed;
            continue;
        }
        ++sent;
        broadcasts += toAll;
        frames += frame;
    }
    close(fd);
    std::printf("udpflood: sent %ld datagrams (%ld broadcast, %ld of 60 bytes, %ld replies), %ld failed\n",
                sent, broadcasts, frames, replies, failed);
    return sent > 0 ? 0 : 1;
}
