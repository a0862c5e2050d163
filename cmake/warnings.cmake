# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# One warning policy for every target: strict, and an error, on every compiler.
function(morv_set_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8 /permissive-)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wno-sign-conversion -Werror)
  endif()
endfunction()
