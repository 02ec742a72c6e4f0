#!/usr/bin/env bash
# The programs of a Debian package carry the distribution's hardening: position-independent, read-only
# relocations bound at start (RELRO, bind-now), and fortified C library calls. Usage: hardening.sh PACKAGE.deb
set -u
deb=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work" || { echo "FAIL: cannot unpack $deb"; exit 1; }
status=0
for program in "$work"/usr/bin/*; do
  name=$(basename "$program")
  readelf -h "$program" | grep -q 'Type:.*DYN' || { echo "FAIL: $name is not position-independent"; status=1; }
  readelf -lW "$program" | grep -q GNU_RELRO || { echo "FAIL: $name has no RELRO segment"; status=1; }
  readelf -dW "$program" | grep -Eq 'BIND_NOW|FLAGS_1.*NOW' || { echo "FAIL: $name is not bound at start"; status=1; }
  nm -D "$program" | grep -q '__[a-z_]*_chk' || { echo "FAIL: $name uses no fortified function"; status=1; }
done
[ $status -eq 0 ] && echo "hardened: $(cd "$work/usr/bin" && echo *)"
exit $status
