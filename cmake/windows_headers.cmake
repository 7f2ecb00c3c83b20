# The Windows headers are most of the compile time of every Windows source:
# tamborix_windows_headers(<target>) parses them once for the target, in a
# precompiled header that each of its sources starts with. Winsock 2 comes
# first, so that no source meets the older Winsock header windows.h pulls in.
function(tamborix_windows_headers target)
  target_precompile_headers(${target} PRIVATE <winsock2.h> <windows.h>)
endfunction()
