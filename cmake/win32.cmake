# The Windows executable: the forms, the Win32 backend and the resources.
add_executable(morvtime WIN32
  platform/win32_dpi.cpp
  platform/win32_main.cpp
  platform/win32_platform.cpp
  platform/win32_registry.cpp
  platform/win32_text.cpp
  platform/win32_window.cpp
  resources/morvtime.rc)
# No comctl32: the program loads it itself once library loading is restricted (win32_main.cpp).
target_link_libraries(morvtime PRIVATE morv_core user32 gdi32 advapi32)
target_compile_definitions(morvtime PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                            _WIN32_WINNT=0x0A00 WINVER=0x0A00)
morv_set_warnings(morvtime)

if(MSVC)
  # The resource script embeds the manifest; the linker must not add its own. The static
  # runtime keeps the executable free of redistributable DLLs.
  set_property(TARGET morvtime PROPERTY MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  target_link_options(morvtime PRIVATE /MANIFEST:NO /DYNAMICBASE /NXCOMPAT /HIGHENTROPYVA)
  # The imports themselves are looked for in the system folder only (Windows 10 1607 and later).
  target_link_options(morvtime PRIVATE /DEPENDENTLOADFLAG:0x800)
else()
  # Fully static: the executable imports system DLLs only. ASLR, DEP and high-entropy addresses
  # are asked for explicitly, whatever the linker's defaults.
  target_link_options(morvtime PRIVATE -municode -static -s
                      -Wl,--dynamicbase -Wl,--nxcompat -Wl,--high-entropy-va)
  # Size. libstdc++'s default terminate handler prints the uncaught exception's demangled type
  # to stderr before it aborts; a GUI program has no stderr, yet the demangler and the printf
  # machinery it pulls in are a quarter of the executable. Terminating goes straight to abort()
  # instead, the same end as before. --gc-sections drops unreferenced data and code.
  target_link_options(morvtime PRIVATE -Wl,--gc-sections
                      -Wl,--defsym=_ZN9__gnu_cxx27__verbose_terminate_handlerEv=abort)
  set_property(SOURCE resources/morvtime.rc APPEND PROPERTY COMPILE_OPTIONS -c 65001)
endif()

# The read-me sits next to the executable, where the read-me command looks for it.
add_custom_command(TARGET morvtime POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/resources/Morvyomi.txt
          $<TARGET_FILE_DIR:morvtime>/Morvyomi.txt)

# The release zip.
include(${PROJECT_SOURCE_DIR}/cmake/package.cmake)
