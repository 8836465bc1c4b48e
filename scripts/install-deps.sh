#!/usr/bin/env bash
# Installs every Debian package the client, the updater and the tests need.
# Idempotent: quiet and quick when everything is already there.
set -euo pipefail

source "$(dirname "$0")/packages.sh"
packages_checked && exit 0

# One query for all of them: asking dpkg package by package costs seconds on every run.
declare -A installed=()
while read -r status name; do
    [ "$status" = "ii" ] && installed[$name]=1
done < <(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${PACKAGES[@]}" 2>/dev/null || true)
missing=()
for p in "${PACKAGES[@]}"; do
    [ -n "${installed[$p]:-}" ] || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    mkdir -p "$(dirname "$stamp")" && echo "$list" >"$stamp" 2>/dev/null || true
    exit 0
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
echo "Installing ${#missing[@]} packages: ${missing[*]}"
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
# nginx's package starts a system service on port 80; the tests run their own instances.
if command -v systemctl >/dev/null 2>&1 && systemctl is-active --quiet nginx 2>/dev/null; then
    $SUDO systemctl stop nginx || true
fi
mkdir -p "$(dirname "$stamp")" && echo "$list" >"$stamp" 2>/dev/null || true
