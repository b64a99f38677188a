#!/usr/bin/env bash
# Installs the Debian packages the project builds, runs and tests with.
# Idempotent: installs only what is missing, refreshing the package index once
# beforehand when anything has to be installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qtbase5-dev
  libpugixml-dev
  libgoogle-glog-dev libgflags-dev
  libsqlcipher-dev sqlcipher sqlite3
  libqt5sql5-sqlite
  time
  locales
  clang libclang-rt-14-dev
  dpkg-dev file lintian desktop-file-utils
  ccache
)

missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  sudo=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
