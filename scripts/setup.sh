#!/usr/bin/env bash
# Installs the Debian packages the build needs, when missing. Idempotent; needs root (or sudo)
# only when something is missing.
set -euo pipefail

# python3-rdkit: a peer program the tests compare our SD export with.
# librdkit-dev, libboost-dev (its headers need Boost): SMILES and V3000 molfile input.
packages=(cmake ninja-build g++ libgtest-dev libbenchmark-dev qt6-base-dev qt6-svg-dev qt6-qpa-plugins
          libgl-dev fonts-liberation poppler-utils xvfb xauth python3-rdkit
          librdkit-dev libboost-dev)
if [ "${VELMORA_WITH_TOOLS:-0}" = 1 ]; then
  packages+=(clang libclang-rt-dev libxml2-utils)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
