# QUILLSET_BUILD_VERSION: which build this is, for the version information, the log and the
# release's file names. A clean checkout of the commit tagged v<version> builds the plain version;
# any other build names its commit (1.0.0+g0123456789ab) and, when the working tree has changes,
# says so (1.0.0+g0123456789ab-dirty). It comes from git, never from the clock, so one commit always
# builds the same bytes. Without git it is <version>+unknown; a build from a source archive may
# pass the exact one with -DQUILLSET_BUILD_VERSION=...
if(DEFINED CACHE{QUILLSET_BUILD_VERSION})
  message(STATUS "quillset build version (given): ${QUILLSET_BUILD_VERSION}")
  return()
endif()
set(QUILLSET_BUILD_VERSION "${PROJECT_VERSION}+unknown")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --show-toplevel HEAD
                  WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}" RESULT_VARIABLE failed
                  OUTPUT_VARIABLE answer OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  string(REPLACE "\n" ";" answer "${answer};;")
  list(GET answer 0 top)
  list(GET answer 1 commit)
  file(REAL_PATH "${PROJECT_SOURCE_DIR}" source)
  # Only the sources' own repository counts, not one they were unpacked into.
  if(NOT failed AND top STREQUAL source)
    # --no-optional-locks: reading the state must not write the index another git is using.
    execute_process(COMMAND "${GIT_EXECUTABLE}" --no-optional-locks status --porcelain
                    WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}" RESULT_VARIABLE failed
                    OUTPUT_VARIABLE changes ERROR_QUIET)
    if(failed)
      set(changes "unknown")  # a tree that cannot be checked is not taken for a clean one
    endif()
    execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse -q --verify
                            "refs/tags/v${PROJECT_VERSION}^{commit}"
                    WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}" OUTPUT_VARIABLE tagged
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(tagged STREQUAL commit AND changes STREQUAL "")
      set(QUILLSET_BUILD_VERSION "${PROJECT_VERSION}")
    else()
      # Twelve digits whatever git's own abbreviation would be in this clone.
      string(SUBSTRING "${commit}" 0 12 short)
      set(QUILLSET_BUILD_VERSION "${PROJECT_VERSION}+g${short}")
      if(NOT changes STREQUAL "")
        string(APPEND QUILLSET_BUILD_VERSION "-dirty")
      endif()
    endif()
    # A commit or checkout (a new line in HEAD's log) configures again; changes to files are seen
    # when the build is configured, which the scripts do at every build.
    execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --git-path HEAD --git-path logs/HEAD
                    WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}" OUTPUT_VARIABLE watched
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    string(REPLACE "\n" ";" watched "${watched}")
    foreach(file IN LISTS watched)
      file(REAL_PATH "${file}" file BASE_DIRECTORY "${PROJECT_SOURCE_DIR}")
      if(EXISTS "${file}")
        set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                     "${file}")
      endif()
    endforeach()
  endif()
endif()
message(STATUS "quillset build version: ${QUILLSET_BUILD_VERSION}")
