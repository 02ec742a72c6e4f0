#!/usr/bin/env bash
# The menu entry and the AppStream metainfo pass their validators.
# Usage: validate_desktop_files.sh DESKTOP_FILE METAINFO_FILE
set -u
for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
status=0
desktop-file-validate "$1" || status=1
appstreamcli validate --no-net --explain "$2" || status=1
exit $status
