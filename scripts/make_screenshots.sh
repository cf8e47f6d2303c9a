#!/usr/bin/env bash
# Remakes the screenshots of the user guide (docs/使い方.md, docs/images/*.png)
# from the bundled data: builds the program (Release, build-screens/), copies
# data/ to a scratch data folder, starts the program there on a virtual X server
# (1280×900) with openbox, drives it with xdotool as a user would (a dish
# composed and registered, three days of meals stored, a day's assessment, a
# workbook read in the import dialog, the week of those days analysed, a target
# set read from a file, the facility's groups, prices, allergens and order sheet, the
# sample month's menu, the settings dialog) and photographs each window with its frame using
# ImageMagick's import. The PNGs get a 256-colour palette
# to keep them small; the same program gives the same files byte for byte.
# Clicks are at the controls' window-relative places as the window sources set
# them: a moved control needs its place changed here.
#
#   ./scripts/make_screenshots.sh            all shots
#   EIYOU_SHOTS_KEEP=1 ./scripts/make_screenshots.sh
#                                            keep the scratch folder (its path is printed)
#
# Every step waits for the window it needs and fails with the step's name when
# it does not appear; the screen at that moment is kept as
# build-screens/failure.png. Needs root or sudo when packages are missing.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/setup_common.sh
source "$repo/scripts/setup_common.sh"

build="$repo/build-screens"
images="$repo/docs/images"

