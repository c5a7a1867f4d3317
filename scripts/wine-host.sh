# How this host starts Wine: the one place that decides. Sourced by the
# scripts that install Wine, start it or run tests in it.
#
#   wine_host_runs_32bit      true if this host runs 32-bit (i386) Linux
#                             programs; if not, the reason is in $wine_host_reason
#   wine_host_runs PROGRAM    true if Wine here can start that Windows
#                             program; if not, the reason is in $wine_host_reason
#   wine_has_32bit_loader     true if wine32's loader is installed
#   wine_loader_for PROGRAM   the loader that starts it
#   wine_tool TOOL [ARGS]     one of Wine's own programs (wineboot, reg,
#                             msiexec, cmd, winepath) through the 64-bit loader
#   wine_program PROGRAM [ARGS]   a Windows program through its loader, in
#                             place of the shell (last, or in the background)
#
# Some hosts run no 32-bit program at all (a hypervisor that runs 64-bit
# code only, or a kernel started with ia32_emulation=0). Debian's `wine`
# always picks the 32-bit loader once wine32:i386 is installed, so no plain
# `wine` is used here: the 64-bit loader starts 64-bit programs and Wine's
# tools, with WINELOADER naming it for the processes Wine starts in turn.
#
# TORVA_NO_32BIT=1 makes the host count as one that runs no 32-bit program,
# to try that path where it does; without it, the answer comes from running
# a 32-bit program.

wine_host_reason=

wine_has_32bit_loader() { [ -x /usr/lib/wine/wine ]; }

# The 64-bit loader: Debian's, or another distribution's wine64 on the PATH.
wine_loader64() {
  if [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64; else command -v wine64 || echo wine64; fi
}

# Writes a 96-byte i386 Linux program that exits with status 7 to FILE:
# the ELF header, one program header, and mov eax,1; mov ebx,7; int 0x80.
write_i386_probe() {
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0'`
        `'\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10'`
        `'\140\0\0\0\140\0\0\0\5\0\0\0\0\20\0\0\270\1\0\0\0\273\7\0\0\0\315\200' >"$1"
  chmod +x "$1"
}

wine_host_runs_32bit() {
  if [ "${TORVA_NO_32BIT:-}" = 1 ]; then
    wine_host_reason="TORVA_NO_32BIT=1 says this host runs no 32-bit program"
    return 1
  fi
  local dir status
  dir=$(mktemp -d) || { wine_host_reason="no temporary folder to try a 32-bit program in"; return 1; }
  write_i386_probe "$dir/probe32"
  # A copy of a 64-bit program beside it shows that the folder runs programs at all.
  cp /bin/true "$dir/probe64"
  "$dir/probe32" 2>/dev/null
  status=$?
  if ! "$dir/probe64"; then
    wine_host_reason="$dir runs no program at all (mounted noexec?); set TMPDIR to a folder that does"
    status=1
  elif [ "$status" -ne 7 ]; then
    wine_host_reason="this host runs no 32-bit program (a 32-bit Linux program would not start)"
  fi
  rm -rf "$dir"
  [ "$status" -eq 7 ]
}

# The machine field of a PE file's header: 8664 for x86-64, 014c for i386.
pe_machine() {
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null) || return
  od -An -tx2 -j$((header + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}

wine_host_runs() {
  [ "$(pe_machine "$1")" != 014c ] || wine_host_runs_32bit
}

# A 32-bit program goes through Debian's `wine`, which picks the 32-bit loader
# that wine32 installs; everything else through the 64-bit loader. (With
# wine32 installed, `wine` would start a 64-bit program through a 32-bit
# start.exe: an extra process for each, and a rare transient CreateProcess
# failure, error 1359.)
wine_loader_for() {
  if [ "$(pe_machine "$1")" = 014c ]; then echo wine; else wine_loader64; fi
}

wine_tool() {
  WINELOADER=$(wine_loader64) "$(wine_loader64)" "$@"
}

# Without wine32, `wine` would hand a 32-bit program to the 64-bit loader,
# which fails to start it and still exits with 0: a test that never ran
# would pass.
wine_program() {
  local loader
  loader=$(wine_loader_for "$1")
  if [ "$loader" = wine ] && ! wine_has_32bit_loader; then
    echo "Wine's 32-bit loader is not installed (wine32:i386; scripts/install-deps.sh installs it)" >&2
    exit 1
  fi
  [ "$loader" = wine ] || export WINELOADER=$loader
  exec "$loader" "$@"
}
