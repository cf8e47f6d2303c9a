#!/usr/bin/env bash
# Prints the daily intake graph for real and checks the page that arrives.
#
# A CUPS queue that writes PDF files (cups-pdf) is made the default printer,
# test_print presses "印刷" through the main window, and the PDF is checked:
# exactly one page, the picture at the top-left corner of the printable area,
# 3960 x 3600 device pixels at the resolution the program printed with, and
# the chart's blue outline in it. A CUPS daemon is started when none runs and
# everything is removed afterwards.
#
# Usage: print_to_pdf.sh TEST_PRINT PRINT_INSPECT
# Exit status: 0 passed, 1 failed, 77 skipped (no CUPS daemon can run here).
set -u

test_print=$1
inspect=$2
export PATH="$PATH:/usr/sbin:/sbin"
queue=EiyouTestPDF
instance=eiyoutest$$

# awk reads and writes decimals in the locale's form (mawk: 1,5 under de_DE);
# the figures here are poppler's and the inspector's, always with a point.
awk() { LC_ALL=C command awk "$@"; }
skip() { echo "SKIPPED: $*"; exit 77; }
fail() {
  echo "FAILED: $*"
  [ -r /var/log/cups/error_log ] && { echo "--- end of the CUPS error log:"; tail -n 20 /var/log/cups/error_log; }
  exit 1
}
scheduler_runs() { LC_ALL=C lpstat -r 2>/dev/null | grep -q 'scheduler is running'; }

