#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demonstration need,
# when any of them is missing. Safe to run again.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libsqlite3-dev sqlite3 libssl-dev openssl libcurl4-openssl-dev libicu-dev
  unicode-data libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev python3 bind9-dnsutils procps
  libcairo2-dev libpango1.0-dev libgdk-pixbuf-2.0-dev
  fonts-wqy-zenhei fonts-liberation2
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
