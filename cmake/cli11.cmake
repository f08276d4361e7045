# CLI11 (argument parsing of the command) as the target CLI11::CLI11: the system's
# package when CMake finds its config, else fetched (a machine without the package).
find_package(CLI11 2.3 CONFIG QUIET)
if(NOT TARGET CLI11::CLI11)
  message(STATUS "CLI11 not found: fetching it")
  include(FetchContent)
  set(CLI11_PRECOMPILED OFF CACHE BOOL "" FORCE)
  FetchContent_Declare(cli11
    URL https://github.com/CLIUtils/CLI11/archive/refs/tags/v2.4.2.tar.gz
    EXCLUDE_FROM_ALL)
  FetchContent_MakeAvailable(cli11)
endif()
