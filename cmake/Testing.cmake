include(GoogleTest)
find_package(GTest REQUIRED)

# qv_test(<name> SOURCES ... [LIBS ...])
# The CTest label is the first folder below tests/ (platform, sim, driver, link, ...), so
# `ctest -L <label>` runs one layer. GUI tests run on Qt's offscreen platform.
function(qv_test name)
  cmake_parse_arguments(T "" "LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}/tests" "${CMAKE_CURRENT_SOURCE_DIR}")
    string(REGEX REPLACE "/.*" "" T_LABEL "${rel}")
  endif()
  add_executable(${name} ${T_SOURCES})
  qv_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  # Every test gets the offscreen platform (harmless for tests without widgets) and a machine
  # root of the build's own, so nothing a test starts writes the user's setup state.
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABEL}"
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               ENVIRONMENT_MODIFICATION "QUORLAN_MACHINE_ROOT=set:${PROJECT_BINARY_DIR}/test-machine-root"
               TIMEOUT 300)
endfunction()
