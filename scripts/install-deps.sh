#!/usr/bin/env bash
# Installs the Debian packages the project needs that are not there yet, and
# those named as arguments (the fuzz and benchmark scripts need a few more).
# Dovecot and Postfix are the real POP3 and SMTP servers of the integration
# tests; tests/support/mailservers.py runs private copies of them on loopback.
# D-Bus: NetworkManager for dialling, the Secret Service (QtKeychain) for
# passwords and the notification service; the tests run python-dbusmock and
# gnome-keyring-daemon on private buses.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev libsqlite3-dev media-types
  libgtest-dev libgmock-dev libbenchmark-dev
  libssl-dev openssl ca-certificates nlohmann-json3-dev
  xvfb xauth python3 poppler-utils
  dovecot-core dovecot-pop3d postfix
  qtkeychain-qt6-dev dbus-daemon python3-dbusmock gnome-keyring desktop-file-utils
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # Postfix would otherwise ask how to deliver mail; the tests give it its own
  # configuration, so the system copy gets none.
  echo "postfix postfix/main_mailer_type select No configuration" | debconf-set-selections
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
