# Compiler warnings for the project's own code: every C and C++ target
# defined under the source tree gets them; code from elsewhere (GoogleTest,
# built from /usr/src when cross-compiling) does not.
#
# TORVA_WARNINGS_AS_ERRORS makes any such warning fail the build.
# TORVA_WERROR=1 in the environment (scripts/test.sh sets it) switches it on
# for good in that build tree; a configure without it leaves it as it is,
# so that the flags, and with them every object file, do not change back.

option(TORVA_WARNINGS_AS_ERRORS "Treat warnings in the project's own code as errors" OFF)
if("$ENV{TORVA_WERROR}")
  set(TORVA_WARNINGS_AS_ERRORS ON CACHE BOOL "Treat warnings in the project's own code as errors" FORCE)
endif()
set(TORVA_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion)
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # Clang's -Wconversion also warns of every signed/unsigned mix, which
  # GCC's leaves out in C++; the same checks on both compilers.
  list(APPEND TORVA_WARNING_FLAGS -Wno-sign-conversion)
endif()

# Adds the warnings to the targets of one directory and those below it.
function(torva_add_warnings directory)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      target_compile_options(${target} PRIVATE
        "$<$<COMPILE_LANGUAGE:C,CXX>:${TORVA_WARNING_FLAGS}>")
      set_property(TARGET ${target} PROPERTY COMPILE_WARNING_AS_ERROR ${TORVA_WARNINGS_AS_ERRORS})
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${subdirectory}" NORMALIZE ours)
    if(ours)
      torva_add_warnings(${subdirectory})
    endif()
  endforeach()
endfunction()

# GoogleTest's headers, when it is built here, count as system headers, so
# that what they do in our tests' compilations is not reported either.
foreach(target gtest gtest_main gmock gmock_main)
  if(TARGET ${target})
    set_property(TARGET ${target} PROPERTY SYSTEM TRUE)
  endif()
endforeach()

torva_add_warnings(${PROJECT_SOURCE_DIR})

# cppcheck over the program's sources, as a test of the native build: any
# finding fails it. The cases that are meant are suppressed where they are,
# each with its reason (cppcheck-suppress comments). One check is off for
# all: useStlAlgorithm, which would have the engine's look-ups in its small
# fixed tables written with std::find_if; they are plain loops on purpose,
# in keeping with the engine's procedural style. --library=windows tells it
# what the Win32 calls of src/torva and src/vexlib do (handles, resources).
# Once is enough: in the native build, not again in the fuzz build.
if(BUILD_TESTING AND NOT CMAKE_CROSSCOMPILING AND NOT TORVA_BUILD_FUZZERS)
  find_program(TORVA_CPPCHECK cppcheck)
  if(TORVA_CPPCHECK)
    add_test(NAME cppcheck_src
             COMMAND ${TORVA_CPPCHECK} --enable=warning,style,performance,portability
                     --std=c++17 --library=windows --platform=win64 --inline-suppr
                     --suppress=useStlAlgorithm --error-exitcode=1 --quiet
                     -I src/engine -I src/torva -I src/vexlib -I res src
             WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
    set_tests_properties(cppcheck_src PROPERTIES TIMEOUT 300)
  else()
    message(STATUS "cppcheck not found: no cppcheck_src test")
  endif()
endif()
