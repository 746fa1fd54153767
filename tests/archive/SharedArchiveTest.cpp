// The lab's shared archive on a real PostgreSQL server (tests/support/PgCluster): what the
// server itself allows each role, and what the program asks of it.
#include "PgCluster.h"

#include <gtest/gtest.h>

namespace vemla {
namespace {

TEST(SharedArchive, ClusterTakesALoginOnItsOwnDatabase) {
    VEMLA_REQUIRE_PG(cluster);
    ASSERT_TRUE(cluster->MakeLogin(QStringLiteral("smoke")));
    ASSERT_TRUE(cluster->MakeDatabase(QStringLiteral("smoke"), QStringLiteral("smoke")));
    EXPECT_EQ(cluster->Exec(QStringLiteral("CREATE TABLE t (x int)"), QStringLiteral("smoke")),
              QString());
    EXPECT_TRUE(cluster->Conninfo(QStringLiteral("smoke"), QStringLiteral("smoke"))
                    .startsWith(QStringLiteral("host=/tmp/vemla-pg-")));
}

} // namespace
} // namespace vemla
