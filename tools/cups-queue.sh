#!/usr/bin/env bash
# Makes sure a CUPS scheduler runs and the cups-pdf queues exist, for the
# tests that print through a real printer queue: PQT-PDF with cups-pdf's own
# description (no hardware margins) and PQT-PDF-MARGINS, whose description
# declares a printable area 17 pt in from the left, 23 pt from the top, 19 pt
# from the right and 21 pt from the bottom of every paper (HWMargins for
# custom sizes, ImageableArea for the named ones). Then queues with the
# descriptions of CUPS' sample drivers, their raster filters left out so that
# cups-pdf renders the PostScript page they describe: PQT-LASERJET (HP
# LaserJet, A4, margins 18/36/18/36 pt, no custom paper), PQT-LETTER (the
# generic PostScript printer, Letter by default), PQT-DYMO (labels only) and
# PQT-ZEBRA (custom paper at most 576 pt wide); and PQT-UNEVEN from
# tools/pqt-uneven.ppd (margins that differ on every side, a landscape page
# turned clockwise, a bounded custom size) and PQT-MEDIA from
# tools/pqt-media.ppd (custom sizes bounded more narrowly for its default
# media type than its size parameters, which are all Qt reports, say) and
# PQT-FRACTION from tools/pqt-fraction.ppd (custom size limits that are not
# whole points); PQT-THERMAL from tools/pqt-thermal.ppd (a waybill label
# printer: labels named in millimetres, sized in points, no custom sizes) and
# PQT-ROLL from tools/pqt-roll.ppd (a 62 mm label roll: named labels and a
# custom width fixed between whole points).
# Idempotent; needs root (or sudo) to start cupsd and add the queues.
# cups-pdf writes the jobs into /var/spool/cups-pdf/<user>.
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
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
[ -f "$ppd" ] || ppd=$(ls /usr/share/ppd/cups-pdf/CUPS-PDF*.ppd | head -n1)
add_queue() { # name ppd [lpadmin options]
  if ! lpstat -p "$1" >/dev/null 2>&1; then
    $SUDO lpadmin -p "$1" -E -v cups-pdf:/ -P "$2" "${@:3}"
    $SUDO cupsenable "$1" 2>/dev/null || true
    $SUDO cupsaccept "$1" 2>/dev/null || true
  fi
}
add_queue "$QUEUE" "$ppd"

# The same description with margins: left 17, bottom 21, right 19, top 23 pt.
margins_ppd=$(mktemp --suffix=.ppd)
awk '
  /^\*HWMargins:/ { print "*HWMargins: 17 21 19 23"; next }
  /^\*ImageableArea / && match($0, /"[0-9. ]+"/) {
    split(substr($0, RSTART + 1, RLENGTH - 2), a, " ")
    printf "%s\"17 21 %g %g\"\n", substr($0, 1, RSTART - 1), a[3] - 19, a[4] - 23
    next
  }
  { print }' "$ppd" >"$margins_ppd"
add_queue "$QUEUE-MARGINS" "$margins_ppd"
rm -f "$margins_ppd"

# A sample driver's description without its filters: a PostScript printer of
# the same papers, margins and landscape turn.
sample_queue() { # name driver [lpadmin options]
  local f
  f=$(mktemp --suffix=.ppd)
  /usr/lib/cups/daemon/cups-driverd cat "drv:///sample.drv/$2.ppd" 2>/dev/null \
    | grep -v -E '^\*cupsFilter2?:' >"$f"
  add_queue "$1" "$f" "${@:3}"
  rm -f "$f"
}
sample_queue PQT-LASERJET laserjet -o PageSize=A4
sample_queue PQT-LETTER generic -o PageSize=Letter
sample_queue PQT-DYMO dymo
sample_queue PQT-ZEBRA zebra
add_queue PQT-UNEVEN "$(dirname "$0")/pqt-uneven.ppd"
add_queue PQT-MEDIA "$(dirname "$0")/pqt-media.ppd"
add_queue PQT-FRACTION "$(dirname "$0")/pqt-fraction.ppd"
add_queue PQT-THERMAL "$(dirname "$0")/pqt-thermal.ppd"
add_queue PQT-ROLL "$(dirname "$0")/pqt-roll.ppd"
for q in "$QUEUE" "$QUEUE-MARGINS" PQT-LASERJET PQT-LETTER PQT-DYMO PQT-ZEBRA PQT-UNEVEN PQT-MEDIA \
  PQT-FRACTION PQT-THERMAL PQT-ROLL; do
  lpstat -p "$q"
done
