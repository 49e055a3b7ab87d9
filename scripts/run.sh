#!/usr/bin/env bash
# Installs what is missing, builds the program in Release, installs it with
# its menu entry and icon, and starts it.
# The program keeps its mail store and settings in $CORVALEN_DATA, else in
# ~/Corvalen, and makes that directory itself.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

bash "$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCORVALEN_BUILD_TESTS=OFF -DCORVALEN_BUILD_BENCH=OFF >/dev/null
cmake --build "$top/build-release" --target corvalen

# The program, its menu entry and its icon: for every user when run as root,
# else for this user (~/.local). The menu entry also makes the program the
# desktop's mail program for mailto: links when none is chosen yet.
if [ "$(id -u)" -eq 0 ]; then prefix=/usr/local; else prefix="$HOME/.local"; fi
cmake --install "$top/build-release" --prefix "$prefix" >/dev/null
if command -v update-desktop-database >/dev/null; then
  update-desktop-database -q "$prefix/share/applications" || true
fi
if command -v xdg-mime >/dev/null && [ -z "$(xdg-mime query default x-scheme-handler/mailto 2>/dev/null)" ]; then
  xdg-mime default corvalen.desktop x-scheme-handler/mailto || true
fi

exec "$prefix/bin/corvalen"
