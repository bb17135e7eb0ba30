# Common settings for every target of the project.

function(hotfix_apply_settings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8)
    if(HOTFIX_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                           -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
                           -Wimplicit-fallthrough)
    if(HOTFIX_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
  if(HOTFIX_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                           -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# hotfix_library(NAME SOURCES ... [DEPS ...] [PRIVATE_DEPS ...])
function(hotfix_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  hotfix_apply_settings(${name})
endfunction()

# hotfix_executable(NAME SOURCES ... [DEPS ...])
function(hotfix_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  hotfix_apply_settings(${name})
endfunction()

# hotfix_test(NAME SOURCES ... [DEPS ...]): one GoogleTest program, its cases registered with CTest.
function(hotfix_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
  hotfix_apply_settings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# hotfix_fuzzer(NAME SOURCES ... [DEPS ...]): one libFuzzer program (HOTFIX_FUZZ builds only).
function(hotfix_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  hotfix_apply_settings(${name})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
