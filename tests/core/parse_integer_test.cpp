// Typed whole numbers: the whole text must be the number, and out-of-range values never wrap into range.
#include "core/ParseInteger.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tarnvale {
namespace {

TEST(ParseInteger, TakesASignedDecimalInRangeAndNothingElse) {
    const struct {
        const char* text;
        std::optional<std::uint16_t> port; // 1 to 65535
        std::optional<std::int32_t> pid;   // every 32-bit value
    } rows[] = {
        {"80", 80, 80},
        {"+80", 80, 80},
        {"65535", 65535, 65535},
        {"0", std::nullopt, 0},
        {"65536", std::nullopt, 65536},
        {"-1", std::nullopt, -1},
        {"-2147483648", std::nullopt, INT32_MIN},
        {"2147483648", std::nullopt, std::nullopt},
        {"4294967376", std::nullopt, std::nullopt}, // 2^32 + 80
        {"99999999999999999999", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"+", std::nullopt, std::nullopt},
        {"+-5", std::nullopt, std::nullopt},
        {" 80", std::nullopt, std::nullopt},
        {"80 ", std::nullopt, std::nullopt},
        {"8O", std::nullopt, std::nullopt},
        {"0x50", std::nullopt, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string("\"") + row.text + "\"");
        EXPECT_EQ(ParseInteger<std::uint16_t>(row.text, 1, 65535), row.port);
        EXPECT_EQ(ParseInteger<std::int32_t>(row.text), row.pid);
    }
}

} // namespace
} // namespace tarnvale
