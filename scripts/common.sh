# Shared by scripts/run and scripts/test: install what is missing, then build.
# Builds use the presets of CMakePresets.json; preset P builds into build-P/.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core fontconfig poppler-utils sqlite3 libsqlite3-dev clang-format-14
  postgresql libqt6sql6-psql libpq-dev libsodium-dev
  libical-dev libxlsxwriter-dev python3-openpyxl
  dpkg-dev desktop-file-utils appstream qt6-translations-l10n xdotool imagemagick
  qt6-tools-dev qt6-tools-dev-tools libqt6help6
  gcovr
  lintian python3-icalendar locales
  python3-pyatspi at-spi2-core
)

# The export tests read files back under a Danish and an English locale.
LOCALES=(da_DK en_US)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq || true
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  for l in "${LOCALES[@]}"; do
    locale -a | grep -qix "$l.utf-\?8" || $sudo localedef -i "$l" -f UTF-8 "$l.UTF-8"
  done
}

# build PRESET: configures and builds that preset. cmake finds the presets in the
# current directory, hence the subshell in the source tree.
build() {
  (
    cd "$ROOT"
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -j "$(nproc)"
  )
}
