#pragma once
// The texts of the lab's shared archive as the window offers it, in both languages.

#include "Texts.h"

namespace vemla::sharedtext {

inline constexpr BilingualText kMenuShared{"Shared archive...", "共享存档..."};
inline constexpr BilingualText kDlgTitle{"Shared archive", "共享存档"};
inline constexpr BilingualText kServerLabel{
    "Server (a PostgreSQL connection string or service name):",
    "服务器(PostgreSQL 连接字符串或服务名):"};
inline constexpr BilingualText kServerHint{"e.g. service=lab  or  host=lab-server dbname=vemla",
                                           "例如 service=lab 或 host=lab-server dbname=vemla"};
inline constexpr BilingualText kLocalOnly{
    "Empty: the archive stays on this PC only. Uploads are always kept here first; the shared "
    "archive receives them when the server can be reached.",
    "留空：档案只保存在本机。上传的数据总是先保存在本机，能连上服务器时再送到共享存档。"};
inline constexpr BilingualText kPasswordNote{
    "Vemla never stores a password: put it in ~/.pgpass or in the PostgreSQL service file.",
    "Vemla 从不保存密码：请写入 ~/.pgpass 或 PostgreSQL 服务文件。"};
inline constexpr BilingualText kEnvironmentWins{
    "VEMLA_ARCHIVE_SERVER is set for this program and is used instead: %1",
    "本程序已设置 VEMLA_ARCHIVE_SERVER，将改用它: %1"};
inline constexpr BilingualText kPasswordRefused{
    "A password does not belong in Vemla's settings. Put it in ~/.pgpass or in the PostgreSQL "
    "service file, and leave it out here.",
    "密码不应保存在 Vemla 的设置中。请写入 ~/.pgpass 或 PostgreSQL 服务文件，此处不要填写。"};
inline constexpr BilingualText kServerTooLong{"The server text is too long (at most %1 characters).",
                                              "服务器文本过长(最多 %1 个字符)。"};

} // namespace vemla::sharedtext
