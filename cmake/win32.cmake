# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# Windows: the settings every Windows target shares, the Win32 backend and the program.

# Every Windows target (the program, the benchmark programs, the test programs and the libraries
# the tests load into the clock) is built for the wide-character Win32 API of Windows 10 and,
# with MinGW, linked fully static, so that it imports system DLLs only.
add_library(morv_win32_settings INTERFACE)
target_compile_definitions(morv_win32_settings INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN
                                                         NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
if(NOT MSVC)
  target_link_options(morv_win32_settings INTERFACE -static)
endif()

# morv_dpi_aware_tool(TARGET): a test program or benchmark that measures or reads another
# program's windows is per-monitor DPI aware (v2), by manifest, so that it sees them in their real
# pixels (cmake/dpi_aware_tool.manifest).
function(morv_dpi_aware_tool target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/dpi_aware_tool.rc)
  set_property(SOURCE ${PROJECT_SOURCE_DIR}/cmake/dpi_aware_tool.rc APPEND PROPERTY OBJECT_DEPENDS
               ${PROJECT_SOURCE_DIR}/cmake/dpi_aware_tool.manifest)
  if(MSVC)
    target_link_options(${target} PRIVATE /MANIFEST:NO)  # the resource is the manifest
  endif()
endfunction()

# The platform layer over Win32, for the program and for the tests that drive the backend itself.
# No comctl32: the backend loads it itself once library loading is restricted (win32_controls.cpp).
add_library(morv_win32 STATIC
  platform/win32_accessible.cpp
  platform/win32_controls.cpp
  platform/win32_dpi.cpp
  platform/win32_lines.cpp
  platform/win32_platform.cpp
  platform/win32_registry.cpp
  platform/win32_text.cpp
  platform/win32_window.cpp
  platform/win32_window_scale.cpp)
target_link_libraries(morv_win32 PUBLIC morv_core morv_win32_settings user32 gdi32 advapi32)
morv_set_warnings(morv_win32)

# The Windows executable: the entry, the backend with the forms, and the resources.
add_executable(morvtime WIN32 platform/win32_main.cpp resources/morvtime.rc)
target_link_libraries(morvtime PRIVATE morv_win32)
# The resource compiler's dependencies are found for #include only: the files the script names
# as resources are made dependencies here, so that a changed manifest or icon is built in.
set_property(SOURCE resources/morvtime.rc APPEND PROPERTY OBJECT_DEPENDS
             ${MORV_GENERATED_DIR}/resources/morvtime.manifest ${PROJECT_SOURCE_DIR}/resources/morvtime.ico)
morv_set_warnings(morvtime)

if(MSVC)
  # The resource script embeds the manifest; the linker must not add its own.
  target_link_options(morvtime PRIVATE /MANIFEST:NO /DYNAMICBASE /NXCOMPAT /HIGHENTROPYVA /TSAWARE)
  # The imports themselves are looked for in the system folder only (Windows 10 1607 and later).
  target_link_options(morvtime PRIVATE /DEPENDENTLOADFLAG:0x800)
else()
  # ASLR, DEP and high-entropy addresses are asked for explicitly, whatever the linker's defaults,
  # and Terminal-Server awareness, as MSVC marks every executable: without it, a Remote Desktop
  # host gives the program a private Windows folder and other compatibility shims.
  target_link_options(morvtime PRIVATE -municode -s
                      -Wl,--dynamicbase -Wl,--nxcompat -Wl,--high-entropy-va -Wl,--tsaware)
  # Size. libstdc++'s default terminate handler prints the uncaught exception's demangled type
  # to stderr before it aborts; a GUI program has no stderr, yet the demangler and the printf
  # machinery it pulls in are a quarter of the executable. Terminating goes straight to abort()
  # instead, the same end as before. --gc-sections drops unreferenced data and code.
  target_link_options(morvtime PRIVATE -Wl,--gc-sections
                      -Wl,--defsym=_ZN9__gnu_cxx27__verbose_terminate_handlerEv=abort)
  # Reproducible: no link time in the PE header, so that the same sources give the same bytes
  # (the header's checksum, computed over the file, then follows).
  target_link_options(morvtime PRIVATE -Wl,--no-insert-timestamp)
  # The link map names every archive member and object the linker took: the release's notices
  # and bill of materials are made from it (cmake/release.cmake).
  target_link_options(morvtime PRIVATE -Wl,-Map=${CMAKE_BINARY_DIR}/morvtime.map)
  set_property(SOURCE resources/morvtime.rc APPEND PROPERTY COMPILE_OPTIONS -c 65001)
endif()

# The read-me sits next to the executable, where the read-me command looks for it.
add_custom_command(TARGET morvtime POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/resources/Morvyomi.txt
          $<TARGET_FILE_DIR:morvtime>/Morvyomi.txt)

# The release: the zip and the installer.
include(${PROJECT_SOURCE_DIR}/cmake/release.cmake)
