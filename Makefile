# bottlewatch: `make` builds, `make test` builds and runs every test,
# `make run` watches the real screen. Missing Debian packages are installed
# first (scripts/install-deps), so a fresh machine needs nothing by hand.
BUILD ?= build
MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc)

PREFIX ?= /usr/local
FUZZ_SECONDS ?= 60
# CI runs each fuzz target this long inside `make test`.
TEST_FUZZ_SECONDS ?= 20

.PHONY: all build deps configure demo demo-picture install package package-check soak frame-rate x-latency redraw-latency play-cost wait-cost look-report board-report test unit-test asan-test fuzz-build fuzz test-kde test-stress run bench bench-run clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Every test: the normal build, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, a short run of each fuzz target, and the Windows
# program cross-built and tested under Wine.
test: unit-test asan-test fuzz-build
	scripts/run-fuzz $(TEST_FUZZ_SECONDS)
	@scripts/test-windows

unit-test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

asan-test: deps
	@test -f build-asan/CMakeCache.txt || cmake -S . -B build-asan -DBOTTLEWATCH_SANITIZE=ON -DBOTTLEWATCH_BENCH=OFF
	cmake --build build-asan -j$(JOBS)
	cd build-asan && ctest --output-on-failure -j$(JOBS)

fuzz-build: deps
	@test -f build-fuzz/CMakeCache.txt || CC=clang CXX=clang++ cmake -S . -B build-fuzz -DBOTTLEWATCH_FUZZ=ON -DBOTTLEWATCH_TESTS=OFF -DBOTTLEWATCH_BENCH=OFF
	cmake --build build-fuzz -j$(JOBS)

fuzz: fuzz-build
	scripts/run-fuzz $(FUZZ_SECONDS)

# The desktop and live tests STRESS_RUNS times (default 10) beside
# STRESS_LOAD busy loops (default 2; more for a heavier load), in the normal
# and the sanitizer build, then each test's pass count (scripts/test-stress).
# STRESS_TESTS, a ctest pattern, narrows the tests. Not part of `make test`.
STRESS_RUNS ?= 10
STRESS_LOAD ?= 2

test-stress: build
	@test -f build-asan/CMakeCache.txt || cmake -S . -B build-asan -DBOTTLEWATCH_SANITIZE=ON -DBOTTLEWATCH_BENCH=OFF
	cmake --build build-asan -j$(JOBS)
	STRESS_RUNS=$(STRESS_RUNS) STRESS_LOAD=$(STRESS_LOAD) scripts/test-stress $(BUILD) build-asan

# The advisor on a private headless KDE Plasma desktop through KDE's own share
# dialog, clicked as a person would (tests/app/kde_desktop_test.cpp). Not part
# of `make test`: KDE's dialog pulls in some 360 packages, installed here
# first. cmake runs again so that the build sees the newly installed ones.
KDE_PACKAGES = kwin-wayland xdg-desktop-portal-kde plasma-workspace qtwayland5 \
  qml-module-org-kde-kirigami2 qml-module-qtquick-controls2 qml-module-qtquick-layouts \
  qml-module-qtquick-window2 qml-module-org-kde-pipewire qml-module-org-kde-kitemmodels \
  plasma-wayland-protocols libwayland-dev libwayland-bin

test-kde: deps
	@scripts/install-deps $(KDE_PACKAGES)
	cmake -S . -B $(BUILD)
	cmake --build $(BUILD) -j$(JOBS) --target kde_tests
	$(BUILD)/bin/kde_tests

# The advisor on a simulated game on a private virtual screen, in this
# terminal, for DEMO_SECONDS (default 30); it leaves a picture of the screen
# beside the terminal.
demo: configure
	cmake --build $(BUILD) -j$(JOBS) --target bottlewatch screen-sim
	scripts/demo $(BUILD)

# docs/demo.png, the README's picture, from a shorter demo run not shown here.
demo-picture: configure
	cmake --build $(BUILD) -j$(JOBS) --target bottlewatch screen-sim
	DEMO_SECONDS=$${DEMO_SECONDS:-15} scripts/demo $(BUILD) docs/demo.png >/dev/null

