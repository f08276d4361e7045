# libdeflate (gzip inflation) as the target velbrin::deflate: the system's package when
# CMake finds its config, else built from source (a machine without the package).
find_package(libdeflate 1.9 CONFIG QUIET)
if(TARGET libdeflate::libdeflate_static)
  add_library(velbrin::deflate ALIAS libdeflate::libdeflate_static)
elseif(TARGET libdeflate::libdeflate_shared)
  add_library(velbrin::deflate ALIAS libdeflate::libdeflate_shared)
else()
  message(STATUS "libdeflate not found: building it from source")
  enable_language(C)
  include(FetchContent)
  set(LIBDEFLATE_BUILD_SHARED_LIB OFF CACHE BOOL "" FORCE)
  set(LIBDEFLATE_BUILD_GZIP OFF CACHE BOOL "" FORCE)
  set(LIBDEFLATE_BUILD_TESTS OFF CACHE BOOL "" FORCE)
  set(LIBDEFLATE_COMPRESSION_SUPPORT OFF CACHE BOOL "" FORCE)
  set(LIBDEFLATE_ZLIB_SUPPORT OFF CACHE BOOL "" FORCE)
  # GitHub's archive of the v1.23 tag; Debian's libdeflate 1.23 source package carries the
  # same file, byte for byte, as its original tarball.
  FetchContent_Declare(libdeflate
    URL https://github.com/ebiggers/libdeflate/archive/refs/tags/v1.23.tar.gz
    URL_HASH SHA256=1ab18349b9fb0ce8a0ca4116bded725be7dcbfa709e19f6f983d99df1fb8b25f
    EXCLUDE_FROM_ALL)
  FetchContent_MakeAvailable(libdeflate)
  set_target_properties(libdeflate_static PROPERTIES POSITION_INDEPENDENT_CODE ON)
  add_library(velbrin::deflate ALIAS libdeflate_static)
endif()
