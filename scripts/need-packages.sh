#!/bin/sh
# need-packages.sh PACKAGE...: installs the Debian packages that are missing (as root, or through
# sudo).
set -eu
missing=""
for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
if [ -n "$missing" ]; then
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    $sudo apt-get update
    # shellcheck disable=SC2086
    $sudo apt-get install -y $missing
fi
