# What makes two builds of one commit byte-identical, wherever and
# whenever they run, and keeps the shipped program small.
#
# TORVA_SOURCE_DATE_EPOCH: the one date that goes into built files (the
# help file's header, the zip entries, the installer's summary). It is
# SOURCE_DATE_EPOCH from the environment when set, else the date of the
# last commit, read when CMake configures; a new commit reconfigures.

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(TORVA_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE TORVA_SOURCE_DATE_EPOCH
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --absolute-git-dir
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE torva_git_dir
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    # The reflog of HEAD grows with every commit, checkout and merge.
    if(torva_git_dir AND EXISTS ${torva_git_dir}/logs/HEAD)
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${torva_git_dir}/logs/HEAD)
    endif()
  endif()
endif()
if(NOT TORVA_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  # No git and no SOURCE_DATE_EPOCH (a source tarball): a fixed date, the
  # earliest a zip entry can carry, rather than the time of the build.
  set(TORVA_SOURCE_DATE_EPOCH 315532800)
  message(STATUS "No SOURCE_DATE_EPOCH and no git history: dating built files 1980-01-01")
endif()
# Rules that stamp the date depend on this file, which changes only when
# the date does.
set(TORVA_SOURCE_DATE_FILE ${CMAKE_BINARY_DIR}/source-date-epoch.txt)
file(CONFIGURE OUTPUT ${TORVA_SOURCE_DATE_FILE} CONTENT "${TORVA_SOURCE_DATE_EPOCH}\n")

# ---------------------------------------------------------------- Windows
# Release flags of the Windows builds, for every target (the test programs
# and GoogleTest too: they do no harm there and keep the programs alike).
if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # No build folder in any output: paths in debug information, __FILE__ and
  # assertion texts are written relative to the source and build trees.
  # GCC uses the last matching map, so the build tree (which may lie inside
  # the source tree) comes last.
  # (C and C++ only: the resource compiler takes none of these.)
  add_compile_options(
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=build/>")
  # Every function and datum in a section of its own, so that the linker can
  # drop what nothing uses.
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffunction-sections;-fdata-sections>")
  add_link_options(-Wl,--gc-sections)
  # No link time in the PE header.
  add_link_options(-Wl,--no-insert-timestamp)
endif()