missing=()
for tool in cupsd lpadmin lpstat lpinfo pdfinfo pdfimages pdftoppm; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
[ -e /usr/lib/cups/backend/cups-pdf ] || missing+=("the cups-pdf backend")
if ((${#missing[@]})); then
  skip "missing ${missing[*]}; install the Debian packages cups, printer-driver-cups-pdf" \
       "and poppler-utils (the README's test command does)"
fi

work=$(mktemp -d /tmp/eiyou-print.XXXXXX) || fail "no temporary directory"
chmod 755 "$work"
mkdir -m 777 "$work/out"
started_pid=
queue_added=
previous_default=
conf=

cleanup() {
  if [ -n "$queue_added" ]; then
    lpadmin -x "$queue" 2>/dev/null
    [ -n "$previous_default" ] && lpadmin -d "$previous_default" 2>/dev/null
  fi
  [ -n "$conf" ] && rm -f "$conf"
  if [ -n "$started_pid" ]; then
    kill "$started_pid" 2>/dev/null
    wait "$started_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# ---- a running scheduler --------------------------------------------------------
if ! scheduler_runs; then
  [ "$(id -u)" = 0 ] || skip "no CUPS daemon runs, and starting one needs root"
  mkdir -p /run/cups
  cupsd -f >"$work/cupsd.log" 2>&1 &
  started_pid=$!
  for _ in $(seq 1 100); do
    scheduler_runs && break
    kill -0 "$started_pid" 2>/dev/null || break
    sleep 0.2
  done
  if ! scheduler_runs; then
    cat "$work/cupsd.log"
    skip "cupsd cannot run on this machine"
  fi
fi

# ---- the PDF queue, as the default printer ----------------------------------------
ppd=$(lpinfo -m 2>/dev/null | awk '{print $1}' | grep -i 'cups-pdf_opt\.ppd$' | head -n 1)
[ -n "$ppd" ] || ppd=$(lpinfo -m 2>/dev/null | awk '{print $1}' | grep -i 'cups-pdf' | head -n 1)
[ -n "$ppd" ] || fail "no cups-pdf driver among the printer drivers (lpinfo -m)"

# cups-pdf reads cups-pdf-NAME.conf for the device cups-pdf:/NAME: our own
# output directory. Without write access to /etc/cups, or where an AppArmor
# profile lets cups-pdf read only its main configuration, it writes to its
# default places: ~/PDF or the anonymous spool. All of them are searched.
default_outdirs=("${HOME:-/root}/PDF" /var/spool/cups-pdf)
conf=/etc/cups/cups-pdf-$instance.conf
if printf 'Out %s\nAnonDirName %s\n' "$work/out" "$work/out" >"$conf" 2>/dev/null; then
  uri=cups-pdf:/$instance
  outdirs=("$work/out" "${default_outdirs[@]}")
else
  conf=
  uri=cups-pdf:/
  outdirs=("${default_outdirs[@]}")
fi

if ! lpadmin -p "$queue" -E -v "$uri" -m "$ppd" >"$work/lpadmin.log" 2>&1; then
  cat "$work/lpadmin.log"
  [ "$(id -u)" = 0 ] || skip "adding a print queue needs root or the lpadmin group"
  fail "lpadmin could not add the queue"
fi
queue_added=1
previous_default=$(LC_ALL=C lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')
lpadmin -d "$queue" || fail "lpadmin could not make $queue the default"

# ---- print ------------------------------------------------------------------------
touch "$work/marker"
sleep 1  # file times have a resolution of a second on some file systems
# PRINTER also outranks a user's own default (~/.cups/lpoptions).
if ! PRINTER=$queue EIYOU_PRINT_INFO="$work/info" QT_QPA_PLATFORM=offscreen "$test_print"; then
  fail "test_print failed"
fi
dpi=$(awk '$1 == "resolution" {print $2}' "$work/info")
read -r off_x off_y < <(awk '$1 == "offset" {print $2, $3}' "$work/info")
[ -n "$dpi" ] && [ "$dpi" -gt 0 ] || fail "test_print told no resolution"

pdf=
for _ in $(seq 1 600); do  # at most two minutes
  pdf=$(find "${outdirs[@]}" -name '*.pdf' -newer "$work/marker" 2>/dev/null | head -n 1)
  if [ -n "$pdf" ] && [ -z "$(LC_ALL=C lpstat -o "$queue" 2>/dev/null)" ]; then break; fi
  pdf=
  sleep 0.2
done
[ -n "$pdf" ] || fail "no PDF arrived in ${outdirs[*]}"
cp "$pdf" "$work/page.pdf"
case $pdf in "$work"/*) ;; *) rm -f "$pdf" ;; esac  # not ours: leave nothing behind
pdf=$work/page.pdf
echo "printed at $dpi dpi, printable area offset ($off_x, $off_y): $pdf"

# ---- one page ---------------------------------------------------------------------
pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
[ "$pages" = 1 ] || fail "the PDF has ${pages:-no} pages, expected 1"
read -r page_w page_h < <(pdfinfo "$pdf" | awk '/^Page size:/ {print $3, $5}')

# ---- the picture's placed size: 3960 x 3600 device pixels ------------------------------
# pdfimages gives each image's pixels and its resolution on the page; the
# largest image on page 1 is the picture.
read -r img_w img_h ppi_x ppi_y < <(pdfimages -list "$pdf" |
  awk 'NR > 2 && $1 == 1 {print $4, $5, $13, $14, $4 * $5}' | sort -k5,5nr | head -n 1)
[ -n "${img_w:-}" ] || fail "no image on the page"
awk -v w="$img_w" -v h="$img_h" -v px="$ppi_x" -v py="$ppi_y" -v dpi="$dpi" 'BEGIN {
  placed_w = w / px * 72; placed_h = h / py * 72          # points
  want_w = 3960 / dpi * 72; want_h = 3600 / dpi * 72
  printf "picture %dx%d placed at %.1f x %.1f pt, expected %.1f x %.1f pt\n", w, h, placed_w, placed_h, want_w, want_h
  ok = placed_w > want_w * 0.98 && placed_w < want_w * 1.02 && placed_h > want_h * 0.98 && placed_h < want_h * 1.02
  exit ok ? 0 : 1
}' || fail "the picture does not have the size of 3960 x 3600 device pixels"

# ---- at the top-left corner, and the same size seen on the rendered page -----------------
render=100
pdftoppm -r "$render" -png -singlefile "$pdf" "$work/page" || fail "pdftoppm failed"
read -r _ left top right bottom < <("$inspect" "$work/page.png" | awk '$1 == "bbox"')
read -r _ png_w png_h < <("$inspect" "$work/page.png" | awk '$1 == "size"')
awk -v l="$left" -v t="$top" -v r="$right" -v b="$bottom" -v pw="$png_w" -v ph="$png_h" \
    -v dpi="$dpi" -v ox="$off_x" -v oy="$off_y" -v R="$render" 'BEGIN {
  want_l = ox / dpi * R; want_t = oy / dpi * R
  want_r = (ox + 3960) / dpi * R; want_b = (oy + 3600) / dpi * R
  if (want_r > pw) want_r = pw        # a picture wider than the paper is cut at its edge
  if (want_b > ph) want_b = ph
  printf "picture on the page at (%d, %d)-(%d, %d) px, expected about (%.0f, %.0f)-(%.0f, %.0f) at %d dpi\n", l, t, r + 1, b + 1, want_l, want_t, want_r, want_b, R
  d = 3
  ok = l >= want_l - d && l <= want_l + d && t >= want_t - d && t <= want_t + d
  ok = ok && r + 1 >= want_r - d && r + 1 <= want_r + d && b + 1 >= want_b - d && b + 1 <= want_b + d
  exit ok ? 0 : 1
}' || fail "the picture is not where and as large as expected"

# ---- recognisable content: the blue outline of the chart ---------------------------
crop_w=$(awk -v dpi="$dpi" -v ox="$off_x" 'BEGIN {printf "%d", (ox + 3960) / dpi * 300 + 1}')
crop_h=$(awk -v dpi="$dpi" -v oy="$off_y" 'BEGIN {printf "%d", (oy + 3600) / dpi * 300 + 1}')
pdftoppm -r 300 -png -singlefile -x 0 -y 0 -W "$crop_w" -H "$crop_h" "$pdf" "$work/detail" ||
  fail "pdftoppm failed"
blue=$("$inspect" "$work/detail.png" | awk '$1 == "blue" {print $2}')
echo "blue pixels in the picture: $blue"
[ "${blue:-0}" -gt 50 ] || fail "the chart's blue outline is not on the page"

echo "PASSED: one page, picture at the top-left, 3960 x 3600 device pixels, chart visible"
exit 0
