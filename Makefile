# bottlewatch: `make` builds, `make test` builds and runs every test,
# `make run` watches the real screen. Missing Debian packages are installed
# first (scripts/install-deps), so a fresh machine needs nothing by hand.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all build deps configure test run bench bench-run clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# Runs the advisor in the current directory, where it writes x.bmp and x.tif.
run: build
	$(BUILD)/bin/bottlewatch

bench: build

bench-run: bench
	$(BUILD)/bin/bottlewatch_bench

clean:
	rm -rf $(BUILD)
