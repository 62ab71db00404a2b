# shellcheck shell=bash
# The one configuration of build/ that scripts/run.sh and scripts/test.sh
# share: the same folder, generator and flags, so whichever runs second builds
# only what the first did not. Sourced, from the checkout's root.
configure_build() {
  cmake -S . -B build -G Ninja -DWARNINGS_AS_ERRORS=ON
}