# The advisor, its manual page and its documents under PREFIX; DESTDIR
# stages them elsewhere. Only the advisor is built.
install: configure
	cmake --build $(BUILD) -j$(JOBS) --target bottlewatch
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# $(BUILD)/bottlewatch_<version>_amd64.deb. dpkg-shlibdeps (dpkg-dev) and
# file work out its library dependencies.
package: configure
	@scripts/install-deps dpkg-dev file
	cmake --build $(BUILD) -j$(JOBS) --target bottlewatch
	cd $(BUILD) && cpack -G DEB

# The package as a user gets it: lintian, the manual page, and the installed
# program run on a private screen; it is removed again afterwards.
package-check: package
	@scripts/install-deps lintian man-db
	cmake --build $(BUILD) -j$(JOBS) --target screen-sim
	scripts/package-check $(BUILD)

# A long run against the simulator: flat memory and descriptors, no advice
# that disagrees with what was drawn. SOAK_SECONDS (default 600) sets its length.
soak: build
	$(BUILD)/bin/soak_test

# Runs the advisor in a folder kept in memory (scripts/memory-folder), where
# it writes x.bmp and x.tif for every frame without wearing the disk; in the
# current directory on a machine with none. The folder is said before the
# advisor blanks the terminal, and again when Ctrl-C ends it.
run: configure
	cmake --build $(BUILD) -j$(JOBS) --target bottlewatch
	@dir=$$(scripts/memory-folder) || dir=$$(pwd); \
	  if [ "$$dir" = "$$(pwd)" ]; then where="no memory folder here: working in $$dir"; \
	  else where="working in $$dir, kept in memory"; fi; \
	  echo "bottlewatch: $$where"; sleep 1; \
	  trap 'echo "bottlewatch: worked in $$dir"; exit 130' INT; \
	  cd "$$dir" && "$(abspath $(BUILD))/bin/bottlewatch"

bench: build

bench-run: bench
	$(BUILD)/bin/bottlewatch_bench

# Frames per second of the advisor against the converter alone. These
# measurements run on Xvfb, or with BENCH_DESKTOP=gnome on a headless GNOME
# desktop read through its screen-sharing portal, or with BENCH_DESKTOP=sway on
# a headless sway read through its screen copy.
frame-rate: build
	bench/frame-rate 10 $(BUILD)

# Another X client's round trips without and with the advisor running.
x-latency: configure
	cmake --build $(BUILD) -j$(JOBS) --target bottlewatch screen-sim x-roundtrip
	bench/x-latency 5 $(BUILD)

# The CPU time and disk writes of a minute's play, in a memory folder or, with
# PLAY_FOLDER=/some/folder, there (e.g. one on a disk).
play-cost: configure
	cmake --build $(BUILD) -j$(JOBS) --target bottlewatch screen-sim share-dialog
	bench/play-cost 60 $(BUILD) $(PLAY_FOLDER)

# From a state on the screen to its board on the advisor's output, over a minute.
redraw-latency: configure
	cmake --build $(BUILD) -j$(JOBS) --target bottlewatch screen-sim stamp-lines share-dialog
	bench/redraw-latency 60 $(BUILD)

# What the wait for the game costs beside a window repainting the corner 30
# times a second; with WAIT_BEFORE=build-dir, against that build's advisor.
wait-cost: configure
	cmake --build $(BUILD) -j$(JOBS) --target bottlewatch redraw-window
	bench/wait-cost 20 $(BUILD) $(WAIT_BEFORE)

# How long other games' looks take to be found, shown and joined in play.
look-report: configure
	cmake --build $(BUILD) -j$(JOBS) --target bottlewatch screen-sim stamp-lines
	bench/look-report $(BUILD)

# How many printed boards are right for other games' cells (bricks with gaps,
# sprites, pure blue), shown and joined in play; ADVISOR=PATH tries another
# build's advisor on the same games.
board-report: configure
	cmake --build $(BUILD) -j$(JOBS) --target bottlewatch screen-sim
	bench/board-report $(BUILD)

clean:
	rm -rf $(BUILD) build-asan build-fuzz build-windows build-win-host

# The Windows program, cross-built with mingw-w64 into build-windows/ and
# tested under Wine on private X screens (scripts/build-windows, test-windows).
.PHONY: windows windows-test

windows:
	@scripts/build-windows

windows-test:
	@scripts/test-windows
