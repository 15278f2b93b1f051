#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
bash tools/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "没有可用的图形显示（DISPLAY/WAYLAND_DISPLAY 未设置）：程序已编译在 build/bin/waybillprinter，请在桌面会话中运行，或用 xvfb-run build/bin/waybillprinter 在虚拟显示上运行。" >&2
  echo "No graphical display is available (DISPLAY is not set). The program was built as build/bin/waybillprinter; start it from a desktop session, or under xvfb-run." >&2
  exit 1
fi
exec build/bin/waybillprinter "$@"
