#!/usr/bin/env bash
# Installs what building, testing and running need on Debian 12.
set -euo pipefail
PKGS=(build-essential cmake ninja-build pkg-config
      qt6-base-dev qt6-base-dev-tools libqt6sql6 qt6-translations-l10n qt6-webengine-dev libgl-dev
      libsqlcipher-dev libssl-dev libgtest-dev googletest
      libfreexl-dev libxlsxwriter-dev libpng-dev libjpeg62-turbo-dev clang libclang-rt-14-dev
      zbar-tools poppler-utils python3-xlwt cups libcups2-dev printer-driver-cups-pdf python3-openpyxl
      fonts-arphic-uming fonts-wqy-zenhei fontconfig xvfb xauth openbox x11-utils
      llvm-14 strace
      # only for regenerating records/charmodel.inc and the encoding probes
      unicode-data python3-jieba manpages-zh python3-fake-factory)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
