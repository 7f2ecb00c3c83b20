# Sourced by every script that runs Wine (the product runner, the benchmarks
# and the tests): picks one Wine loader per architecture, and sets up and
# stops a prefix the same way for all of them.
#
# Some kernels run no 32-bit programs at all (no IA-32 emulation): there the
# 32-bit loader fails with "Exec format error" even when wine32 is installed.
# The kernel is asked directly, with a tiny static 32-bit program, so that a
# missing or broken wine32 on a kernel that could run it is a failure, never
# a skip.
#
# After sourcing:
#   wine_loader_x86_64   the 64-bit loader
#   wine_server          the 64-bit Wine server, which serves both
#   wine_loader_i686     the 32-bit loader, or "" when this kernel runs no
#                        32-bit programs
#   wine_skip_i686       why the i686 stage cannot run here, or ""
#   WINEARCH             win64 when only the 64-bit loader can run
#   wine_run_arch        the build the product runs from: i686, the shipped
#                        one, where this kernel runs it, else x86_64
#   wine_run_loader      that build's loader
#   wine_run_why         one line saying which build and why
#   WINEDEBUG, WINEDLLOVERRIDES
#                        quiet, and no .NET or HTML engine to install
#   wine_boot            runs wineboot through the chosen loader
#   wine_managed Y|N     whether a window manager manages Wine's windows
#   wine_stop            ends the prefix's Wine processes

# True when the kernel executes a 32-bit x86 ELF program.
kernel_runs_32bit() {
  local probe status
  probe=$(mktemp)
  # ELF32 header, one PT_LOAD segment, then: mov eax,1; xor ebx,ebx; int 0x80
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' >>"$probe"
  printf '\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00' >>"$probe"
  printf '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >>"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  status=$?
  rm -f "$probe"
  [ "$status" -eq 0 ]
}

wine_loader_x86_64=/usr/lib/wine/wine64
wine_server=/usr/lib/wine/wineserver64
wine_loader_i686=/usr/lib/wine/wine
wine_skip_i686=
if ! kernel_runs_32bit; then
  wine_loader_i686=
  wine_skip_i686="this kernel runs no 32-bit programs"
  export WINEARCH=win64
fi
# shellcheck disable=SC2034  # read by the scripts that source this file
if [ -n "$wine_loader_i686" ]; then
  wine_run_arch=i686
  wine_run_loader=$wine_loader_i686
  wine_run_why="the shipped i686 DLL (this kernel runs 32-bit programs)"
else
  wine_run_arch=x86_64
  wine_run_loader=$wine_loader_x86_64
  wine_run_why="the x86_64 DLL: $wine_skip_i686, so not the shipped i686 one"
fi

wine_boot() {  # wine_boot: makes or updates $WINEPREFIX, and waits until it is settled
  timeout 180 "$wine_loader_x86_64" wineboot -i || return
  # wineboot leaves set-up work running; the first registry reads after it
  # can otherwise miss keys written meanwhile.
  timeout 120 "$wine_server" -w
}

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

# Y on a desktop, where the user's window manager frames and closes Wine's
# windows; N under a private X server with no window manager, where Wine
# would otherwise wait for each managed window's close.
wine_managed() {  # wine_managed Y|N
  timeout 60 "$wine_loader_x86_64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$1" /f \
    >/dev/null 2>&1
}

wine_stop() {  # wine_stop: ends every Wine process of $WINEPREFIX and waits for them
  timeout 30 "$wine_server" -k >/dev/null 2>&1
  timeout 30 "$wine_server" -w >/dev/null 2>&1
}
