# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# AddressSanitizer and UndefinedBehaviorSanitizer for the Linux debug build, so that the unit
# tests catch a read past a buffer, a use after free or a leak instead of passing by luck.
# GCC and Clang only; never for Windows builds, whose tests run the real executable under Wine.
if(NOT WIN32 AND NOT MSVC AND CMAKE_BUILD_TYPE STREQUAL "Debug")
  set(morv_sanitize_default ON)
else()
  set(morv_sanitize_default OFF)
endif()
option(MORV_SANITIZE "Build the Linux unit tests with AddressSanitizer and UBSan"
       ${morv_sanitize_default})

# Public, so that whatever links the target (the fake platform, the unit tests) is built and
# linked the same way.
function(morv_enable_sanitizers target)
  if(MORV_SANITIZE AND NOT WIN32 AND NOT MSVC)
    # Any finding stops the test program, so the test fails rather than printing a warning.
    target_compile_options(${target} PUBLIC -fsanitize=address,undefined
                           -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()
