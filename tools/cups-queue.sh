#!/usr/bin/env bash
# Makes sure a CUPS scheduler runs and a cups-pdf queue named PQT-PDF exists,
# for the test that prints through a real printer queue. Idempotent; needs
# root (or sudo) to start cupsd and add the queue. cups-pdf writes the jobs
# into /var/spool/cups-pdf/<user>.
set -euo pipefail
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
QUEUE=PQT-PDF
OUT=/var/spool/cups-pdf

conf=/etc/cups/cups-pdf.conf
if [ -f "$conf" ] && ! grep -q "^Out $OUT/\${USER}" "$conf"; then
  $SUDO sed -i "s|^#\?Out .*|Out $OUT/\${USER}|" "$conf"
  grep -q "^Out " "$conf" || echo "Out $OUT/\${USER}" | $SUDO tee -a "$conf" >/dev/null
fi
$SUDO mkdir -p "$OUT"
$SUDO chmod 1777 "$OUT"

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  $SUDO /usr/sbin/cupsd
  for _ in $(seq 1 50); do
    lpstat -r 2>/dev/null | grep -q "is running" && break
    sleep 0.2
  done
fi
if ! lpstat -p "$QUEUE" >/dev/null 2>&1; then
  ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
  [ -f "$ppd" ] || ppd=$(ls /usr/share/ppd/cups-pdf/CUPS-PDF*.ppd | head -n1)
  $SUDO lpadmin -p "$QUEUE" -E -v cups-pdf:/ -P "$ppd"
  $SUDO cupsenable "$QUEUE" 2>/dev/null || true
  $SUDO cupsaccept "$QUEUE" 2>/dev/null || true
fi
lpstat -p "$QUEUE"
