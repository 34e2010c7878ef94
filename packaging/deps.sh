# The Debian packages the project builds, runs and tests with; sourced by the install
# and test scripts. Add a package here, never install one by hand.
CORVANE_BUILD_PACKAGES="build-essential cmake pkg-config clang libclang-rt-14-dev
  libboost-filesystem-dev libboost-regex-dev libboost-thread-dev
  libtinyxml-dev libpcap-dev libcurl4-openssl-dev qt6-base-dev libgtest-dev libgmock-dev
  libbenchmark-dev libxcb1-dev"
CORVANE_RUNTIME_PACKAGES="iproute2 fonts-ipafont-gothic xdg-utils"
CORVANE_TEST_PACKAGES="faketime tcpdump iperf3 bc xvfb xauth x11-utils python3 procps trayer
  openbox xdotool passwd systemd"

# corvane_install_packages <packages...>: installs what is missing, quietly.
corvane_install_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
