# RE2 (the ID patterns of pairing: matching in time linear in the text) as the target
# re2::re2: the system's package when CMake finds its config or pkg-config finds re2.pc
# (Debian ships only the latter), else fetched (a machine without the package).  RE2
# needs Abseil, which is fetched with it.
find_package(Threads REQUIRED)
find_package(re2 CONFIG QUIET)
if(NOT TARGET re2::re2)
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(velbrin_re2 QUIET IMPORTED_TARGET re2)
    # The shared RE2 brings some forty shared Abseil libraries, whose loading costs a
    # short run of the command more than its work; their archives, where installed, are
    # linked in instead (only what the ID patterns use is taken from them).
    find_library(velbrin_re2_archive NAMES libre2.a HINTS ${velbrin_re2_LIBRARY_DIRS})
    if(velbrin_re2_FOUND AND velbrin_re2_archive)
      set(archives "")
      set(shared "")
      foreach(name IN LISTS velbrin_re2_STATIC_LIBRARIES)
        if(name MATCHES "^(re2|absl_)")
          list(APPEND archives "-l${name}")
        else()
          list(APPEND shared "-l${name}")
        endif()
      endforeach()
      add_library(velbrin_re2_static INTERFACE)
      target_include_directories(velbrin_re2_static INTERFACE ${velbrin_re2_STATIC_INCLUDE_DIRS})
      target_compile_options(velbrin_re2_static INTERFACE ${velbrin_re2_STATIC_CFLAGS_OTHER})
      target_link_libraries(velbrin_re2_static INTERFACE
        "-Wl,-Bstatic" "-Wl,--start-group" ${archives} "-Wl,--end-group" "-Wl,-Bdynamic"
        ${shared} Threads::Threads)
      add_library(re2::re2 ALIAS velbrin_re2_static)
      set(velbrin_re2_linked_in TRUE)
    elseif(velbrin_re2_FOUND)
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
  set(velbrin_re2_linked_in TRUE)
endif()
# Whether RE2 is linked into the command rather than loaded as a shared C++ library,
# which would bring the shared C++ runtime with it.
if(NOT velbrin_re2_linked_in)
  get_target_property(velbrin_re2_type re2::re2 TYPE)
  if(velbrin_re2_type STREQUAL "STATIC_LIBRARY")
    set(velbrin_re2_linked_in TRUE)
  else()
    set(velbrin_re2_linked_in FALSE)
  endif()
endif()
