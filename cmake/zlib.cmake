# zlib (streaming gzip inflation) as the target velbrin::zlib: the system's library when
# CMake finds it, else built from source (a machine without the package).
find_package(ZLIB 1.2.11 QUIET)
if(TARGET ZLIB::ZLIB)
  add_library(velbrin::zlib ALIAS ZLIB::ZLIB)
else()
  message(STATUS "zlib not found: building it from source")
  enable_language(C)
  include(FetchContent)
  set(ZLIB_BUILD_EXAMPLES OFF CACHE BOOL "" FORCE)
  FetchContent_Declare(zlib
    URL https://github.com/madler/zlib/releases/download/v1.3.1/zlib-1.3.1.tar.gz
    URL_HASH SHA256=9a93b2b7dfdac77ceba5a558a580e74667dd6fede4585b91eefb60f03b72df23
    EXCLUDE_FROM_ALL)
  FetchContent_MakeAvailable(zlib)
  set_target_properties(zlibstatic PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_include_directories(zlibstatic INTERFACE ${zlib_SOURCE_DIR} ${zlib_BINARY_DIR})
  add_library(velbrin::zlib ALIAS zlibstatic)
endif()
