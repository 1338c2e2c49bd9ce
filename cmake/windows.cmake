# What a Windows build takes from the build machine. CLI11, nlohmann-json and
# asio are header-only: their folders are linked into a folder of their own,
# so that the cross compiler never sees the build machine's C library headers.
# GoogleTest is compiled for the target from Debian's source package.
set(KESTOV_HOST_HEADERS ${PROJECT_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${KESTOV_HOST_HEADERS})
foreach(entry asio.hpp asio nlohmann CLI)
  find_path(KESTOV_HEADER_ROOT_${entry} ${entry} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT KESTOV_HEADER_ROOT_${entry})
    message(FATAL_ERROR "${entry} not found: run scripts/setup.sh")
  endif()
  file(CREATE_LINK ${KESTOV_HEADER_ROOT_${entry}}/${entry} ${KESTOV_HOST_HEADERS}/${entry} SYMBOLIC)
endforeach()

target_include_directories(asio_standalone SYSTEM INTERFACE ${KESTOV_HOST_HEADERS})
# Windows 10 and later; asio's serial port sits on I/O completion ports.
target_compile_definitions(asio_standalone INTERFACE _WIN32_WINNT=0x0A00 WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(asio_standalone INTERFACE ws2_32 mswsock)

add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${KESTOV_HOST_HEADERS})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${KESTOV_HOST_HEADERS})

if(KESTOV_BUILD_TESTS)
  set(KESTOV_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources (Debian's googletest package)")
  if(NOT EXISTS ${KESTOV_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${KESTOV_GTEST_SOURCE}: run scripts/setup.sh")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${KESTOV_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()

# localtime_r and gmtime_r from the C runtime, as on POSIX.
add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS=200112L)
# The stack protector's and _FORTIFY_SOURCE's checks live in libssp here; the
# guard and the failure calls are ours (src/link/win/stack_guard.cpp), linked
# ahead of libssp so that its own, costly at start-up, is never pulled in.
add_library(kestov_stack_guard STATIC ${PROJECT_SOURCE_DIR}/src/link/win/stack_guard.cpp)
target_compile_options(kestov_stack_guard PRIVATE -fno-stack-protector)
target_link_libraries(kestov_stack_guard PRIVATE advapi32)
link_libraries(kestov_stack_guard ssp)
