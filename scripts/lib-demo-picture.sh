# shellcheck shell=bash
# Shell helpers for the demo's picture: the virtual screen beside the
# advisor's terminal at the same moment, the advised target outlined on the
# screen. Source it. The advisor's output is read from a log of its terminal
# (util-linux `script`), control sequences included.

demo_picture_font=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf
demo_terminal_rows=21

# terminal_rows LOG: the rows the advisor's terminal shows at the end of LOG.
# Every redraw starts at the top-left corner (ESC[H) and overwrites a row only
# as far as its new text reaches, so the rows are laid over one another in
# order; the start-up clear (ESC[2J) empties them. The text before the first
# ESC[H is script's own header.
terminal_rows() {
  awk -v rows="$demo_terminal_rows" '
    BEGIN { RS = "\033\\[H" }
    NR == 1 { next }
    {
      gsub(/\r/, "")
      if (sub(/^\033\[2J(\033\[3J)?/, "")) for (i = 0; i < rows; ++i) row[i] = ""
      n = split($0, line, "\n")
      for (i = 1; i <= n && i <= rows; ++i) {
        row[i - 1] = line[i] substr(row[i - 1], length(line[i]) + 1)
      }
    }
    END { for (i = 0; i < rows; ++i) print row[i] }' "$1"
}

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

# make_demo_picture SCREEN_PNG LOG OUT_PNG: the screenshot with the target
# outlined, beside the terminal's rows in a monospace font, in few colours so
# the file stays small.
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
  # -annotate reads % and \ as escapes; the advisor prints neither, but a
  # stray one must still come out as itself.
  rows=${rows//\\/\\\\}
  rows=${rows//%/%%}
  convert "$screen" "${draw[@]}" \
    \( -size 260x480 xc:'#181818' +stroke -font "$demo_picture_font" -pointsize 16 \
       -interline-spacing 3 -fill '#e8e8e8' -annotate +16+26 "$rows" \) \
    +append -dither None -colors 32 "PNG8:$out"
}