if [[ ${1:-} != --inside-x ]]; then
  # xclip puts Japanese text on the clipboard: typed through xdotool, the first
  # character of a text is now and then lost while the keyboard map changes.
  eiyou_install_packages "${EIYOU_BUILD_PACKAGES[@]}" \
    xvfb xauth openbox xdotool xclip x11-utils imagemagick

  eiyou_say "screenshots: building (build-screens/)"
  cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DEIYOU_BUILD_TESTS=OFF -DEIYOU_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build" --target eiyou eiyou-data -j "$(eiyou_jobs)"

  scratch=$(mktemp -d "${TMPDIR:-/tmp}/eiyou-screens.XXXXXX")
  if [[ -n ${EIYOU_SHOTS_KEEP:-} ]]; then
    eiyou_say "screenshots: scratch folder kept in $scratch"
  else
    trap 'rm -rf "$scratch"' EXIT
  fi
  # The user's data folder, as the launchers make it on first use.
  mkdir -p "$scratch/home/.local/share/eiyou" "$scratch/runtime" "$scratch/shots"
  chmod 700 "$scratch/runtime"
  cp -R "$repo/data/." "$scratch/home/.local/share/eiyou/"
  # The sample month of school lunches, for the monthly menu.
  "$build/src/tools/eiyou-data" store-days "$repo/docs/samples/給食献立の例.tsv" \
    "$scratch/home/.local/share/eiyou" >/dev/null
  rm -f "$build/failure.png"

  # A clean environment: no scale factors, styles or platform of the caller.
  env -i PATH="$PATH" HOME="$scratch/home" LANG=C.UTF-8 XDG_RUNTIME_DIR="$scratch/runtime" \
    EIYOU_SHOTS_SCRATCH="$scratch" \
    xvfb-run -a -s '-screen 0 1280x900x24 -nolisten tcp' bash "${BASH_SOURCE[0]}" --inside-x

  mkdir -p "$images"
  total=0
  for raw in "$scratch/shots"/*.png; do
    out="$images/$(basename "$raw")"
    # A palette of 256 colours, undithered: flat areas and text stay clean.
    # No time chunks, so an unchanged window gives an unchanged file.
    convert "$raw" -strip +dither -colors 256 -define png:exclude-chunks=date,time "PNG8:$out"
    size=$(stat -c %s "$out")
    total=$((total + size))
    printf '%-28s %4s×%-4s %7d bytes\n' "docs/images/$(basename "$out")" \
      "$(identify -format %w "$out")" "$(identify -format %h "$out")" "$size"
  done
  printf 'total: %d bytes (%d KiB)\n' "$total" $(((total + 1023) / 1024))
  exit 0
fi

# ---- Inside the virtual X server --------------------------------------------

scratch=$EIYOU_SHOTS_SCRATCH
shots="$scratch/shots"
data="$scratch/home/.local/share/eiyou"
step="start"
pid=""

fail() {
  eiyou_say "screenshots: FAILED at \"$step\": $*"
  import -window root "$build/failure.png" 2>/dev/null \
    && eiyou_say "screenshots: the screen at that moment: build-screens/failure.png"
  [[ -n $pid ]] && kill "$pid" 2>/dev/null
  exit 1
}

# The id of the visible window titled exactly $1, waiting up to $2 seconds
# (default 20); fails when it does not show or the program ends first.
window() {
  local title=$1 limit=${2:-20} id i
  for ((i = 0; i < limit * 5; i++)); do
    [[ -z $pid ]] || kill -0 "$pid" 2>/dev/null \
      || fail "the program ended (see $scratch/eiyou.log with EIYOU_SHOTS_KEEP=1)"
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | tail -n 1) || true
    if [[ -n $id ]]; then
      sleep 0.4 # let it paint
      printf '%s\n' "$id"
      return 0
    fi
    sleep 0.2
  done
  if xdotool search --onlyvisible --name '^栄養分析$' >/dev/null 2>&1; then
    fail "no window \"$title\" after $limit s; a message box of the program is open instead"
  fi
  fail "no window \"$title\" after $limit s"
}

# Waits until no visible window is titled $1.
gone() {
  local i
  for ((i = 0; i < 100; i++)); do
    xdotool search --onlyvisible --name "^${1}\$" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  fail "the window \"$1\" did not close"
}

# A message box of the program ("栄養分析") must not be open: one means the
# program refused a step (a missing file, a wrong choice).
no_message() {
  sleep 0.3
  if xdotool search --onlyvisible --name '^栄養分析$' >/dev/null 2>&1; then
    fail "the program showed a message box"
  fi
}

# Answers the message box titled $1 (default 栄養分析) with its default button.
answer() {
  local box
  box=$(window "${1:-栄養分析}")
  xdotool windowactivate --sync "$box" key Return
  gone "${1:-栄養分析}"
}

click() { # WINDOW X Y: a left click at window-relative coordinates
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.25
}

# Puts $1 into the focused field in place of its text, through the clipboard.
paste() {
  # xclip stays in the background holding the text until the next copy; the
  # last one ends with the X server, complaining of it.
  printf '%s' "$1" | xclip -selection clipboard -i 2>/dev/null
  xdotool key ctrl+a ctrl+v
  sleep 0.3
}

# Clicks the field at X Y of WINDOW and replaces its text with TEXT; an editable
# choice box takes the item of that text.
fill() { # WINDOW X Y TEXT
  click "$1" "$2" "$3"
  paste "$4"
}

# Takes the window WINDOW with its frame as $shots/NAME.png, the mouse out of
# the way so that no hint shows.
shot() { # WINDOW NAME
  xdotool mousemove 1279 899
  sleep 1
  import -frame -window "$1" "$shots/$2.png" || fail "could not take $2.png"
  eiyou_say "screenshots: $2.png"
}

# The place (from 0) of the dish named $1 in the dish file: the meal window
# lists the file in its order, the dish window sorted by bytes as the file is
# saved, so after a save both agree.
dish_row() {
  local row
  row=$(iconv -f CP932 -t UTF-8 "$data/KONDATE/献立.TXT" \
    | awk -F, -v name="$1" '$3 == name { print NR - 1; exit }')
  [[ -n $row ]] || fail "no dish \"$1\" in the dish file"
  printf '%s\n' "$row"
}

# Selects row ROW (from 0) of the list of WINDOW whose top visible row is at
# X Y: a click there gives the list the keyboard, Home goes to the first row
# (the list may have scrolled) and the arrow key to the row.
select_row() { # WINDOW X Y ROW
  click "$1" "$2" "$3"
  xdotool key Home
  if (($4 > 0)); then xdotool key --repeat "$4" --delay 20 Down; fi
  sleep 0.3
}

step="window manager"
openbox >"$scratch/openbox.log" 2>&1 &
for ((i = 0; i < 50; i++)); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.2
done

step="start the program"
cd "$data"
env QT_QPA_PLATFORM=xcb "$build/src/eiyou" >"$scratch/eiyou.log" 2>&1 &
pid=$!

# ---- Main window ----
step="main window"
main=$(window 栄養分析メイン 60)
shot "$main" 01-main

# ---- Dish window: a dish composed, registered and charted ----
step="dish window"
click "$main" 240 210 # 献立の作成
dish=$(window 献立作成)
step="dish window: 読込"
click "$dish" 43 336
no_message

# A food from a group: the group box's item し好飲料 lists the official group
# 16, whose first food is 清酒 普通酒.
step="dish window: food from a group"
fill "$dish" 230 336 し好飲料
fill "$dish" 454 336 8
click "$dish" 100 371
# The others through the search field; each text finds its food first.
step="dish window: foods by search"
pick() { # SEARCH WEIGHT
  fill "$dish" 454 336 "$2"
  fill "$dish" 540 336 "$1"
  click "$dish" 100 371
}
pick '若どり・主品目］むね皮つき生' 120
pick こいくちしょうゆ 9
pick 上白糖 3
pick 調合油 4
pick キャベツ 50
no_message

step="dish window: register"
fill "$dish" 298 22 鶏むね肉の照り焼き
fill "$dish" 170 58 '和      食'
fill "$dish" 420 58 焼きもの
click "$dish" 660 336 # 献立登録
no_message

step="dish window: chart"
click "$dish" 894 32 # 基準摂取量 読込
no_message
# The dish list is sorted by its bytes, as the file is saved: find the new
# dish's place among the saved ones.
sorted_row() {
  local row
  row=$({ iconv -f CP932 -t UTF-8 "$data/KONDATE/献立.TXT" | cut -d, -f1-3
    printf '和      食,焼きもの,鶏むね肉の照り焼き\n'; } \
    | iconv -f UTF-8 -t CP932 | LC_ALL=C sort | iconv -f CP932 -t UTF-8 \
    | awk -F, -v name="$1" '$3 == name { print NR - 1; exit }')
  [[ -n $row ]] || fail "no dish \"$1\" in the dish list"
  printf '%s\n' "$row"
}
for name in ごはん 鶏むね肉の照り焼き; do
  row=$(sorted_row "$name")
  select_row "$dish" 300 88 "$row"
  click "$dish" 783 76 # 選択→
done
fill "$dish" 1060 100 女
fill "$dish" 1060 164 30～49歳
click "$dish" 1085 315 # 作図実行
no_message
shot "$dish" 02-dish

step="figure table"
click "$dish" 655 376 # 成分表示
figures=$(window 献立の成分値)
# Beside the dish window when there is room; here it is not, so put it where
# it hides the least of the dish window for the picture.
xdotool windowmove --sync "$figures" 660 120 >/dev/null 2>&1 || true
sleep 0.5
shot "$figures" 03-figures
xdotool windowactivate --sync "$figures" key alt+F4
gone 献立の成分値

step="dish window: save"
click "$dish" 550 22 # 献立保存
answer 確認
answer # 献立を保存しました！
gone 献立作成

# ---- Meal window: three meals, the daily chart, three stored days ----
step="meal window"
click "$main" 240 282 # 食事の栄養分析
meal=$(window 食事の栄養分析)

meals=(朝　食 昼　食 夕　食)
# Day: DATE, then the dishes of breakfast / lunch / dinner separated by "|".
day_meals() { # DATE BREAKFAST... | LUNCH... | DINNER...
  local m=0 name row
  fill "$meal" 70 97 "${meals[0]}"
  for name in "${@:2}"; do
    if [[ $name == '|' ]]; then
      m=$((m + 1))
      fill "$meal" 70 97 "${meals[m]}"
      continue
    fi
    row=$(dish_row "$name")
    select_row "$meal" 200 150 "$row"
    click "$meal" 552 252 # 選択→
  done
  fill "$meal" 460 529 "$1"
  no_message
}
store_day() {
  click "$meal" 651 528 # 日別献立に保存
  answer # …の日別献立を保存しました！
}

step="meal window: first day"
fill "$meal" 40 529 女
fill "$meal" 170 529 30～49歳
day_meals 2025-05-12 ごはん 豆腐とわかめのみそ汁 卵焼き ほうれんそうのおひたし \
  '|' カレーライス 野菜サラダ 牛乳 \
  '|' ごはん 鶏むね肉の照り焼き きんぴらごぼう 緑茶
shot "$meal" 04-meal

step="daily chart"
click "$meal" 335 528 # グラフ作成
daily=$(window 食事摂取量グラフ)
click "$daily" 404 24 # グラフ表示
no_message
shot "$daily" 05-daily
step="assessment window"
click "$daily" 97 556 # 栄養評価
assessment=$(window 栄養評価)
shot "$assessment" 09-assessment
xdotool windowactivate --sync "$assessment" key alt+F4
gone 栄養評価
click "$daily" 596 24 # 終了
gone 食事摂取量グラフ

step="meal window: stored days"
store_day
for day in 2025-05-13 2025-05-14; do
  click "$meal" 552 306 # 削除: the three meals emptied
  if [[ $day == 2025-05-13 ]]; then
    day_meals "$day" トースト スクランブルエッグ フルーツヨーグルト \
      '|' きつねうどん かぼちゃの煮物 \
      '|' ごはん さばのみそ煮 ひじきの煮物 豚汁
  else
    day_meals "$day" 鮭おにぎり 納豆 緑茶 \
      '|' 親子丼 きゅうりとわかめの酢の物 \
      '|' ごはん 肉じゃが 冷奴 みかん寒天
  fi
  store_day
done
click "$meal" 896 24 # 終了
gone 食事の栄養分析

# ---- Import dialog: a workbook read, not taken in ----
step="import dialog"
# A workbook of 39 foods laid out like the official one, named relative to the
# data folder the program runs in: the picture shows no scratch path and comes
# out the same on every run.
cp "$repo/tests/import/data/foods.xlsx" "$data/食品成分表_見本.xlsx"
click "$main" 335 350 # 成分表の取込, the right third of the tools row
import=$(window 食品成分表の取込)
# Qt's own file dialog, in Japanese like the program (its address bar shows the
# scratch data folder, so this one picture differs between runs).
click "$import" 488 98 # 参照…
files=$(window 食品成分表のファイル)
shot "$files" 08-file-dialog
xdotool windowactivate --sync "$files" key Escape
gone 食品成分表のファイル
fill "$import" 226 98 食品成分表_見本.xlsx
click "$import" 580 98 # 読み取り
sleep 2
no_message
shot "$import" 06-import
click "$import" 576 489 # 閉じる
gone 食品成分表の取込

# ---- Period window: the three stored days ----
# The week of the three stored days: the days without a plan are not counted.
step="period window"
click "$main" 145 350 # 期間の栄養分析, the left third of the tools row
period=$(window 期間の栄養分析 20) \
  || fail "the main window's button 期間の栄養分析 (left of the tools row) did not open the period window"
fill "$period" 100 25 2025-05-12
fill "$period" 246 25 2025-05-18
fill "$period" 396 25 女
fill "$period" 560 25 30～49歳
click "$period" 692 24 # 表示
no_message
shot "$period" 07-period
click "$period" 1073 24 # 閉じる
gone 期間の栄養分析

# ---- Target-set editor: a set read from a CSV file, as the guide shows it ----
step="target-set window"
cat >"$data/減塩食 6g.csv" <<'CSV'
# 目標量セット: 減塩食 6g
# 説明: 食塩相当量 6g 未満
栄養素,名称,項目,値,単位,性別,年齢区分
NACL_EQ,食塩相当量,DG_max未満,6,g,,
ENERC_KCAL,エネルギー,目標,1800,kcal,,
PROT,たんぱく質,RDA,50,g,,
FIB,食物繊維総量,DG_min,18,g,,
ENERC_KCAL,エネルギー,目標,1600,kcal,女性,30-49歳
FE,鉄,RDA,10.5,mg,女性,18-64歳
CSV
click "$main" 240 350 # 目標量セット, the middle of the tools row
targets=$(window 目標量セット)
click "$targets" 73 649 # CSVから読み込み
files=$(window 目標量セットのCSVを読み込む)
paste "減塩食 6g.csv" # the file name field has the keyboard
xdotool key Return
gone 目標量セットのCSVを読み込む
no_message
shot "$targets" 09-target-sets
click "$targets" 1128 677 # 閉じる
gone 目標量セット

# ---- The facility: two groups, the prices of a food, the order sheet ----
# The stored days 2025-05-12..14 above, for 低学年 (0.8, 100) and 教職員 (1, 20).
step="facility window"
click "$main" 145 375 # 給食施設, the left third of the second tools row
facility=$(window 給食施設)
group() { # NAME FACTOR HEADCOUNT
  fill "$facility" 480 448 "$1"
  fill "$facility" 127 476 "$2"
  fill "$facility" 280 476 "$3"
  click "$facility" 61 558 # 追加
  no_message
}
group 低学年 0.8 100
group 教職員 1 20
shot "$facility" 10-facility

step="price window"
click "$facility" 51 597 # 食品の単価…
prices=$(window 食品の単価)
fill "$prices" 253 413 キャベツ
click "$prices" 253 443 # the first food found
fill "$prices" 786 441 180
fill "$prices" 786 553 青果〇〇商店
click "$prices" 862 581 # 登録
no_message
shot "$prices" 11-prices
click "$prices" 948 657 # 閉じる
gone 食品の単価

step="allergen window"
click "$facility" 137 597 # アレルゲン…
allergens=$(window アレルゲンの確認)
fill "$allergens" 570 20 こいくちしょうゆ
click "$allergens" 80 44 # the first food found
shot "$allergens" 15-allergens
click "$allergens" 951 619 # 閉じる
gone アレルゲンの確認
click "$facility" 848 597 # 閉じる
gone 給食施設

step="order sheet window"
click "$main" 240 375 # 発注表・原価, the middle of the second tools row
order=$(window 発注表・原価)
fill "$order" 80 65 2025-05-12
fill "$order" 200 65 2025-05-16
click "$order" 1048 21 # 表示
no_message
shot "$order" 12-order-sheet
click "$order" 1048 657 # 閉じる
gone 発注表・原価

# ---- The monthly menu of 低学年 for the sample month stored before the start ----
step="monthly menu window"
click "$main" 335 375 # 献立表, the right third of the second tools row
menu=$(window 献立表)
fill "$menu" 75 21 2025年6月
click "$menu" 398 21 # 表示
no_message
shot "$menu" 14-monthly-menu-window
click "$menu" 1068 657 # 閉じる
gone 献立表

# ---- The settings dialog with a shared server's fields filled (cancelled) ----
step="settings dialog"
click "$main" 52 497 # 設定, in the strip below the end button
settings=$(window 設定)
# The dialog is laid out by Qt's layouts: the keyboard, not places. The file
# choice has the focus; Down chooses the server, Tab goes to the next field.
xdotool key Down Tab
paste db1
xdotool key Tab Tab
paste kondate
xdotool key Tab
paste sato
no_message
shot "$settings" 16-settings
xdotool key Escape
gone 設定

step="end"
click "$main" 240 426 # 終了
for ((i = 0; i < 50; i++)); do
  kill -0 "$pid" 2>/dev/null || exit 0
  sleep 0.2
done
fail "the program did not end"
