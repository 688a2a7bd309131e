# Flags that make code loadable on Windows 95: 486 instructions only, no C runtime,
# no exceptions, RTTI or thread-local storage, Windows 95-era headers.
set(QV_MODULE_COMPILE_OPTIONS
  -march=i486 -mtune=pentium -Os
  -ffreestanding -fno-exceptions -fno-rtti -fno-threadsafe-statics
  -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-stack-protector
  -fno-builtin-printf -fno-ident -Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
set(QV_MODULE_DEFINITIONS WINVER=0x0400 _WIN32_WINNT=0x0400 _WIN32_IE=0x0300 WIN32_LEAN_AND_MEAN
  NOMINMAX STRICT)

function(qv_module_flags target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX,C>:${QV_MODULE_COMPILE_OPTIONS}>
    $<$<COMPILE_LANGUAGE:ASM>:-march=i486>)
  target_compile_definitions(${target} PUBLIC ${QV_MODULE_DEFINITIONS})
endfunction()

# The system DLLs the module may import from; nothing else is linked.
set(QV_SYSTEM_LIBS kernel32 user32 gdi32 advapi32 shell32 comctl32 comdlg32)

function(qv_module_link target deffile)
  target_link_options(${target} PRIVATE
    -nostdlib -static-libgcc -Wl,--kill-at -Wl,-e,_ModuleEntry@12
    -Wl,--subsystem,windows:4.0 -Wl,--major-os-version,4 -Wl,--minor-os-version,0
    -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0
    -Wl,--enable-stdcall-fixup -Wl,--disable-runtime-pseudo-reloc
    -Wl,--disable-dynamicbase -Wl,--disable-nxcompat -Wl,--disable-auto-import -s
    ${deffile})
  target_link_libraries(${target} PRIVATE ${QV_SYSTEM_LIBS} gcc)
endfunction()
