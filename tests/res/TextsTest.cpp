// The reply messages, the one text table the window tests do not walk through code by code.
// The window's own texts are checked where it shows them (tests/app, tests/dialogs,
// tests/report), so nothing here repeats them.
#include "Texts.h"

#include <gtest/gtest.h>

#include <map>

namespace vemla {
namespace {

TEST(ReplyMessage, EveryCodeHasItsTextInBothLanguages) {
    const std::map<int, BilingualText> known{
        {1, {"CONNECT SUCESS!", "连接成功!"}},
        {2, {"", ""}},
        {3, {"CHOOSE WAVE SUCESS!", "波长选择成功!"}},
        {5, {"UPLOAD SUCESS!", "上传完成!"}},
        {6, {"DELETE SELECTED SUCESS!", "删除选中成功!"}},
        {7, {"DELETE ALL SUCESS!", "删除全部成功!"}},
        {8, {"Adjust SET SUCESS!", "校准值设置成功!"}},
        {9, {"TIME SET SUCESS!", "时间设定成功!"}},
        {10, {"WAVE SET SUCESS!", "波长设定成功!"}},
        {11, {"LASER SET SUCESS!", "激光器设定成功!"}},
        {12, {"PIN TYPE SET SUCESS!", "PIN类型设定成功!"}},
        {252, {"波长选择失败!", "波长选择失败!"}},
    };
    for (int code = 0; code < 256; ++code) {
        const auto it = known.find(code);
        const BilingualText expected =
            it != known.end() ? it->second : BilingualText{"操作失败!", "操作失败!"};
        const BilingualText& message = ReplyMessage(static_cast<uint8_t>(code));
        EXPECT_EQ(message.english, expected.english) << code;
        EXPECT_EQ(message.chinese, expected.chinese) << code;
    }
}

} // namespace
} // namespace vemla
