#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "app/core/ErrorText.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"

TEST(UserMessageFor, NamesEveryErrorInTheUsersLanguage) {
    EXPECT_EQ(UserMessageFor(ToolError("ﾌｧｲﾙ x は開けません")), "ﾌｧｲﾙ x は開けません");
    EXPECT_EQ(UserMessageFor(std::bad_alloc()), kOutOfMemory);
    EXPECT_EQ(UserMessageFor(std::length_error("basic_string::_M_create")),
              std::string(kUnexpectedError) + "\r\n\r\nbasic_string::_M_create");
    EXPECT_EQ(UserMessageForUnknownError(), kUnexpectedError);
}
