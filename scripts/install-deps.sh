#!/usr/bin/env bash
# Installs whatever Debian packages of scripts/packages.txt are missing.
# Cheap when everything is present: it asks dpkg first and only then apt.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(grep -v '^\s*#' "$here/packages.txt" | awk 'NF {print $1}')
missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "install-deps: run as root (or install the packages above by hand)" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Tests read numbers under a decimal-comma locale as well as the C locale.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
    if [ "$(id -u)" -ne 0 ] || [ ! -f /etc/locale.gen ]; then
        echo "install-deps: locale de_DE.UTF-8 missing; the tests that need it skip themselves" >&2
        exit 0
    fi
    echo "install-deps: generating locale de_DE.UTF-8"
    sed -i 's/^# *de_DE.UTF-8/de_DE.UTF-8/' /etc/locale.gen
    locale-gen >/dev/null
fi
