// The number rules every bound field of the dialogs follows.
#include "DataExchange.h"

#include <gtest/gtest.h>

#include <vector>

namespace vemla {
namespace {

TEST(DataExchangeTest, DecimalRules) {
    // {text, as signed, as unsigned}
    const std::vector<std::tuple<const char*, std::optional<int32_t>, std::optional<uint32_t>>>
        cases{
            {"  42 ", 42, 42u},
            {"+7", 7, 7u},
            {"-0", 0, std::nullopt},
            {"", std::nullopt, std::nullopt},
            {"12a", std::nullopt, std::nullopt},
            {"2147483647", 2147483647, 2147483647u},
            {"-2147483648", INT32_MIN, std::nullopt},
            {"2147483648", std::nullopt, 2147483648u},
            {"4294967295", std::nullopt, 4294967295u},
            {"4294967296", std::nullopt, std::nullopt},
            {"99999999999999999999999", std::nullopt, std::nullopt},
            {"１２", std::nullopt, std::nullopt}, // full-width digits are not decimal text here
        };
    for (const auto& [text, asSigned, asUnsigned] : cases) {
        EXPECT_EQ(ParseSignedDecimal(QString::fromUtf8(text)), asSigned) << text;
        EXPECT_EQ(ParseUnsignedDecimal(QString::fromUtf8(text)), asUnsigned) << text;
    }
}

} // namespace
} // namespace vemla
