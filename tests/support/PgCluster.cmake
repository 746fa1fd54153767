# The throwaway PostgreSQL cluster of the shared-archive tests and benchmarks: QtCore and libpq
# only, so any test or benchmark program may link it; the benchmarks build without the tests.
include_guard(GLOBAL)
add_library(vemla_test_pg STATIC ${CMAKE_CURRENT_LIST_DIR}/PgCluster.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PgCluster.h)
target_include_directories(vemla_test_pg PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vemla_test_pg PUBLIC Qt6::Core PRIVATE PkgConfig::libpq)
