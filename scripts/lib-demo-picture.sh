# shellcheck shell=bash
# Shell helpers for the demo's picture: the virtual screen beside the
# advisor's terminal at the same moment, the advised target outlined on the
# screen. Source it. The advisor's output is read from a log of its terminal
# (util-linux `script`), control sequences included.

demo_picture_font=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf
demo_terminal_rows=21

# terminal_screen MODE LOG: the advisor's terminal at the end of LOG. Every
# redraw starts at the top-left corner (ESC[H) and overwrites a row only as
# far as its new text reaches, so the rows are laid over one another in
# order; the start-up clear (ESC[2J) empties them. Colours (ESC[...m) stay
# with the characters they were written with. The text before the first ESC[H
# is script's own header. MODE text prints the rows; MODE runs prints one line
# per run of a row's characters in the same colours: "row column pen text",
# pen being foreground:bold:reversed (foreground an SGR colour, 39 the
# terminal's own, 2 for faint).
terminal_screen() {
  awk -v rows="$demo_terminal_rows" -v mode="$1" '
    function clear_screen(   i) { for (i = 0; i < rows; ++i) { text[i] = ""; pens[i] = "" } }
    function set_pen(parameters,   n, p, i) {
      n = split(parameters, p, ";")
      if (n == 0) { n = 1; p[1] = 0 }
      for (i = 1; i <= n; ++i) {
        p[i] += 0
        if (p[i] == 0) { fg = 39; bold = 0; reversed = 0 }
        else if (p[i] == 1) bold = 1
        else if (p[i] == 2) fg = 2
        else if (p[i] == 7) reversed = 1
        else if ((p[i] >= 30 && p[i] <= 37) || (p[i] >= 90 && p[i] <= 97)) fg = p[i]
      }
    }
    # Each character of a row has a pen, kept one per character in pens[]
    # as a list of "|"-ended entries.
    function put(row, column, c,   before, after, i, cell, n) {
      while (length(text[row]) < column) { text[row] = text[row] " "; pens[row] = pens[row] "39:0:0|" }
      text[row] = substr(text[row], 1, column) c substr(text[row], column + 2)
      n = split(pens[row], cell, "|")
      cell[column + 1] = fg ":" bold ":" reversed
      pens[row] = ""
      for (i = 1; i <= (n - 1 > column + 1 ? n - 1 : column + 1); ++i) pens[row] = pens[row] cell[i] "|"
    }
    BEGIN { RS = "\033\\[H"; clear_screen() }
    NR == 1 { next }
    {
      gsub(/\r/, "")
      if (sub(/^\033\[2J(\033\[3J)?/, "")) clear_screen()
      row = 0; column = 0; fg = 39; bold = 0; reversed = 0
      while (length($0) > 0 && row < rows) {
        if (match($0, /^\033\[[0-9;]*m/)) {
          set_pen(substr($0, 3, RLENGTH - 3)); $0 = substr($0, RLENGTH + 1); continue
        }
        c = substr($0, 1, 1); $0 = substr($0, 2)
        if (c == "\n") { ++row; column = 0 } else put(row, column++, c)
      }
    }
    END {
      for (i = 0; i < rows; ++i) {
        if (mode == "text") { print text[i]; continue }
        n = split(pens[i], cell, "|")
        start = 1
        for (k = 2; k <= n; ++k) {
          if (k < n && cell[k] == cell[start]) continue
          print i, start - 1, cell[start], substr(text[i], start, k - start)
          start = k
        }
      }
    }' "$2"
}

# terminal_rows LOG: the rows the advisor's terminal shows at the end of LOG.
terminal_rows() { terminal_screen text "$1"; }

# field_of LOG: "left top width" from the last field report in LOG, the one in
# use (the advisor reports again when its first frames show a better field).
field_of() {
  tr -d '\r' <"$1" | awk '
    /Found field at:/ {
      getline corner; getline width
      split(corner, at, ","); sub(/^with width /, "", width)
      field = (at[1] + 0) " " (at[2] + 0) " " (width + 0)
    }
    END { print field }'
}

# target_outline ROWS LEFT TOP WIDTH: the -draw rectangle around the cell that
# the target line (row 17) names, just outside it so the cell's colour stays
# visible; both columns of a deepest spot. Prints nothing without a target.
target_outline() {
  local rows=$1 left=$2 top=$3 width=$4
  local kind column row cells=1
  read -r kind column row < <(sed -n 18p <<<"$rows" |
    sed -nE 's/^Target: (Virus|Vitamin|Nothing) (-?[0-9]+),(-?[0-9]+).*/\1 \2 \3/p')
  [ -n "$kind" ] || return 0
  [ "$kind" = Nothing ] && cells=2
  local side=$((width / 8))
  local x=$((left + column * side)) y=$((top + row * side))
  echo "rectangle $((x - 2)),$((y - 2)) $((x + cells * side + 1)),$((y + side + 1))"
}

# demo_pen_colour FOREGROUND: a terminal palette's colour for an SGR
# foreground (2: faint), on the picture's dark background.
demo_pen_colour() {
  case $1 in
    91) echo '#ff5a5a' ;; 31) echo '#b03a3a' ;;
    93) echo '#ffef5a' ;; 33) echo '#a89228' ;;
    94) echo '#6c9cff' ;; 34) echo '#3a5cc0' ;;
    2) echo '#707070' ;; *) echo '#e8e8e8' ;;
  esac
}

