# Entry points: `make` builds build/tavelin.exe, `make test` runs every test
# under Wine, `make run` runs the program under Wine, `make bench` measures it
# against yardsticks built here (table on stdout, CSV in $(BUILD)/bench.csv),
# `make arm64` builds build-arm64/tavelin.exe for Windows on ARM64 (the first
# time it builds a toolchain sysroot into a cache; see the README).
BUILD   ?= build
BUILD_ARM64 ?= build-arm64
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)
ARGS    ?=
# DIFX=standin: make run uses the stand-in DIFXAPI.dll instead of the native path.
DIFX    ?=

.PHONY: all deps configure test run bench arm64 clean repeat mutants

all: configure
	cmake --build $(BUILD) --target tavelin difxapi_standin -j $(JOBS)

deps:
	@bash scripts/install-deps.sh

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) \
		-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release

test: configure
	cmake --build $(BUILD) -j $(JOBS)
	bash scripts/with-display.sh bash scripts/wine-session.sh $(BUILD)/wineprefix \
		ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole suite three times in a row, each program until it fails: a test
# that passes only now and then shows here, not in make test.
repeat: configure
	cmake --build $(BUILD) -j $(JOBS)
	bash scripts/with-display.sh bash scripts/wine-session.sh $(BUILD)/wineprefix \
		ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --repeat until-fail:3

# Plants each known fault in a scratch copy (build-mutants/) and shows which
# tests catch it; fails when one is missed or no longer applies.
mutants: configure
	python3 tests/mutants/mutants.py --jobs $(JOBS)

run: all
	DIFX=$(DIFX) bash scripts/run.sh $(BUILD) $(ARGS)

# BENCH_ARGS=--quick takes fewer rounds (rougher figures, for a first look).
# The bench target appears in a build folder configured before it existed only
# after CMake has run again, hence the explicit configure step.
bench: configure
	@cmake -S . -B $(BUILD) >/dev/null
	cmake --build $(BUILD) --target bench -j $(JOBS)
	bash scripts/wine-prefix.sh $(abspath $(BUILD))/wineprefix
	bash scripts/with-display.sh $(BUILD)/wine-run.sh $(BUILD)/tests/bench.exe $(BENCH_ARGS) $(BUILD)

arm64:
	bash scripts/build-arm64.sh $(BUILD_ARM64) $(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD_ARM64)
