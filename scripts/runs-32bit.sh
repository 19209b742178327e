#!/usr/bin/env bash
# Tells whether this machine can run the 32-bit Windows build, by trying: Debian's Wine
# runs 32-bit Windows programs only through its 32-bit loader, a 32-bit Linux program,
# which a kernel without 32-bit emulation refuses. Exit 0 when it runs; otherwise exit 1
# and print why on one line.
#   VELL_NO_32BIT=1   answer as a machine without 32-bit programs would (to test that path)
if [ "${VELL_NO_32BIT:-0}" = "1" ]; then
  echo "VELL_NO_32BIT=1 is set"
  exit 1
fi
loader=/usr/lib/wine/wine
if [ ! -x "$loader" ]; then
  echo "the 32-bit Wine loader $loader is not installed"
  exit 1
fi
if ! err="$("$loader" --version 2>&1 >/dev/null)"; then
  echo "this machine's kernel runs no 32-bit programs (${err:-the 32-bit Wine loader failed})" | head -1
  exit 1
fi
exit 0
