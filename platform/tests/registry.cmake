# Registry service tests.  Included from platform/CMakeLists.txt.
#
# lumarso_registry_testsupport: scratch keys, the test-only administrator of
# a registry, and a handle-counting wrapper; the registry under test is picked
# by linking one of the two lumarso_registry_world_* libraries.
add_library(lumarso_registry_testsupport STATIC ${CMAKE_CURRENT_SOURCE_DIR}/tests/scratch_key.cpp)
target_link_libraries(lumarso_registry_testsupport PUBLIC lumarso_platform_common)

add_library(lumarso_registry_world_double STATIC
            ${CMAKE_CURRENT_SOURCE_DIR}/tests/registry_world_double.cpp)
target_link_libraries(lumarso_registry_world_double
                      PUBLIC lumarso_registry_testsupport lumarso_platform_doubles)

if(WIN32)
  add_library(lumarso_registry_world_win32 STATIC
              ${CMAKE_CURRENT_SOURCE_DIR}/tests/registry_world_win32.cpp)
  target_link_libraries(lumarso_registry_world_win32
                        PUBLIC lumarso_registry_testsupport lumarso_platform_win32 lumarso_test_support_win32)
endif()

# One contract suite, run against the double (natively, and under Wine in the
# win32 build) and against advapi32 under Wine.
lumarso_add_gtest(registry_contract_double
                  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/registry_contract.cpp
                  LIBS lumarso_registry_world_double)
if(WIN32)
  lumarso_add_gtest(registry_contract_win32
                    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/registry_contract.cpp
                    LIBS lumarso_registry_world_win32)
endif()
