#!/usr/bin/env bash
# The programs of a Debian package carry the distribution's hardening: position-independent, read-only
# relocations bound at start (RELRO, bind-now), stack protection, and fortified C library calls (a program
# shows them only where a call's size is not known to be safe at compile time, so the package as a whole
# must show some). Usage: hardening.sh PACKAGE.deb
set -u
deb=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work" || { echo "FAIL: cannot unpack $deb"; exit 1; }
status=0
fortified=0
for program in "$work"/usr/bin/*; do
  name=$(basename "$program")
  readelf -h "$program" | grep -q 'Type:.*DYN' || { echo "FAIL: $name is not position-independent"; status=1; }
  readelf -lW "$program" | grep -q GNU_RELRO || { echo "FAIL: $name has no RELRO segment"; status=1; }
  readelf -dW "$program" | grep -Eq 'BIND_NOW|FLAGS_1.*NOW' || { echo "FAIL: $name is not bound at start"; status=1; }
  nm -D "$program" | grep -q ' __stack_chk_fail' || { echo "FAIL: $name has no stack protection"; status=1; }
  nm -D "$program" | grep -v __stack_chk_fail | grep -q '__[a-z_]*_chk' && fortified=1
done
[ $fortified -eq 1 ] || { echo "FAIL: no program uses a fortified function"; status=1; }
[ $status -eq 0 ] && echo "hardened: $(cd "$work/usr/bin" && echo *)"
exit $status
