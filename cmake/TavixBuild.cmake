# Shared build settings and the helpers every folder uses to declare its
# libraries, tests, fuzz targets and benchmarks.

include_directories("${PROJECT_SOURCE_DIR}")

# Warnings for our own targets only; third-party code builds with its defaults.
function(tavix_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TAVIX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(TAVIX_NATIVE)
  if(TAVIX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
  find_package(Threads REQUIRED)
  if(TAVIX_TESTS)
    find_package(GTest REQUIRED)
  endif()
  if(TAVIX_BENCHMARKS)
    find_package(benchmark REQUIRED)
  endif()
  if(TAVIX_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(STATUS "libFuzzer needs clang; fuzz targets are off")
    set(TAVIX_FUZZ OFF)
  endif()
else()
  # Windows binaries must start under Wine without any mingw runtime DLL beside them.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  set(TAVIX_FUZZ OFF)
  set(TAVIX_BENCHMARKS OFF)
  if(TAVIX_TESTS)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
    # googletest's own build defines the GTest:: aliases.
  endif()

  # Every Windows program runs under Wine in a prefix private to this build folder.
  set(TAVIX_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/cmake/wine-run;${TAVIX_WINEPREFIX}")

  # Wine cannot wait for events on a pty-backed COM port without this test-only
  # ioctl shim; it is built for the host and preloaded into 64-bit Wine. The
  # 32-bit build is built but not run here: this machine kind runs no 32-bit
  # Linux programs, so there is no 32-bit Wine to preload it into.
  set(TAVIX_MODEM_SHIM "${CMAKE_BINARY_DIR}/modem_shim.so")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_custom_command(OUTPUT "${TAVIX_MODEM_SHIM}"
      COMMAND cc -shared -fPIC -O2 -o "${TAVIX_MODEM_SHIM}"
              "${PROJECT_SOURCE_DIR}/tests/support/modem_shim.c" -ldl
      DEPENDS "${PROJECT_SOURCE_DIR}/tests/support/modem_shim.c"
      COMMENT "Building the test-only modem-status shim for Wine")
    add_custom_target(modem_shim ALL DEPENDS "${TAVIX_MODEM_SHIM}")
  else()
    add_custom_target(modem_shim)
  endif()
endif()

# tavix_test(NAME n SOURCES ... [LIBS ...] [SERIAL] [GUI] [NATIVE_ONLY] [WINDOWS_ONLY]
#            [TIMEOUT s] [ARGS ...])
# A GoogleTest program, run natively or under Wine by ctest.
#   SERIAL: runs with the modem-status shim preloaded (pty-backed COM ports).
#   GUI:    needs an X display (the test command runs ctest under Xvfb).
function(tavix_test)
  cmake_parse_arguments(T "SERIAL;GUI;NATIVE_ONLY;WINDOWS_ONLY;NO_GTEST_MAIN" "NAME;TIMEOUT" "SOURCES;LIBS;ARGS;LABELS" ${ARGN})
  if(NOT TAVIX_TESTS)
    return()
  endif()
  if(T_NATIVE_ONLY AND NOT TAVIX_NATIVE)
    return()
  endif()
  if(T_WINDOWS_ONLY AND NOT TAVIX_WINDOWS)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  tavix_warnings(${T_NAME})
  if(T_NO_GTEST_MAIN)
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  endif()
  if(TAVIX_NATIVE)
    target_link_libraries(${T_NAME} PRIVATE Threads::Threads)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} ${T_ARGS})
  set(labels ${T_LABELS})
  if(TAVIX_WINDOWS)
    list(APPEND labels wine)
  else()
    list(APPEND labels native)
  endif()
  if(T_GUI)
    list(APPEND labels gui)
    # Windows of two Wine programs on one Xvfb display without a window manager
    # slow each other down badly; such tests take the display in turn.
    set_property(TEST ${T_NAME} APPEND PROPERTY RESOURCE_LOCK tavix_display)
  endif()
  if(T_SERIAL)
    list(APPEND labels serial)
    if(TAVIX_WINDOWS)
      add_dependencies(${T_NAME} modem_shim)
      set_property(TEST ${T_NAME} APPEND PROPERTY ENVIRONMENT "LD_PRELOAD=${TAVIX_MODEM_SHIM}")
    endif()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${labels}")
endfunction()

# tavix_fuzz(NAME n SOURCES ... [LIBS ...] [CORPUS dir] [RUNS n])
# A libFuzzer target (native clang builds only), plus a short deterministic
# run under ctest so every test run exercises it.
function(tavix_fuzz)
  cmake_parse_arguments(F "" "NAME;CORPUS;RUNS" "SOURCES;LIBS" ${ARGN})
  if(NOT TAVIX_FUZZ)
    return()
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  tavix_warnings(${F_NAME})
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  if(NOT F_RUNS)
    set(F_RUNS 20000)
  endif()
  set(args -runs=${F_RUNS} -seed=1)
  if(F_CORPUS)
    list(APPEND args ${F_CORPUS})
  endif()
  add_test(NAME ${F_NAME}_smoke COMMAND ${F_NAME} ${args})
  set_tests_properties(${F_NAME}_smoke PROPERTIES TIMEOUT 300 LABELS "native;fuzz")
endfunction()

# tavix_benchmark(NAME n SOURCES ... [LIBS ...]): a Google Benchmark program.
# Benchmarks report numbers; they are never run as pass/fail tests.
function(tavix_benchmark)
  cmake_parse_arguments(B "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT TAVIX_BENCHMARKS)
    return()
  endif()
  add_executable(${B_NAME} ${B_SOURCES})
  tavix_warnings(${B_NAME})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
endfunction()