# make_demo_picture SCREEN_PNG LOG OUT_PNG: the screenshot with the target
# outlined, beside the terminal's rows in a monospace font in the colours the
# terminal showed, in few colours so the file stays small.
make_demo_picture() {
  local screen=$1 log=$2 out=$3
  local rows left top width outline
  rows=$(terminal_rows "$log")
  read -r left top width < <(field_of "$log")
  if [ -z "$width" ]; then
    echo "demo picture: no field report in $log" >&2
    return 1
  fi
  outline=$(target_outline "$rows" "$left" "$top" "$width")
  local draw=()
  [ -n "$outline" ] && draw=(-fill none -stroke '#00ff40' -strokewidth 3 -draw "$outline")
  # Each run of characters in one colour goes where the font puts it in a
  # block of text: DejaVu Sans Mono at 16 pixels advances 9.63 pixels a
  # character, and its lines are 18.63 pixels apart, 3 more between rows.
  local bold=${demo_picture_font%.ttf}-Bold.ttf
  local runs=() row column pen text fg strong reversed colour x y
  while IFS= read -r line; do
    read -r row column pen _ <<<"$line"
    text=${line#"$row $column $pen "}
    IFS=: read -r fg strong reversed <<<"$pen"
    colour=$(demo_pen_colour "$fg")
    x=$(awk -v c="$column" 'BEGIN { printf "%.2f", 16 + c * 9.633 }')
    y=$(awk -v r="$row" 'BEGIN { printf "%.2f", 26 + r * 21.625 }')
    if [ "$reversed" = 1 ]; then
      runs+=(-fill "$colour" -draw "$(awk -v x="$x" -v y="$y" -v n="${#text}" \
        'BEGIN { printf "rectangle %.2f,%.2f %.2f,%.2f", x, y - 14.9, x + n * 9.633 - 1, y + 3.7 }')")
      colour='#181818'
    fi
    # -annotate reads % and \ as escapes; the advisor prints neither, but a
    # stray one must still come out as itself.
    text=${text//\\/\\\\}
    text=${text//%/%%}
    runs+=(-font "$([ "$strong" = 1 ] && echo "$bold" || echo "$demo_picture_font")")
    runs+=(-fill "$colour" -annotate "+$x+$y" "$text")
  done < <(terminal_screen runs "$log")
  convert "$screen" "${draw[@]}" \
    \( -size 260x480 xc:'#181818' +stroke -pointsize 16 "${runs[@]}" \) \
    +append -dither None -colors 48 "PNG8:$out"
}
