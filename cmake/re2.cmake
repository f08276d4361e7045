# RE2 (the ID patterns of pairing: matching in time linear in the text) as the target
# re2::re2: the system's package when CMake finds its config or pkg-config finds re2.pc
# (Debian ships only the latter), else fetched (a machine without the package).  RE2
# needs Abseil, which is fetched with it.
find_package(re2 CONFIG QUIET)
if(NOT TARGET re2::re2)
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(velbrin_re2 QUIET IMPORTED_TARGET re2)
    if(velbrin_re2_FOUND)
      add_library(re2::re2 ALIAS PkgConfig::velbrin_re2)
    endif()
  endif()
endif()
if(NOT TARGET re2::re2)
  message(STATUS "RE2 not found: fetching it")
  include(FetchContent)
  set(ABSL_PROPAGATE_CXX_STD ON CACHE BOOL "" FORCE)
  set(ABSL_ENABLE_INSTALL OFF CACHE BOOL "" FORCE)
  set(RE2_BUILD_TESTING OFF CACHE BOOL "" FORCE)
  FetchContent_Declare(abseil
    URL https://github.com/abseil/abseil-cpp/releases/download/20240722.0/abseil-cpp-20240722.0.tar.gz
    URL_HASH SHA256=f50e5ac311a81382da7fa75b97310e4b9006474f9560ac46f54a9967f07d4ae3
    EXCLUDE_FROM_ALL)
  FetchContent_Declare(re2
    URL https://github.com/google/re2/releases/download/2024-07-02/re2-2024-07-02.tar.gz
    URL_HASH SHA256=eb2df807c781601c14a260a507a5bb4509be1ee626024cb45acbd57cb9d4032b
    EXCLUDE_FROM_ALL)
  FetchContent_MakeAvailable(abseil re2)
endif()
