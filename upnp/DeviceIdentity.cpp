// SHA-1 for the name-based UUID: only to spread a name over 128 bits, never for security, so a small copy here is
// enough and no crypto library is pulled in.
#include "upnp/DeviceIdentity.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace tarnvale {

namespace {

// Our namespace for the device names; any fixed UUID would do, this one is ours.
constexpr Uuid kDeviceNamespace = {0x5c, 0x0e, 0x2b, 0x5d, 0x8f, 0x41, 0x4c, 0x3a,
                                   0x9d, 0x6e, 0x71, 0x2a, 0xc4, 0x90, 0x13, 0x77};

std::uint32_t Rotated(std::uint32_t value, int bits) {
    return value << bits | value >> (32 - bits);
}

std::array<std::uint8_t, 20> Sha1(const std::vector<std::uint8_t>& message) {
    std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::vector<std::uint8_t> padded = message;
    const std::uint64_t bits = static_cast<std::uint64_t>(message.size()) * 8;
    padded.push_back(0x80);
    while (padded.size() % 64 != 56)
        padded.push_back(0);
    for (int i = 7; i >= 0; --i)
        padded.push_back(static_cast<std::uint8_t>(bits >> (i * 8)));
    for (std::size_t block = 0; block < padded.size(); block += 64) {
        std::uint32_t w[80];
        for (int i = 0; i < 16; ++i) {
            const std::uint8_t* p = &padded[block + 4 * i];
            w[i] = std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
        }
        for (int i = 16; i < 80; ++i)
            w[i] = Rotated(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            std::uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6;
            }
            const std::uint32_t next = Rotated(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = Rotated(b, 30);
            b = a;
            a = next;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    std::array<std::uint8_t, 20> digest{};
    for (int i = 0; i < 20; ++i)
        digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
    return digest;
}

} // namespace

Uuid NameBasedUuid(const Uuid& space, std::string_view name) {
    std::vector<std::uint8_t> message(space.begin(), space.end());
    message.insert(message.end(), name.begin(), name.end());
    const auto digest = Sha1(message);
    Uuid uuid{};
    std::copy_n(digest.begin(), uuid.size(), uuid.begin());
    uuid[6] = static_cast<std::uint8_t>((uuid[6] & 0x0F) | 0x50);
    uuid[8] = static_cast<std::uint8_t>((uuid[8] & 0x3F) | 0x80);
    return uuid;
}

std::string UuidText(const Uuid& uuid) {
    std::string text;
    for (std::size_t i = 0; i < uuid.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", uuid[i]);
        text += hex;
    }
    return text;
}

std::string DeviceUdn(std::string_view hostName, std::string_view listFile) {
    // A line break cannot be in a host name, so no two pairs of host and file make the same name.
    std::string name(hostName);
    name += '\n';
    name += listFile;
    return "uuid:" + UuidText(NameBasedUuid(kDeviceNamespace, name));
}

std::string DefaultFriendlyName(std::string_view hostName) {
    return "Tarnvale on " + std::string(hostName.empty() ? "this computer" : hostName);
}

} // namespace tarnvale
